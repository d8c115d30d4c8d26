// SPDX-License-Identifier: GPL-3.0-or-later

#include "core/diffengine.h"

#include <gtest/gtest.h>

using namespace varnel;

namespace {

SharedLines repeated(qsizetype count, const QByteArray& line)
{
    TextLines lines;
    lines.reserve(count, count * line.size());
    for (qsizetype i = 0; i < count; ++i)
        lines.append(line);
    return TextLines::share(std::move(lines));
}

bool sameRow(const DiffLine& a, const DiffLine& b)
{
    return a.type() == b.type() && a.leftLineNumber() == b.leftLineNumber() &&
           a.rightLineNumber() == b.rightLineNumber() && a.leftContent() == b.leftContent() &&
           a.rightContent() == b.rightContent() && a.hiddenCount() == b.hiddenCount();
}

} // namespace

// A result costs memory per change, not per line: two copies of a long file are one run,
// and one change in the middle adds a handful.
TEST(DiffRows, ResultsStoreRunsNotRows)
{
    const SharedLines blank = repeated(1'000'000, QByteArray());
    const auto same = DiffEngine::computeBoth(blank, blank);
    ASSERT_TRUE(same);
    EXPECT_EQ(same->full.lines().size(), 1'000'000);
    EXPECT_EQ(same->full.lines().runs().size(), 1u);
    EXPECT_EQ(same->collapsed.lines().runs().size(), 1u);

    TextLines edited;
    for (qsizetype i = 0; i < 1'000'000; ++i)
        edited.append(i == 500'000 ? QByteArray("changed") : QByteArray());
    const auto one = DiffEngine::computeBoth(blank, TextLines::share(std::move(edited)));
    ASSERT_TRUE(one);
    EXPECT_EQ(one->full.lines().runs().size(), 3u); // unchanged, the change, unchanged
    EXPECT_EQ(one->full.lines().size(), 1'000'001);
    EXPECT_EQ(one->collapsed.lines().size(), 1 + 3 + 2 + 3 + 1); // placeholder, context, pair, context, placeholder
    EXPECT_EQ(one->collapsed.lines()[4].type(), DiffLineType::removed);
    EXPECT_EQ(one->collapsed.lines()[5].contentString(), "changed");
    EXPECT_EQ(one->collapsed.lines()[0].hiddenCount(), 499'997);
}

// Reading by index, forwards and backwards gives the same rows.
TEST(DiffRows, ReadingOrderDoesNotMatter)
{
    const QStringList a{"a", "b", "c", "d", "e", "f", "g", "h", "i", "j", "k"};
    const QStringList b{"a", "x", "y", "c", "d", "e", "f", "g", "h", "i", "z"};
    const DiffResult result = DiffEngine::compute(a, b, true);
    const DiffRows& rows = result.lines();
    ASSERT_GT(rows.size(), 5);

    std::vector<DiffLine> forwards(rows.begin(), rows.end());
    ASSERT_EQ(qsizetype(forwards.size()), rows.size());
    for (qsizetype k = rows.size() - 1; k >= 0; --k) {
        EXPECT_TRUE(sameRow(rows[k], forwards[size_t(k)])) << k;
        EXPECT_TRUE(sameRow(*(rows.begin() + k), forwards[size_t(k)])) << k;
    }
    EXPECT_TRUE(sameRow(rows.last(), forwards.back()));
    EXPECT_EQ(rows.end() - rows.begin(), rows.size());
}

TEST(DiffRows, HandMadeRowsAreKeptAsTheyAre)
{
    const DiffResult result({DiffLine(1, std::nullopt, "gone", DiffLineType::removed),
                             DiffLine(std::nullopt, 1, "new", DiffLineType::added)},
                            0, 0, 1);
    ASSERT_EQ(result.lines().size(), 2);
    EXPECT_EQ(result.lines()[0].contentString(), "gone");
    EXPECT_EQ(result.lines()[1].contentString(), "new");
    EXPECT_TRUE(result.lines().runs().empty());
    EXPECT_TRUE(DiffRows().isEmpty());
}
