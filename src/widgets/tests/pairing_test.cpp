// SPDX-License-Identifier: GPL-3.0-or-later

#include "testutil.h"
#include "widgets/diffview/changemapview.h"
#include "widgets/diffview/sidebysideview.h"

#include <QScrollBar>
#include <QTest>

using namespace varnel;

namespace {

// 60 lines, of which line 3 is rewritten long (a pair), lines 20 and 21 become one line
// (a pair, then line 21 on its own), and a line is added after line 40 (on its own).
struct Edits {
    QStringList left = test::numberedLines(60);
    QStringList right;
    Edits()
    {
        right = left;
        right[2] = QStringLiteral("line 3 rewritten ") + QStringLiteral("at length ").repeated(30);
        right[19] = QStringLiteral("lines 20 and 21");
        right.removeAt(20);
        right.insert(39, QStringLiteral("new line"));
    }
};

void show(QWidget& view, QSize size)
{
    view.resize(size);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    QTest::qWait(1);
}

qint64 rowOf(const DiffResult& result, DiffLineType type, const QString& text)
{
    for (qint64 row = 0; row < result.lines().size(); ++row) {
        const DiffLine line = result.lines()[row];
        if (line.type() == type && line.contentString() == text)
            return row;
    }
    return -1;
}

} // namespace

// A removed line and the line it became stand on one row, old left and new right; a line
// without a partner faces a filler; focus on either half outlines that one row in both
// columns; each column copies its own file's lines.
TEST(Pairing, AChangedLineStandsOnOneRowWithItsNewText)
{
    const Edits edits;
    const DiffResult result = test::diff(edits.left, edits.right);
    SideBySideView view;
    view.setResult(result);
    DiffColumnView* left = view.column(PageSide::left);
    DiffColumnView* right = view.column(PageSide::right);
    const qint64 rows = left->rowCount();
    view.setPairing(true);
    show(view, {1000, 500});
    ASSERT_TRUE(view.isPairing());
    EXPECT_EQ(left->rowCount(), rows - 2); // two pairs
    EXPECT_EQ(right->rowCount(), left->rowCount());

    const qint64 removed = rowOf(result, DiffLineType::removed, QStringLiteral("line 3"));
    const qint64 added = rowOf(result, DiffLineType::added, edits.right[2]);
    const qint64 shown = 2;
    EXPECT_EQ(left->rowPainter().shown().shownRowOf(added), shown);
    EXPECT_EQ(left->shownRow(shown).index, removed);
    EXPECT_EQ(right->shownRow(shown).index, added);
    // Line 21 was joined into 20's row: it has no partner and faces a filler.
    const qint64 alone = rowOf(result, DiffLineType::removed, QStringLiteral("line 21"));
    const qint64 aloneShown = left->rowPainter().shown().shownRowOf(alone);
    EXPECT_FALSE(left->shownRow(aloneShown).empty);
    EXPECT_TRUE(right->shownRow(aloneShown).empty);

    for (const qint64 focus : {added, removed}) {
        view.setFocusedRow(focus);
        EXPECT_TRUE(left->shownRow(shown).focused && right->shownRow(shown).focused) << focus;
        EXPECT_FALSE(left->shownRow(shown + 1).focused);
    }
    view.setFocusedRow(alone);
    EXPECT_TRUE(left->shownRow(aloneShown).focused);
    EXPECT_FALSE(right->shownRow(aloneShown).focused); // a filler is never outlined

    for (DiffColumnView* column : {left, right}) {
        column->selectAll();
        EXPECT_EQ(column->selectedText(), (column == left ? edits.left : edits.right).join(QLatin1Char('\n')));
        column->clearSelection();
    }

    view.setPairing(false); // off again: every line on its own row
    EXPECT_EQ(left->rowCount(), rows);
}

