// SPDX-License-Identifier: GPL-3.0-or-later

// Wrapping long lines in the side-by-side view, 1100×700, offscreen: turning wrapping on
// (every row estimated, the rows in view laid out and painted) and one viewport paint of
// both columns at a place not seen before (its rows laid out, measured and painted), and a
// step of a resize (the new width estimated for every row, the rows in view laid out). On
// the generated 1M-line pair with 5% of lines edited and on 100k paragraphs of about 300
// characters with 5% edited, the shape of a long document. The "/paired" runs show each
// changed line beside its new text (View > Changed Lines Side by Side); pairOn turns that
// on unwrapped (the shown rows mapped, the rows in view painted).
//   varnel-bench-wrap [Google Benchmark flags]
#include "core/diffengine.h"
#include "pairgen.h"
#include "widgets/diffview/sidebysideview.h"

#include <QApplication>
#include <QRandomGenerator>
#include <QScrollBar>

#include <benchmark/benchmark.h>

#include <optional>

using namespace varnel;

namespace {

constexpr QSize kViewSize(1100, 700);

// `count` paragraphs of about 300 characters of words; the right side edits a word in 5%.
bench::FilePair paragraphs(int count)
{
    static const char* const kWords[] = {"the",     "report",   "shall", "be",    "delivered", "within",  "thirty",
                                         "days",    "of",       "each",  "party", "agreement", "section", "notice",
                                         "written", "provided", "that",  "any",   "change",    "to",      "terms"};
    QRandomGenerator random(42);
    bench::FilePair pair;
    for (int i = 0; i < count; ++i) {
        QByteArray line;
        while (line.size() < 300) {
            line += kWords[random.bounded(int(std::size(kWords)))];
            line += ' ';
        }
        line.chop(1);
        pair.left += line + '\n';
        if (random.bounded(100) < 5)
            line.replace(line.indexOf(' '), 1, " amended ");
        pair.right += line + '\n';
    }
    return pair;
}

const DiffResult& resultFor(int which)
{
    static std::optional<DiffResult> results[2];
    if (!results[which]) {
        bench::FilePair pair =
            which == 0 ? bench::generatePair(*bench::findPair(QStringLiteral("1M-5pct"))) : paragraphs(100'000);
        results[which] = DiffEngine::compute(TextLines::share(TextLines::split(std::move(pair.left))),
                                             TextLines::share(TextLines::split(std::move(pair.right))), false);
    }
    return *results[which];
}

void paintBoth(SideBySideView& view)
{
    for (PageSide side : {PageSide::left, PageSide::right})
        view.column(side)->viewport()->repaint();
}

void wrapOn(benchmark::State& state)
{
    SideBySideView view;
    view.resize(kViewSize);
    view.show();
    view.setResult(resultFor(int(state.range(0))));
    view.setPairing(state.range(1) != 0);
    QApplication::processEvents();
    for (auto _ : state) {
        view.setWrapping(true);
        paintBoth(view);
        state.PauseTiming();
        view.setWrapping(false);
        state.ResumeTiming();
    }
    state.counters["rows"] = double(view.column(PageSide::left)->rowCount());
}

// The pair shown wrapped at the benchmark's size, with its first paint done.
void showWrapped(SideBySideView& view, int pair, bool paired = false)
{
    view.resize(kViewSize);
    view.show();
    view.setResult(resultFor(pair));
    view.setPairing(paired);
    view.setWrapping(true);
    QApplication::processEvents();
}

void wrappedPaint(benchmark::State& state)
{
    SideBySideView view;
    showWrapped(view, int(state.range(0)), state.range(1) != 0);
    QScrollBar* bar = view.column(PageSide::left)->verticalScrollBar();
    QRandomGenerator random(7);
    for (auto _ : state) {
        bar->setValue(random.bounded(std::max(1, bar->maximum())));
        paintBoth(view);
    }
}

// A new width (a window resized by a step): every row estimated again, the rows in view
// laid out at the new width and painted.
void wrappedResize(benchmark::State& state)
{
    SideBySideView view;
    showWrapped(view, int(state.range(0)));
    int step = 0;
    for (auto _ : state) {
        view.resize(kViewSize.width() - 40 * (++step % 2), kViewSize.height());
        paintBoth(view);
    }
}

void pairOn(benchmark::State& state)
{
    SideBySideView view;
    view.resize(kViewSize);
    view.show();
    view.setResult(resultFor(int(state.range(0))));
    QApplication::processEvents();
    for (auto _ : state) {
        view.setPairing(true);
        paintBoth(view);
        state.PauseTiming();
        view.setPairing(false);
        state.ResumeTiming();
    }
    state.counters["rows"] = double(view.column(PageSide::left)->rowCount());
}

} // namespace

BENCHMARK(wrappedResize)->Name("wrappedResize/1M-5pct")->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(wrappedResize)->Name("wrappedResize/100k-paragraphs")->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(wrapOn)->Name("wrapOn/1M-5pct")->Args({0, 0})->Unit(benchmark::kMillisecond);
BENCHMARK(wrapOn)->Name("wrapOn/100k-paragraphs")->Args({1, 0})->Unit(benchmark::kMillisecond);
BENCHMARK(wrapOn)->Name("wrapOn/1M-5pct/paired")->Args({0, 1})->Unit(benchmark::kMillisecond);
BENCHMARK(wrappedPaint)->Name("wrappedPaint/1M-5pct")->Args({0, 0})->Unit(benchmark::kMillisecond);
BENCHMARK(wrappedPaint)->Name("wrappedPaint/100k-paragraphs")->Args({1, 0})->Unit(benchmark::kMillisecond);
BENCHMARK(wrappedPaint)->Name("wrappedPaint/1M-5pct/paired")->Args({0, 1})->Unit(benchmark::kMillisecond);
BENCHMARK(pairOn)->Name("pairOn/1M-5pct")->Arg(0)->Unit(benchmark::kMillisecond);

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
