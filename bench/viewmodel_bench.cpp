// SPDX-License-Identifier: GPL-3.0-or-later

// One whole comparison through the view model, as the window runs it: from loadFile of
// the second file to the published results, with the process's peak memory.
//   varnel-bench-viewmodel LEFT RIGHT [RUNS]
#include "viewmodel/comparisonviewmodel.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>

#include <algorithm>
#include <cstdio>
#include <vector>

#if defined(__unix__) || defined(__APPLE__)
#include <sys/resource.h>
#endif

namespace {

double peakMiB()
{
#if defined(__unix__) || defined(__APPLE__)
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
#if defined(__APPLE__)
    return double(usage.ru_maxrss) / (1024.0 * 1024.0);
#else
    return double(usage.ru_maxrss) / 1024.0;
#endif
#else
    return 0;
#endif
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: varnel-bench-viewmodel LEFT RIGHT [RUNS]\n");
        return 2;
    }
    const QUrl left = QUrl::fromLocalFile(QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath());
    const QUrl right = QUrl::fromLocalFile(QFileInfo(QString::fromLocal8Bit(argv[2])).absoluteFilePath());
    const int runs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 5;

    std::vector<double> seconds;
    qint64 rows = 0;
    for (int run = 0; run < runs; ++run) {
        varnel::ComparisonViewModel model;
        QEventLoop loop;
        QObject::connect(&model, &varnel::ComparisonViewModel::isComparingChanged, &loop, [&] {
            if (!model.isComparing())
                loop.quit();
        });
        model.loadFile(left, varnel::FileSide::left);
        QElapsedTimer timer;
        timer.start();
        model.loadFile(right, varnel::FileSide::right);
        loop.exec();
        seconds.push_back(double(timer.nsecsElapsed()) / 1e9);
        if (model.comparisonError()) {
            std::fprintf(stderr, "%s\n", qPrintable(*model.comparisonError()));
            return 1;
        }
        rows = model.fullDiffResult()->lines().size() + model.diffResult()->lines().size();
    }
    std::sort(seconds.begin(), seconds.end());
    std::printf("view model, %s vs %s: median %.3f s over %d runs (min %.3f s), %lld rows held in both results, "
                "peak memory %.0f MiB\n",
                argv[1], argv[2], seconds[seconds.size() / 2], runs, seconds.front(), static_cast<long long>(rows),
                peakMiB());
    return 0;
}
