// SPDX-License-Identifier: GPL-3.0-or-later

// The diff views on a million-row result: paint, scroll, focus and show times, and the
// memory the views add. Offscreen, 1100×700, JSON colouring on, the generated 1M-line pair
// with 5% of lines edited, every line shown. Every paint includes the changes within
// modified lines (computed for the rows painted) and the change map; the last steps mark
// the matches of a find query, and time the count of a query over every row.
//   varnel-bench-views [PAIR]   (default 1M-5pct)
#include "core/diffengine.h"
#include "pairgen.h"
#include "reading/matchindex.h"
#include "widgets/diffview/changemapview.h"
#include "widgets/diffview/inlineview.h"
#include "widgets/diffview/sidebysideview.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QScrollBar>

#include <malloc.h>
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using namespace varnel;

namespace {

constexpr QSize kViewSize(1100, 700);

// Wall-clock and this thread's CPU time of each step, in milliseconds. On a shared
// machine the wall-clock tail holds the times the thread waited for a core; the CPU
// tail is the work itself.
struct Samples {
    std::vector<double> wall;
    std::vector<double> cpu;
};

struct Stats {
    double median = 0;
    double p99 = 0;
    double max = 0;
    double cpuMedian = 0;
    double cpuP99 = 0;
};

double percentile(std::vector<double> ms, double q)
{
    std::sort(ms.begin(), ms.end());
    return ms[std::min(ms.size() - 1, std::size_t(q * double(ms.size())))];
}

Stats stats(const Samples& samples)
{
    return {percentile(samples.wall, 0.5), percentile(samples.wall, 0.99), percentile(samples.wall, 1.0),
            percentile(samples.cpu, 0.5), percentile(samples.cpu, 0.99)};
}

double threadCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

std::size_t heapInUse()
{
    return mallinfo2().uordblks;
}

// Times `step` `count` times.
Samples timed(int count, const std::function<void(int)>& step)
{
    Samples samples;
    for (int i = 0; i < count; ++i) {
        QElapsedTimer timer;
        const double cpu = threadCpuMs();
        timer.start();
        step(i);
        samples.wall.push_back(double(timer.nsecsElapsed()) / 1e6);
        samples.cpu.push_back(threadCpuMs() - cpu);
    }
    return samples;
}

void print(const char* what, const Stats& s)
{
    std::printf("  %-52s median %6.3f  p99 %6.3f  max %6.3f  | CPU median %6.3f  p99 %6.3f\n", what, s.median, s.p99,
                s.max, s.cpuMedian, s.cpuP99);
}

// One layout under test: its canvases (two columns or one inline view) and how to give it
// a result and a focus.
struct Layout {
    const char* name;
    QWidget* widget;
    std::vector<DiffCanvas*> canvases;
    std::function<void(const DiffResult&)> setResult;
    std::function<void(const TextMatcher&)> setFind;