// Wrapped, a paired row is as tall as the taller of its two lines, in both columns, and
// the rows below stand under it.
TEST(Pairing, AWrappedPairedRowIsAsTallAsItsTallerSide)
{
    const Edits edits;
    const DiffResult result = test::diff(edits.left, edits.right);
    SideBySideView view;
    view.setResult(result);
    view.setPairing(true);
    view.setWrapping(true);
    show(view, {900, 500});
    DiffColumnView* left = view.column(PageSide::left);
    DiffColumnView* right = view.column(PageSide::right);
    const RowPainter& rows = left->rowPainter();
    ASSERT_TRUE(rows.isWrapping());
    const qint64 added = rowOf(result, DiffLineType::added, edits.right[2]);
    const RowText* text = rows.cache().peek(added);
    ASSERT_TRUE(text);
    EXPECT_GT(text->lines, 2);
    EXPECT_EQ(left->heightOfRow(2), rows.metrics().heightOfLines(text->lines)); // "line 3" takes one
    EXPECT_EQ(right->heightOfRow(2), left->heightOfRow(2));
    EXPECT_EQ(left->rowTop(3), left->rowTop(2) + left->heightOfRow(2));
    EXPECT_EQ(right->rowTop(10), left->rowTop(10));
}

// A match in the right half of a paired row far down brings that row into view in both
// columns, and the painter marks it on the right only.
TEST(Pairing, AMatchInTheNewHalfOfAPairLandsOnItsRow)
{
    QStringList left = test::numberedLines(400);
    QStringList right = left;
    right[300] = QStringLiteral("line 301 needle");
    const DiffResult result = test::diff(left, right);
    const qint64 added = rowOf(result, DiffLineType::added, right[300]);
    for (const bool together : {false, true}) {
        SideBySideView view;
        view.setResult(result);
        view.setPairing(true);
        view.setScrollTogether(together);
        show(view, {900, 400});
        const TextSpan span{9, 6};
        view.setFind(TextMatcher(QStringLiteral("needle"), Qt::CaseInsensitive),
                     RowPainter::FindMark{added, span, PageSide::right});
        view.revealMatch(added, span, PageSide::right);
        QTest::qWait(DiffCanvas::kFocusAnimationMs + 100);
        for (const PageSide side : {PageSide::left, PageSide::right}) {
            DiffColumnView* column = view.column(side);
            const qint64 shown = column->rowPainter().shown().shownRowOf(added);
            EXPECT_EQ(shown, 300);
            const qint64 top = column->verticalScrollBar()->value();
            EXPECT_GE(column->rowTop(shown), top) << together;
            EXPECT_LE(column->rowTop(shown) + column->heightOfRow(shown), top + column->viewport()->height());
        }
        EXPECT_EQ(view.column(PageSide::right)->shownRow(300).index, added);
    }
}

// The change map marks a pair's row as both removed and added, and names both its lines.
TEST(Pairing, TheChangeMapPlacesAPairOnItsRow)
{
    SideBySideView view;
    view.setResult(test::diff({"a", "b", "c", "d"}, {"a", "B", "C", "d"})); // two pairs
    view.setPairing(true);
    show(view, {900, 400});
    ChangeMapView* map = view.column(PageSide::left)->changeMap();
    const int row = view.column(PageSide::left)->rowHeight();
    ASSERT_EQ(map->mapHeight(), 4 * row);
    const auto marksAt = [&](int y) { return map->changeMap().marks(int(y * map->devicePixelRatioF())); };
    EXPECT_EQ(marksAt(row + row / 2), ChangeMap::added | ChangeMap::removed);
    EXPECT_EQ(marksAt(2 * row + row / 2), ChangeMap::added | ChangeMap::removed);
    EXPECT_EQ(marksAt(3 * row + row / 2), ChangeMap::none);
    EXPECT_EQ(map->toolTipAt(row + row / 2), QStringLiteral("Line 2 on the left, line 2 on the right\n1 modified"));
}

// Looked at by eye: a paired row, one facing a filler and the focused pair, light and dark.
TEST(Pairing, RendersInBothAppearances)
{
    const Edits edits;
    for (const bool dark : {false, true}) {
        test::AppearanceScope scope(dark);
        SideBySideView view;
        const DiffResult result = test::diff(edits.left, edits.right);
        view.setResult(result, rowOf(result, DiffLineType::added, QStringLiteral("lines 20 and 21")));
        view.setPairing(true);
        show(view, {1000, 520});
        view.centreFocus();
        QTest::qWait(1);
        view.grab().save(QStringLiteral("/tmp/varnel-paired-%1.png").arg(dark ? "dark" : "light"));
        view.setWrapping(true);
        view.column(PageSide::left)->setScrollPosition({0, 0});
        QTest::qWait(1);
        view.grab().save(QStringLiteral("/tmp/varnel-paired-wrapped-%1.png").arg(dark ? "dark" : "light"));
    }
}
