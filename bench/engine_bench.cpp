// SPDX-License-Identifier: GPL-3.0-or-later

// The engine on the standard generated pairs: split, intern, diff and build rows; and the
// edit script alone with each method forced, on the 100k pairs, to price the methods.
#include "core/diffengine.h"
#include "pairgen.h"

#include <benchmark/benchmark.h>

#include <map>
#include <string>

using namespace varnel;

namespace {

const bench::FilePair& pairFor(const bench::PairSpec& spec)
{
    static std::map<QString, bench::FilePair> cache;
    auto it = cache.find(spec.name);
    if (it == cache.end())
        it = cache.emplace(spec.name, bench::generatePair(spec)).first;
    return it->second;
}

void diffPair(benchmark::State& state, const bench::PairSpec& spec)
{
    const bench::FilePair& pair = pairFor(spec);
    const SharedLines left = TextLines::share(TextLines::split(pair.left));
    const SharedLines right = TextLines::share(TextLines::split(pair.right));
    qint64 edits = 0;
    for (auto _ : state) {
        const DiffResult result = DiffEngine::compute(left, right, false);
        edits = result.addedCount() + result.removedCount() + 2 * result.modifiedCount();
        benchmark::DoNotOptimize(result.lines().size());
    }
    state.counters["lines"] = double(left->size());
    state.counters["edits"] = double(edits);
    state.SetItemsProcessed(state.iterations() * (left->size() + right->size()));
}

void scriptWith(benchmark::State& state, const bench::PairSpec& spec, DiffAlgorithm algorithm)
{
    const bench::FilePair& pair = pairFor(spec);
    const TextLines left = TextLines::split(pair.left);
    const TextLines right = TextLines::split(pair.right);
    DiffOptions options;
    options.algorithm = algorithm;
    for (auto _ : state) {
        const std::optional<EditScript> script = DiffEngine::editScript(left, right, options);
        benchmark::DoNotOptimize(script->removed.size());
    }
}

// A whole comparison (both results) under one ignore option, against the same without:
// the cost of working out each line's form. The "respaced" pair has every space of the
// right file doubled, so under -b every unchanged row differs in its bytes and is marked.
void ignoring(benchmark::State& state, const bench::PairSpec& spec, const char* flag, bool respaced)
{
    const bench::FilePair& pair = pairFor(spec);
    const SharedLines left = TextLines::share(TextLines::split(pair.left));
    QByteArray rightText = pair.right;
    if (respaced)
        rightText.replace(" ", "  ");
    const SharedLines right = TextLines::share(TextLines::split(rightText));
    DiffOptions options;
    const char option = flag[0] == '-' ? flag[1] : 0; // "none": no option
    options.compare.ignoreCase = option == 'i';
    options.compare.ignoreTrailingSpace = option == 'Z';
    options.compare.ignoreSpaceChange = option == 'b';
    options.compare.ignoreAllSpace = option == 'w';
    qint64 ignored = 0;
    size_t stretches = 0;
    for (auto _ : state) {
        const std::optional<DiffEngine::Results> results = DiffEngine::computeBoth(left, right, options);
        ignored = results->full.ignoredCount();
        stretches = results->full.lines().ignoredStretches().size();
        benchmark::DoNotOptimize(results->full.lines().size());
    }
    state.counters["ignored"] = double(ignored);
    // What marking costs beyond the runs: the stretches, per line of the pair.
    state.counters["markBytesPerLine"] =
        double(stretches * sizeof(DiffRows::IgnoredStretch)) / double(left->size() + right->size());
}

void splitLines(benchmark::State& state, const bench::PairSpec& spec)
{
    const bench::FilePair& pair = pairFor(spec);
    for (auto _ : state) {
        TextLines lines = TextLines::split(pair.left);
        benchmark::DoNotOptimize(lines.size());
    }
    state.SetBytesProcessed(state.iterations() * pair.left.size());
}

const bool registered = [] {
    for (const bench::PairSpec& spec : bench::standardPairs()) {
        benchmark::RegisterBenchmark(("diff/" + spec.name.toStdString()).c_str(), diffPair, spec)
            ->Unit(benchmark::kMillisecond)
            ->MeasureProcessCPUTime()
            ->UseRealTime();
    }
    const std::pair<const char*, DiffAlgorithm> methods[] = {{"myers", DiffAlgorithm::myers},
                                                             {"bitParallel", DiffAlgorithm::bitParallel},
                                                             {"automatic", DiffAlgorithm::automatic}};
    for (const char* name : {"100k-5pct", "100k-50pct", "100k-code-50pct", "100k-vocab-5pct", "100k-reversed"}) {
        for (const auto& [method, algorithm] : methods) {
            if (algorithm == DiffAlgorithm::myers && std::string(name) == "100k-reversed")
                continue; // some 180,000 edits: Myers alone takes many seconds
            benchmark::RegisterBenchmark(("script/" + std::string(name) + "/" + method).c_str(), scriptWith,
                                         *bench::findPair(QString::fromLatin1(name)), algorithm)
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime();
        }
    }
    for (const char* name : {"10k-5pct", "1M-5pct"}) {
        const bench::PairSpec& spec = *bench::findPair(QString::fromLatin1(name));
        for (const char* flag : {"none", "-w", "-b", "-i", "-Z"}) {
            benchmark::RegisterBenchmark(("ignore/" + std::string(name) + "/" + flag).c_str(), ignoring, spec, flag,
                                         false)
                ->Unit(benchmark::kMillisecond)
                ->MeasureProcessCPUTime()
                ->UseRealTime();
        }
        benchmark::RegisterBenchmark(("ignore/" + std::string(name) + "-respaced/-b").c_str(), ignoring, spec, "-b",
                                     true)
            ->Unit(benchmark::kMillisecond)
            ->MeasureProcessCPUTime()
            ->UseRealTime();
    }
    benchmark::RegisterBenchmark("split/1M", splitLines, *bench::findPair(QStringLiteral("1M-0.1pct")))
        ->Unit(benchmark::kMillisecond);
    return true;
}();

} // namespace

BENCHMARK_MAIN();
