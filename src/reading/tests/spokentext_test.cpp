// SPDX-License-Identifier: GPL-3.0-or-later

#include "core/diffengine.h"
#include "reading/spokentext.h"

#include <gtest/gtest.h>

using namespace varnel;

namespace {

// Rows 0..: a (same), b→B and c→C paired with d removed, e (same), f added.
DiffResult sample(bool collapse = false)
{
    return DiffEngine::compute(QStringList{"a", "b", "c", "d", "e", "x1", "x2", "x3", "x4", "x5", "x6", "x7", "x8"},
                               QStringList{"a", "B", "C", "e", "f", "x1", "x2", "x3", "x4", "x5", "x6", "x7", "x8"},
                               collapse);
}

qint64 rowWith(const DiffRows& rows, DiffLineType type, const char* text)
{
    for (qint64 row = 0; row < rows.size(); ++row)
        if (rows[row].type() == type && rows[row].content() == QUtf8StringView(text))
            return row;
    ADD_FAILURE() << "no row " << text;
    return 0;
}

SpokenPlace at(PageSide side, bool filler = false, std::optional<qint64> partner = std::nullopt)
{
    return {side, filler, partner};
}

} // namespace

TEST(SpokenTextTest, RowsSayTheirLineTheirKindAndTheirText)
{
    const DiffResult result = sample();
    const DiffRows& rows = result.lines();
    const DiffLine removed = rows[rowWith(rows, DiffLineType::removed, "d")];
    const DiffLine added = rows[rowWith(rows, DiffLineType::added, "f")];
    const DiffLine same = rows[rowWith(rows, DiffLineType::unchanged, "e")];
    EXPECT_EQ(spokenRow(removed, at(PageSide::left)), "Line 4, removed: d");
    EXPECT_EQ(spokenRow(added, at(PageSide::right)), "Line 5, added: f");
    // An unchanged line gives the number in the column's own file.
    EXPECT_EQ(spokenRow(same, at(PageSide::left)), "Line 5: e");
    EXPECT_EQ(spokenRow(same, at(PageSide::right)), "Line 4: e");
    // A column showing the other side's line says so, with that line's number.
    EXPECT_EQ(spokenRow(added, at(PageSide::left, true)), "No line here: line 5 added on the right");
    EXPECT_EQ(spokenRow(removed, at(PageSide::right, true)), "No line here: line 4 removed on the left");
    // The halves of a replacement name each other.
    const DiffLine old = rows[rowWith(rows, DiffLineType::removed, "b")];
    EXPECT_EQ(spokenRow(old, at(PageSide::left, false, 2)), "Line 2, changed to line 2, old text: b");
    const DiffLine now = rows[rowWith(rows, DiffLineType::added, "C")];
    EXPECT_EQ(spokenRow(now, at(PageSide::right, false, 3)), "Line 3, changed from line 3, new text: C");
    // An empty line is said to be blank rather than nothing at all.
    EXPECT_EQ(spokenRow(DiffLine(7, std::nullopt, "", DiffLineType::removed), at(PageSide::left)),
              "Line 7, removed: blank");

    // Rows the compare options marked say why they are no change.
    DiffLine spaced(3, 4, "x  y", "x y", DiffLineType::unchanged);
    spaced.setIgnored(IgnoredReason::whitespace);
    EXPECT_EQ(spokenRow(spaced, at(PageSide::right)), "Line 4, differs only in white space: x y");
    DiffLine blank(8, std::nullopt, "", DiffLineType::removed);
    blank.setIgnored(IgnoredReason::whitespace);
    EXPECT_EQ(spokenRow(blank, at(PageSide::left)), "Line 8, blank line, ignored: blank");
    DiffLine cased(2, 2, "A", "a", DiffLineType::unchanged);
    cased.setIgnored(IgnoredReason::letterCase);
    EXPECT_EQ(spokenRow(cased, at(PageSide::left)), "Line 2, differs only in letter case: A");

    // Placeholders count their lines, in the singular for one.
    const DiffResult collapsed = sample(true);
    qint64 hidden = -1;
    for (qint64 row = 0; row < collapsed.lines().size(); ++row)
        if (collapsed.lines()[row].type() == DiffLineType::contextCollapsed)
            hidden = row;
    ASSERT_GE(hidden, 0);
    const qint64 count = *collapsed.lines()[hidden].hiddenCount();
    EXPECT_EQ(spokenRow(collapsed.lines()[hidden], at(PageSide::right)),
              QString::number(count) + " unchanged lines hidden");
    EXPECT_EQ(spokenRow(DiffLine(1, 1, {}, DiffLineType::contextCollapsed, 1), at(PageSide::right)),
              "1 unchanged line hidden");
    EXPECT_EQ(hiddenLinesText(3'000'000'000), "3000000000 unchanged lines hidden");
}

TEST(SpokenTextTest, AChangeIsNumberedAsTheToolbarCountsAndDescribesItsWholeBlock)
{
    const DiffResult result = sample();
    const DiffRows& rows = result.lines();
    const ChangeRuns runs = ChangeRuns::find(rows);
    // b, c, d removed and B, C added form one block, f added the other.
    ASSERT_EQ(changeCount(runs), 6);
    const std::vector<ChangeBlock> blocks = changeBlocks(runs);
    ASSERT_EQ(blocks.size(), 2U);
    EXPECT_EQ(blocks[0].number, 1);
    EXPECT_EQ(blocks[0].removed, 3);
    EXPECT_EQ(blocks[0].added, 2);
    EXPECT_EQ(blocks[1].number, 6);
    EXPECT_EQ(blocks[1].added, 1);
    // Every row of a block finds that block, whether it is paired or not; others none.
    qint64 number = 0;
    for (qint64 row = 0; row < rows.size(); ++row) {
        const std::optional<ChangeBlock> block = changeBlockAt(runs, row);
        const bool changed = rows[row].type() == DiffLineType::added || rows[row].type() == DiffLineType::removed;
        ASSERT_EQ(block.has_value(), changed) << row;
        if (!changed)
            continue;
        ++number;
        const ChangeBlock& expected = number <= 5 ? blocks[0] : blocks[1];
        EXPECT_EQ(block->firstRow, expected.firstRow) << row;
        EXPECT_EQ(block->removed, expected.removed) << row;
        EXPECT_EQ(block->added, expected.added) << row;
    }
    EXPECT_EQ(changeAnnouncement(3, 17, ChangeBlock{1, 0, 2, 1}), "Change 3 of 17: 2 lines removed, 1 added");
    EXPECT_EQ(changeAnnouncement(1, 1, ChangeBlock{1, 0, 1, 0}), "Change 1 of 1: 1 line removed");
    EXPECT_EQ(changeAnnouncement(6, 6, blocks[1]), "Change 6 of 6: 1 line added");
    EXPECT_EQ(changeAnnouncement(2, 4, ChangeBlock{1, 0, 1, 4}), "Change 2 of 4: 1 line removed, 4 added");

    // Rows made one side after the other: a removed run then an added run, one block.
    QList<DiffLine> byHand{
        DiffLine(1, 1, "s", DiffLineType::unchanged), DiffLine(2, std::nullopt, "r", DiffLineType::removed),
        DiffLine(std::nullopt, 2, "n", DiffLineType::added), DiffLine(std::nullopt, 3, "m", DiffLineType::added)};
    const ChangeRuns handRuns = ChangeRuns::find(DiffRows(byHand));
    const std::optional<ChangeBlock> last = changeBlockAt(handRuns, 3);
    ASSERT_TRUE(last);
    EXPECT_EQ(last->number, 1);
    EXPECT_EQ(last->removed, 1);
    EXPECT_EQ(last->added, 2);
}

TEST(SpokenTextTest, EntriesOfTheChangeListQuoteEachSideAndCutLongTextShort)
{
    const DiffResult result = sample();
    const ChangeRuns runs = ChangeRuns::find(result.lines());
    const std::vector<ChangeBlock> blocks = changeBlocks(runs);
    ASSERT_EQ(blocks.size(), 2U);
    EXPECT_EQ(changeEntryText(result.lines(), blocks[0]),
              "Lines 2 to 4 removed: b / c / d; added at lines 2 to 3: B / C");
    EXPECT_EQ(changeEntryText(result.lines(), blocks[1]), "Line 5 added: f");

    const QString longLine(300, QChar('w'));
    const DiffResult wide =
        DiffEngine::compute(QStringList{"k", "old"}, QStringList{"k", longLine, "more", "", "end"}, false);
    const std::vector<ChangeBlock> wideBlocks = changeBlocks(ChangeRuns::find(wide.lines()));
    ASSERT_EQ(wideBlocks.size(), 1U);
    const QString entry = changeEntryText(wide.lines(), wideBlocks[0]);
    EXPECT_EQ(entry, "Line 2 removed: old; added at lines 2 to 5: " + longLine.left(kQuotedTextLength) + QChar(0x2026));

    const DiffResult blank = DiffEngine::compute(QStringList{"k", ""}, QStringList{"k"}, false);
    const std::vector<ChangeBlock> blankBlocks = changeBlocks(ChangeRuns::find(blank.lines()));
    ASSERT_EQ(blankBlocks.size(), 1U);
    EXPECT_EQ(changeEntryText(blank.lines(), blankBlocks[0]), "Line 2 removed: blank");
}
