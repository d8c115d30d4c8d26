// SPDX-License-Identifier: GPL-3.0-or-later

// Finding moved blocks over a whole result, against the comparison that made it: the
// 1M-line pair edited at 5% (where it should cost a small share of the comparison) and the
// shuffled pairs, where every line is removed and added.
#include "core/diffengine.h"
#include "pairgen.h"
#include "reading/movedblocks.h"

#include <benchmark/benchmark.h>

#include <map>
#include <string>

using namespace varnel;

namespace {

struct Compared {
    DiffResult full;
    MovedBlocks moves;
};

const Compared& comparedFor(const QString& name)
{
    static std::map<QString, Compared> cache;
    auto it = cache.find(name);
    if (it == cache.end()) {
        const bench::FilePair pair = bench::generatePair(*bench::findPair(name));
        const SharedLines left = TextLines::share(TextLines::split(pair.left));
        const SharedLines right = TextLines::share(TextLines::split(pair.right));
        DiffResult full = DiffEngine::computeBoth(left, right)->full;
        MovedBlocks moves = MovedBlocks::find(full);
        it = cache.emplace(name, Compared{std::move(full), std::move(moves)}).first;
    }
    return it->second;
}

void compare(benchmark::State& state, const QString& name)
{
    const bench::FilePair pair = bench::generatePair(*bench::findPair(name));
    const SharedLines left = TextLines::share(TextLines::split(pair.left));
    const SharedLines right = TextLines::share(TextLines::split(pair.right));
    for (auto _ : state)
        benchmark::DoNotOptimize(DiffEngine::computeBoth(left, right)->full.lines().size());
}

void findMoves(benchmark::State& state, const QString& name)
{
    const Compared& compared = comparedFor(name);
    for (auto _ : state)
        benchmark::DoNotOptimize(MovedBlocks::find(compared.full).size());
    const MovedBlocks::Work work = compared.moves.work();
    state.counters["blocks"] = double(compared.moves.size());
    state.counters["changed"] = double(work.removedLines + work.addedLines);
    state.counters["candidates"] = double(work.candidates);
    state.counters["comparisons"] = double(work.comparisons);
    state.counters["editChecks"] = double(work.editChecks);
}

} // namespace

int main(int argc, char** argv)
{
    for (const char* name : {"10k-5pct", "1M-5pct", "100k-shuffled", "1M-shuffled", "1M-code-5pct"}) {
        benchmark::RegisterBenchmark(("compare/" + std::string(name)).c_str(), compare, QString::fromLatin1(name))
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("moves/" + std::string(name)).c_str(), findMoves, QString::fromLatin1(name))
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
