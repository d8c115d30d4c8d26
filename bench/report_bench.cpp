// SPDX-License-Identifier: GPL-3.0-or-later

// Renders PDF reports of generated comparisons: time, peak memory and file size.
//   varnel-bench-report [ROWS...]   (default 10000 100000)
#include "core/diffengine.h"
#include "pairgen.h"
#include "report/exportservice.h"

#include <QElapsedTimer>
#include <QGuiApplication>

#include <cstdio>

#if defined(__unix__) || defined(__APPLE__)
#include <sys/resource.h>
#endif

namespace {

double peakMiB()
{
#if defined(__unix__)
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
#else
    return 0;
#endif
}

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    std::vector<long> sizes;
    for (int i = 1; i < argc; ++i)
        sizes.push_back(std::atol(argv[i]));
    if (sizes.empty())
        sizes = {10'000, 100'000};

    for (long rows : sizes) {
        // A source-like file against itself with 1% of lines edited, shown in full.
        varnel::bench::PairSpec spec{QStringLiteral("report"), rows, 0.01, 0.08, varnel::bench::PairKind::edited, 7};
        const varnel::bench::FilePair pair = varnel::bench::generatePair(spec);
        const varnel::DiffResult result =
            varnel::DiffEngine::compute(varnel::TextLines::share(varnel::TextLines::split(pair.left)),
                                        varnel::TextLines::share(varnel::TextLines::split(pair.right)), false);
        const double before = peakMiB();
        QElapsedTimer timer;
        timer.start();
        const std::optional<QByteArray> pdf =
            varnel::ExportService::render(result, QStringLiteral("left.cpp"), QStringLiteral("right.cpp"), true);
        const double seconds = double(timer.nsecsElapsed()) / 1e9;
        if (!pdf)
            return 1;
        const qsizetype pages = (result.lines().size() + 48) / 49;
        std::printf("%lld rows, %lld pages: %.2f s, %.1f MB PDF, peak memory %.0f MiB (%.0f MiB before rendering)\n",
                    static_cast<long long>(result.lines().size()), static_cast<long long>(pages), seconds,
                    double(pdf->size()) / 1e6, peakMiB(), before);
    }
    return 0;
}
