// SPDX-License-Identifier: GPL-3.0-or-later

// Writes the standard benchmark pairs into a folder, as NAME.left.txt and NAME.right.txt.
//   varnel-genpairs OUTDIR [NAME...]
#include "pairgen.h"

#include <QDir>
#include <QFile>

#include <cstdio>

int main(int argc, char* argv[])
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: varnel-genpairs OUTDIR [NAME...]\n");
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    if (!dir.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 2;
    }
    QStringList wanted;
    for (int i = 2; i < argc; ++i)
        wanted << QString::fromLocal8Bit(argv[i]);
    for (const varnel::bench::PairSpec& spec : varnel::bench::standardPairs()) {
        if (!wanted.isEmpty() && !wanted.contains(spec.name))
            continue;
        const varnel::bench::FilePair pair = varnel::bench::generatePair(spec);
        for (const auto& [suffix, data] : {std::pair{".left.txt", &pair.left}, std::pair{".right.txt", &pair.right}}) {
            QFile file(dir.filePath(spec.name + QLatin1StringView(suffix)));
            if (!file.open(QIODevice::WriteOnly) || file.write(*data) != data->size()) {
                std::fprintf(stderr, "cannot write %s\n", qPrintable(file.fileName()));
                return 2;
            }
        }
        std::printf("%s\n", qPrintable(spec.name));
    }
    return 0;
}
