// SPDX-License-Identifier: GPL-3.0-or-later

// On the benchmark's generated pairs, the solver's scripts are exactly as short as those
// of the plain Myers search the engine used before it chose methods per box.
#include "bench/pairgen.h"
#include "core/diffengine.h"

#include <gtest/gtest.h>

using namespace varnel;

namespace {

struct Totals {
    size_t removed = 0;
    size_t inserted = 0;
    friend bool operator==(const Totals&, const Totals&) = default;
};

Totals totals(const TextLines& left, const TextLines& right, DiffAlgorithm algorithm, bool slide)
{
    DiffOptions options;
    options.algorithm = algorithm;
    options.slide = slide;
    const std::optional<EditScript> script = DiffEngine::editScript(left, right, options);
    EXPECT_TRUE(script);
    return script ? Totals{script->removed.count(), script->inserted.count()} : Totals{};
}

} // namespace

TEST(BenchPairs, EveryShapeGivesTheSameCountsAsPlainMyers)
{
    using bench::PairKind;
    const bench::PairSpec specs[] = {
        {"edited-5pct", 8000, 0.05, 0.08, PairKind::edited, 1},
        {"edited-50pct", 8000, 0.5, 0.08, PairKind::edited, 2},
        {"halfblank", 8000, 0.05, 0.5, PairKind::edited, 3},
        {"disjoint", 3000, 1.0, 0.08, PairKind::disjoint, 4},
        {"code-5pct", 8000, 0.05, 0.08, PairKind::structured, 5},
        {"code-50pct", 8000, 0.5, 0.08, PairKind::structured, 6},
        {"shuffled", 3000, 1.0, 0.0, PairKind::shuffled, 7},
        {"reversed", 3000, 1.0, 0.08, PairKind::reversed, 8},
        {"vocab-5pct", 8000, 0.05, 0.0, PairKind::vocabulary, 9},
    };
    for (const bench::PairSpec& spec : specs) {
        SCOPED_TRACE(spec.name.toStdString());
        const bench::FilePair pair = bench::generatePair(spec);
        const TextLines left = TextLines::split(pair.left);
        const TextLines right = TextLines::split(pair.right);
        const Totals plain = totals(left, right, DiffAlgorithm::myers, false);
        EXPECT_GT(plain.removed + plain.inserted, 0u);
        EXPECT_EQ(totals(left, right, DiffAlgorithm::automatic, true), plain);
        EXPECT_EQ(totals(left, right, DiffAlgorithm::bitParallel, false), plain);
    }
}
