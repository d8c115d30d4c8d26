// The engine on the standard generated pairs: split, intern, diff and build rows.
#include "core/diffengine.h"
#include "pairgen.h"

#include <benchmark/benchmark.h>

#include <map>

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
        benchmark::DoNotOptimize(result.lines().data());
    }
    state.counters["lines"] = double(left->size());
    state.counters["edits"] = double(edits);
    state.SetItemsProcessed(state.iterations() * (left->size() + right->size()));
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
    benchmark::RegisterBenchmark("split/1M", splitLines, bench::standardPairs()[6])->Unit(benchmark::kMillisecond);
    return true;
}();

} // namespace

BENCHMARK_MAIN();