    void repaint() const
    {
        for (DiffCanvas* canvas : canvases) {
            canvas->viewport()->repaint();
            canvas->changeMap()->repaint();
        }
    }
    void scrollBy(int dy) const
    {
        for (DiffCanvas* canvas : canvases)
            canvas->verticalScrollBar()->setValue(canvas->verticalScrollBar()->value() + dy);
    }
    void scrollTo(int y) const
    {
        for (DiffCanvas* canvas : canvases)
            canvas->verticalScrollBar()->setValue(y);
    }
};

void run(Layout& layout, const DiffResult& result, const std::vector<qint64>& changeRows)
{
    const qint64 rows = result.lines().size();
    layout.widget->resize(kViewSize);
    layout.widget->show();
    QApplication::processEvents();
    const std::size_t heapBefore = heapInUse();

    // A new result, until its first paint is on screen.
    const Stats show = stats(timed(15, [&](int) {
        layout.setResult(result);
        layout.scrollTo(0);
        layout.repaint();
    }));

    // One full viewport, painted again where the rows' text is cached.
    layout.scrollTo(layout.canvases.front()->verticalScrollBar()->maximum() / 2);
    layout.repaint();
    const Stats full = stats(timed(200, [&](int) { layout.repaint(); }));

    // A page down, then the paint of rows never seen before.
    const int page = layout.canvases.front()->viewport()->height();
    layout.scrollTo(0);
    const Stats paged = stats(timed(200, [&](int) {
        layout.scrollBy(page);
        layout.repaint();
    }));

    // 1,000 wheel steps of three rows, each scrolled and painted as the window would: the
    // pixels already shown move, and only the strip that comes into view is painted.
    const int step = 3 * layout.canvases.front()->rowHeight();
    const Stats wheel = stats(timed(1000, [&](int) {
        layout.scrollBy(step);
        QApplication::processEvents();
    }));
    // The same steps with the whole viewport painted each time: the worst case.
    const Stats wheelFull = stats(timed(1000, [&](int) {
        layout.scrollBy(step);
        layout.repaint();
    }));

    // Focus changes to random changes far apart, centred without the animation, then with
    // the paint that follows.
    QRandomGenerator random(7);
    std::vector<qint64> targets;
    targets.reserve(500);
    for (int i = 0; i < 500; ++i)
        targets.push_back(changeRows[random.bounded(qint64(changeRows.size()))]);
    const Stats focus = stats(timed(500, [&](int i) {
        for (DiffCanvas* canvas : layout.canvases) {
            canvas->moveFocus(targets[std::size_t(i)], false);
            canvas->centreOnRow(targets[std::size_t(i)], false);
        }
    }));
    const Stats focusPaint = stats(timed(500, [&](int i) {
        for (DiffCanvas* canvas : layout.canvases) {
            canvas->moveFocus(targets[std::size_t(i)], false);
            canvas->centreOnRow(targets[std::size_t(i)], false);
        }
        layout.repaint();
    }));
    // Ctrl+] from change to change, 1,000 times, each centred and painted: the rows that
    // come into view are new, so their spans are computed in the step.
    const std::size_t firstChange = changeRows.size() / 3;
    const Stats adjacent = stats(timed(1000, [&](int i) {
        const qint64 row = changeRows[(firstChange + std::size_t(i)) % changeRows.size()];
        for (DiffCanvas* canvas : layout.canvases) {
            canvas->moveFocus(row, false);
            canvas->centreOnRow(row, false);
        }
        layout.repaint();
    }));

    // How many of the rows painted last show changes within the line.
    qsizetype withSpans = 0;
    qsizetype changedInView = 0;
    const qint64 top = layout.canvases.front()->firstVisibleRow();
    const RowPainter& painter = layout.canvases.front()->rowPainter();
    for (qint64 row = top; row < std::min<qint64>(rows, top + 30); ++row) {
        const DiffLineType type = painter.line(row).type();
        if (type != DiffLineType::added && type != DiffLineType::removed)
            continue;
        ++changedInView;
        withSpans += !const_cast<RowPainter&>(painter).changedSpans(row).isEmpty();
    }

    // With the matches of a frequent word marked in every row painted.
    layout.setFind(TextMatcher(QStringLiteral("value"), Qt::CaseInsensitive));
    layout.scrollTo(0);
    layout.repaint();
    const Stats wheelFind = stats(timed(1000, [&](int) {
        layout.scrollBy(step);
        layout.repaint();
    }));
    layout.setFind(TextMatcher());

    const double perRow = double(qint64(heapInUse()) - qint64(heapBefore)) / double(rows);
    qsizetype cached = 0;
    for (DiffCanvas* canvas : layout.canvases)
        cached = std::max(cached, canvas->rowPainter().cache().size());

    std::printf("\n%s, %lld rows, %dx%d, JSON colouring (milliseconds)\n", layout.name, static_cast<long long>(rows),
                kViewSize.width(), kViewSize.height());
    print("new result shown, first paint included", show);
    print("full viewport repainted (text cached)", full);
    print("page down and paint (new rows)", paged);
    print("1,000 wheel steps of 3 rows, as the window paints", wheel);
    print("1,000 wheel steps of 3 rows, whole viewport painted", wheelFull);
    print("focus change, centred without animation", focus);
    print("focus change and its paint", focusPaint);
    print("1,000 moves to the adjacent change, painted", adjacent);
    print("1,000 wheel steps, whole viewport, find marks on", wheelFind);
    std::printf("  %-52s %lld of %lld changed rows in view\n", "rows with changes marked within the line",
                static_cast<long long>(withSpans), static_cast<long long>(changedInView));
    std::printf("  %-52s %.2f bytes per row (%lld rows of text cached)\n", "heap the views add", perRow,
                static_cast<long long>(cached));
    layout.widget->hide();
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString pairName = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("1M-5pct");
    std::optional<bench::PairSpec> spec;
    for (const bench::PairSpec& candidate : bench::standardPairs())
        if (candidate.name == pairName)
            spec = candidate;
    if (!spec) {
        std::fprintf(stderr, "no pair named %s\n", qPrintable(pairName));
        return 2;
    }
    bench::FilePair pair = bench::generatePair(*spec);
    const DiffResult result = DiffEngine::compute(TextLines::share(TextLines::split(std::move(pair.left))),
                                                  TextLines::share(TextLines::split(std::move(pair.right))), false);
    std::vector<qint64> changeRows;
    for (qint64 row = 0; row < result.lines().size(); ++row)
        if (result.lines()[row].type() != DiffLineType::unchanged)
            changeRows.push_back(row);
    std::printf("%s: %lld rows, %zu changed\n", qPrintable(pairName), static_cast<long long>(result.lines().size()),
                changeRows.size());

    SideBySideView sideBySide;
    sideBySide.setLanguage(SyntaxHighlighter::Language::json);
    Layout sideBySideLayout{"side by side",
                            &sideBySide,
                            {sideBySide.column(PageSide::left), sideBySide.column(PageSide::right)},
                            [&sideBySide](const DiffResult& r) { sideBySide.setResult(r); },
                            [&sideBySide](const TextMatcher& m) { sideBySide.setFind(m, std::nullopt); }};
    run(sideBySideLayout, result, changeRows);

    InlineView inlineView;
    inlineView.setLanguage(SyntaxHighlighter::Language::json);
    Layout inlineLayout{"inline",
                        &inlineView,
                        {&inlineView},
                        [&inlineView](const DiffResult& r) { inlineView.setResult(r); },
                        [&inlineView](const TextMatcher& m) { inlineView.setFind(m, std::nullopt); }};
    run(inlineLayout, result, changeRows);

    // Counting a query over every row, as the find bar does on a worker thread.
    std::printf("\nfind: counting every occurrence in %lld rows (milliseconds, median of 5)\n",
                static_cast<long long>(result.lines().size()));
    for (const QString& query : {QStringLiteral("value"), QStringLiteral("edited 99"), QStringLiteral("Ä")}) {
        qint64 total = 0;
        const Stats count = stats(timed(5, [&](int) {
            total = MatchIndex::build(result.lines(), TextMatcher(query, Qt::CaseInsensitive))->total();
        }));
        std::printf("  %-52s %8.1f  (%lld matches)\n", qPrintable(QStringLiteral("\"%1\"").arg(query)), count.median,
                    static_cast<long long>(total));
    }
    return 0;
}
