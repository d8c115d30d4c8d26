// SPDX-License-Identifier: GPL-3.0-or-later

#include "reading/rowheights.h"
#include "reading/scrollscale.h"

#include <gtest/gtest.h>

#include <new>
#include <random>

using namespace varnel;

namespace {

// Tops, rows at heights and corrections against a plain list of heights, on sizes that
// end inside a block and on block edges.
TEST(RowHeights, AgreesWithPlainSumsThroughCorrections)
{
    std::mt19937 random(7);
    for (qint64 rows : {1, 15, 16, 17, 1000}) {
        std::vector<int> lines(static_cast<std::size_t>(rows));
        for (int& each : lines)
            each = int(random() % 5) + 1;
        RowHeights heights;
        heights.reset(rows, 20, 15, [&](qint64 row) { return lines[std::size_t(row)]; });
        for (int change = 0; change < 200; ++change) {
            const auto row = qint64(random() % std::uint64_t(rows));
            const int now = int(random() % 9) + 1;
            EXPECT_EQ(heights.setMeasured(row, now), now != lines[std::size_t(row)]);
            lines[std::size_t(row)] = now;
            EXPECT_TRUE(heights.isMeasured(row));
        }
        qint64 top = 0;
        for (qint64 row = 0; row < rows; ++row) {
            ASSERT_EQ(heights.top(row), top) << rows << " rows, row " << row;
            if (row >= 3) {
                EXPECT_EQ(heights.topAfter(row, row - 3, heights.top(row - 3)), top);
            }
            const qint64 height = 20 + qint64(lines[std::size_t(row)] - 1) * 15;
            EXPECT_EQ(heights.rowAt(top), row);
            EXPECT_EQ(heights.rowAt(top + height - 1), row);
            top += height;
        }
        EXPECT_EQ(heights.totalHeight(), top);
        EXPECT_EQ(heights.rowAt(top + 100), rows - 1);
        EXPECT_EQ(heights.rowAt(-5), 0);
    }
}

// Rows measured below the top row change nothing above it; the anchor keeps the top row
// where it was when rows above it change.
TEST(RowHeights, AnchorHoldsTheTopRowThroughCorrections)
{
    RowHeights heights;
    heights.reset(100, 20, 16, [](qint64) { return 3; });
    EXPECT_FALSE(heights.isMeasured(40));
    const RowHeights::Anchor anchor = heights.anchorAt(heights.top(40) + 7);
    EXPECT_EQ(anchor.row, 40);
    EXPECT_EQ(anchor.offset, 7);
    heights.setMeasured(10, 1);
    heights.setMeasured(60, 9);
    EXPECT_EQ(heights.position(anchor), heights.top(40) + 7);
    EXPECT_EQ(heights.top(40), 40 * (20 + 2 * 16) - 2 * 16);
}

TEST(RowHeights, EstimatesAtLeastOneLineAndNeverMoreThanTheLimit)
{
    EXPECT_EQ(RowHeights::estimateLines(0, 80), 1);
    EXPECT_EQ(RowHeights::estimateLines(80, 80.5), 1);
    EXPECT_EQ(RowHeights::estimateLines(81, 80.5), 2);
    EXPECT_EQ(RowHeights::estimateLines(400, 0.5), 1); // no room: one line, never divide by nothing
    EXPECT_EQ(RowHeights::estimateLines(qint64(1) << 40, 10), RowHeights::kMaxLines);
    RowHeights heights;
    heights.reset(2, 20, 15, [](qint64) { return 1 << 20; });
    EXPECT_EQ(heights.lines(0), RowHeights::kMaxLines);
}

// Running out of memory while estimating keeps the heights there were, rows and sums.
TEST(RowHeights, AFailedResetKeepsTheOldHeights)
{
    RowHeights heights;
    heights.reset(40, 20, 15, [](qint64) { return 2; });
    EXPECT_THROW(heights.reset(1000, 30, 15,
                               [](qint64 row) {
                                   if (row == 500)
                                       throw std::bad_alloc();
                                   return 3;
                               }),
                 std::bad_alloc);
    EXPECT_EQ(heights.rowCount(), 40);
    EXPECT_EQ(heights.totalHeight(), 40 * 35);
    EXPECT_EQ(heights.top(39), 39 * 35);
}

// Within an int, a step is a pixel. Past it, the fewest pixels a step that keep the bar
// within its limit: every pixel maps to a step that stands at most one step's pixels
// before it, steps never go back, and the last step stands for the very end.
TEST(ScrollScale, AHugeRangeIsScaledSoItsEndIsReached)
{
    const ScrollScale small(1000);
    EXPECT_EQ(small.pixelsPerStep(), 1);
    EXPECT_EQ(small.steps(), 1000);
    EXPECT_EQ(small.toSteps(437), 437);
    EXPECT_EQ(small.toPixels(437), 437);
    EXPECT_EQ(ScrollScale(INT_MAX).pixelsPerStep(), 1);
    EXPECT_EQ(ScrollScale(-5).steps(), 0);
    for (const qint64 pixels : {qint64(INT_MAX) + 1, qint64(3) * INT_MAX + 5, qint64(1) << 40, qint64(1001)}) {
        const qint64 limit = pixels == 1001 ? 100 : INT_MAX;
        const ScrollScale scale(pixels, limit);
        EXPECT_GT(scale.pixelsPerStep(), 1) << pixels;
        EXPECT_LE(scale.steps(), limit) << pixels;
        EXPECT_EQ(scale.toSteps(pixels), scale.steps()) << pixels;
        EXPECT_EQ(scale.toPixels(scale.steps()), pixels) << pixels;
        EXPECT_EQ(scale.toSteps(pixels + 99), scale.steps()) << pixels;
        EXPECT_EQ(scale.toSteps(-3), 0) << pixels;
        int before = 0;
        for (const qint64 pixel : {qint64(0), qint64(1), pixels / 3, pixels / 2 + 7, pixels - 1}) {
            const int step = scale.toSteps(pixel);
            EXPECT_GE(step, before) << pixel;
            EXPECT_LE(scale.toPixels(step), pixel) << pixel;
            EXPECT_LT(pixel - scale.toPixels(step), scale.pixelsPerStep()) << pixel;
            before = step;
        }
    }
}

} // namespace
