// SPDX-License-Identifier: GPL-3.0-or-later

#include "core/diffengine.h"
#include "reading/changemap.h"

#include <gtest/gtest.h>

#include <random>
#include <tuple>

using namespace varnel;

namespace {

QList<DiffLine> unchangedRows(qsizetype count)
{
    return QList<DiffLine>(count, DiffLine(1, 1, {}, DiffLineType::unchanged));
}

void setRow(QList<DiffLine>& rows, qsizetype row, DiffLineType type)
{
    rows[row] = DiffLine(1, 1, {}, type);
}

std::vector<std::uint8_t> marksOf(const ChangeMap& map)
{
    std::vector<std::uint8_t> marks;
    marks.reserve(std::size_t(map.pixels()));
    for (int y = 0; y < map.pixels(); ++y)
        marks.push_back(map.marks(y));
    return marks;
}

TEST(ChangeMap, ASmallResultIsStretchedOverTheStrip)
{
    // Ten rows on 100 pixels: each row is ten pixels tall.
    QList<DiffLine> rows = unchangedRows(10);
    setRow(rows, 2, DiffLineType::removed);
    setRow(rows, 3, DiffLineType::added);
    setRow(rows, 9, DiffLineType::added);
    const ChangeMap map(ChangeRuns::find(rows), 100);
    std::vector<std::uint8_t> expected(100, ChangeMap::none);
    for (int y = 20; y < 30; ++y)
        expected[std::size_t(y)] = ChangeMap::removed;
    for (int y = 30; y < 40; ++y)
        expected[std::size_t(y)] = ChangeMap::added;
    for (int y = 90; y < 100; ++y)
        expected[std::size_t(y)] = ChangeMap::added;
    EXPECT_EQ(marksOf(map), expected);

    EXPECT_EQ(ChangeMap::rowsAtPixel(25, 10, 100), (std::pair<qint64, qint64>(2, 3)));
    EXPECT_EQ(ChangeMap::rowAt(39.5, 10, 100), 3);
    EXPECT_EQ(ChangeMap::rowAt(-4, 10, 100), 0);
    EXPECT_EQ(ChangeMap::rowAt(1000, 10, 100), 9);
    // An empty result, or no pixels: nothing, and no division by zero.
    EXPECT_EQ(ChangeMap(ChangeRuns::find({}), 100).marks(50), ChangeMap::none);
    EXPECT_EQ(ChangeMap(ChangeRuns::find(rows), 0).pixels(), 0);

    // Rows of their own heights (wrapped lines): row 2 five times as tall as the others,
    // 140 units on 140 pixels; each mark stands beside its rows.
    const auto top = [](qint64 row) { return row * 10 + (row > 2 ? 40 : 0); };
    const ChangeMap tall(ChangeRuns::find(rows), 140, top, top(10));
    EXPECT_EQ(tall.marks(19), ChangeMap::none);
    EXPECT_EQ(tall.marks(20), ChangeMap::removed);
    EXPECT_EQ(tall.marks(69), ChangeMap::removed);
    EXPECT_EQ(tall.marks(70), ChangeMap::added);
    EXPECT_EQ(tall.marks(79), ChangeMap::added);
    EXPECT_EQ(tall.marks(80), ChangeMap::none);
}

TEST(ChangeMap, EveryChangeOfAHugeResultGetsAMarkWhereItIs)
{
    // A million rows with 50,000 scattered changes on a 700-pixel strip.
    constexpr qsizetype kRows = 1'000'000;
    constexpr int kPixels = 700;
    QList<DiffLine> rows = unchangedRows(kRows);
    std::mt19937 random(3);
    std::vector<qsizetype> changed;
    for (int i = 0; i < 50'000; ++i) {
        const qsizetype row = qsizetype(random() % kRows);
        setRow(rows, row, random() % 2 ? DiffLineType::added : DiffLineType::removed);
        changed.push_back(row);
    }
    const ChangeMap map(ChangeRuns::find(rows), kPixels);
    for (qsizetype row : changed) {
        const int y = int(row * kPixels / kRows);
        const std::uint8_t wanted = rows[row].type() == DiffLineType::added ? ChangeMap::added : ChangeMap::removed;
        ASSERT_TRUE(map.marks(y) & wanted) << "row " << row;
        // The pixel row shows the changed row.
        const auto [first, end] = ChangeMap::rowsAtPixel(y, kRows, kPixels);
        ASSERT_TRUE(first <= row && row < end);
    }

    // One lone change among a million still marks exactly the pixel it falls on.
    QList<DiffLine> single = unchangedRows(kRows);
    setRow(single, 500'000, DiffLineType::removed);
    const ChangeMap lone(ChangeRuns::find(single), kPixels);
    std::vector<std::uint8_t> expected(kPixels, ChangeMap::none);
    expected[350] = ChangeMap::removed;
    EXPECT_EQ(marksOf(lone), expected);
    // The last row is at the bottom.
    EXPECT_EQ(ChangeMap::pixelsOfRows(kRows - 1, kRows, kRows, kPixels), (std::pair<int, int>(699, 700)));
    EXPECT_EQ(ChangeMap::rowAt(699.9, kRows, kPixels), 999'857);
}

TEST(ChangeRuns, APairCountsOnceAsModifiedWhicheverHalfIsInTheRange)
{
    // unchanged, a pair, two removed then one added (one pair and a removal), unchanged, added
    QList<DiffLine> rows = unchangedRows(8);
    for (const auto& [row, type] : {std::pair{1, DiffLineType::removed},
                                    {2, DiffLineType::added},
                                    {3, DiffLineType::removed},
                                    {4, DiffLineType::removed},
                                    {5, DiffLineType::added},
                                    {7, DiffLineType::added}})
        setRow(rows, row, type);
    const ChangeRuns runs = ChangeRuns::find(rows);
    const auto counts = [&runs](qint64 first, qint64 end) {
        const ChangeRuns::Counts c = runs.countIn(first, end);
        return std::tuple(c.added, c.removed, c.modified);
    };
    EXPECT_EQ(counts(0, 8), std::tuple(1, 1, 2));
    EXPECT_EQ(counts(1, 3), std::tuple(0, 0, 1));
    EXPECT_EQ(counts(2, 3), std::tuple(0, 0, 1)); // the added half alone
    EXPECT_EQ(counts(4, 6), std::tuple(0, 1, 1));
    EXPECT_EQ(counts(6, 7), std::tuple(0, 0, 0));
}

} // namespace

TEST(ChangeRuns, BlocksSetAsideByTheOptionsAreNoChanges)
{
    CompareOptions options;
    options.ignoreBlankLines = true;
    const DiffResult result = DiffEngine::computeBoth(TextLines::share(TextLines::fromStrings({"a", "", "b", "c"})),
                                                      TextLines::share(TextLines::fromStrings({"a", "b", "d"})),
                                                      DiffOptions{{}, {}, DiffAlgorithm::automatic, true, options})
                                  ->full;
    ASSERT_EQ(result.lines().at(1).ignored(), IgnoredReason::whitespace);
    const ChangeRuns runs = ChangeRuns::find(result.lines());
    ASSERT_EQ(runs.runs().size(), 2U); // "c" against "d" only
    EXPECT_EQ(runs.runs()[0].start, 3);
    EXPECT_EQ(runs.partner(3), 4);
    EXPECT_EQ(runs.runAt(1), std::nullopt);

    // Rows made by hand, the same.
    QList<DiffLine> rows = unchangedRows(3);
    setRow(rows, 0, DiffLineType::removed);
    rows[0].setIgnored(IgnoredReason::pattern);
    setRow(rows, 2, DiffLineType::added);
    EXPECT_EQ(ChangeRuns::find(rows).runs().size(), 1U);
}
