// SPDX-License-Identifier: GPL-3.0-or-later

#include "testutil.h"
#include "widgets/diffview/changemapview.h"
#include "widgets/diffview/inlineview.h"
#include "widgets/diffview/sidebysideview.h"
#include "widgets/diffview/summarybarview.h"

#include <QSignalSpy>
#include <QTest>

using namespace varnel;
using varnel::test::over;
using varnel::test::sameColor;

namespace {

// A function moved from the top to the bottom, one of its lines edited; a line replaced
// in between.
struct Moved {
    QStringList block{"int moved_function(int value)", "{", "    return value * 2;", "}"};
    QStringList rest = test::numberedLines(8);
    DiffResult result;
    MovedBlocks moves;

    Moved()
    {
        QStringList edited = block;
        edited[2] = QStringLiteral("    return value * 3;");
        QStringList right = rest + edited;
        right[3] = QStringLiteral("replaced");
        result = test::diff(block + rest, right);
        moves = MovedBlocks::find(result);
    }

    qint64 rowOf(DiffLineType type, qint64 number) const
    {
        for (qint64 row = 0; row < result.lines().size(); ++row) {
            const DiffLine line = result.lines()[row];
            if (line.type() == type &&
                (type == DiffLineType::added ? line.rightLineNumber() : line.leftLineNumber()) == number)
                return row;
        }
        return -1;
    }
};

int rowMiddle(const DiffCanvas* canvas, qint64 index)
{
    return int(canvas->rowTop(index) - canvas->scrollPosition().y()) + canvas->rowHeight() / 2;
}

class MovedRows : public ::testing::TestWithParam<bool> {};

} // namespace

// Moved rows take the moved tint at both ends and a marker whose tooltip names the other
// end; other changes keep green and red; an edited line of the block shows what changed
// against its other end; clicking the marker asks for the other end; the summary counts
// the blocks. Both appearances, both layouts; the grabs are kept for a look.
TEST_P(MovedRows, AreTintedMarkedAndLeadToTheOtherEnd)
{
    const bool dark = GetParam();
    test::AppearanceScope appearance(dark);
    const Palette& palette = Palette::forDark(dark);
    const QColor view = palette.color(ColorRole::viewBackground);
    const double base = dark ? 0.22 : 0.12;
    const Moved moved;
    ASSERT_EQ(moved.moves.size(), 1);

    SideBySideView sides;
    sides.resize(760, 330);
    sides.setResult(moved.result);
    sides.setMoves(moved.moves);
    sides.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&sides));
    sides.grab().save(QStringLiteral("/tmp/varnel-moved-side-by-side-%1.png").arg(dark ? "dark" : "light"));
    DiffColumnView* left = sides.column(PageSide::left);
    DiffColumnView* right = sides.column(PageSide::right);
    const QImage leftImage = test::grabImage(left->viewport());
    const QImage rightImage = test::grabImage(right->viewport());
    const int textX = left->viewport()->width() - 20;
    const QColor violet = over(palette.color(ColorRole::moved, base), view);
    const qint64 removedFirst = moved.rowOf(DiffLineType::removed, 1);
    const qint64 addedFirst = moved.rowOf(DiffLineType::added, 9);
    const qint64 replacedOld = moved.rowOf(DiffLineType::removed, 8);
    const qint64 replacedNew = moved.rowOf(DiffLineType::added, 4);
    EXPECT_TRUE(sameColor(leftImage.pixelColor(textX, rowMiddle(left, removedFirst)), violet));
    EXPECT_TRUE(sameColor(rightImage.pixelColor(textX, rowMiddle(right, addedFirst)), violet));
    EXPECT_TRUE(sameColor(leftImage.pixelColor(textX, rowMiddle(left, replacedOld)),
                          over(palette.color(ColorRole::red, base), view)));
    EXPECT_TRUE(sameColor(rightImage.pixelColor(textX, rowMiddle(right, replacedNew)),
                          over(palette.color(ColorRole::green, base), view)));

    EXPECT_EQ(left->toolTipAt(QPoint(4, rowMiddle(left, removedFirst))), "Moved to line 9");
    EXPECT_EQ(right->toolTipAt(QPoint(30, rowMiddle(right, addedFirst))), "Moved from line 1");
    EXPECT_EQ(left->toolTipAt(QPoint(4, rowMiddle(left, replacedOld))), "");
    EXPECT_EQ(left->moveMarkerAt(QPoint(4, rowMiddle(left, removedFirst))), removedFirst);
    EXPECT_FALSE(left->moveMarkerAt(QPoint(textX, rowMiddle(left, removedFirst))));
    QSignalSpy clicked(right, &DiffCanvas::moveMarkerClicked);
    QTest::mouseClick(right->viewport(), Qt::LeftButton, {}, QPoint(4, rowMiddle(right, addedFirst)));
    ASSERT_EQ(clicked.count(), 1);
    EXPECT_EQ(clicked[0][0].toLongLong(), addedFirst);

    // The edited line's spans: "2" against "3", from either end.
    RowPainter& painter = const_cast<RowPainter&>(left->rowPainter());
    const QList<TextSpan> spans = painter.changedSpans(moved.rowOf(DiffLineType::added, 11));
    ASSERT_EQ(spans.size(), 1);
    EXPECT_EQ(spans[0].start, 19);
    EXPECT_EQ(painter.changedSpans(moved.rowOf(DiffLineType::removed, 3)).size(), 1);
    EXPECT_TRUE(painter.changedSpans(moved.rowOf(DiffLineType::removed, 4)).isEmpty());

    // The change map gives moves their own mark; no moves, no marks of theirs.
    const ChangeMap& map = left->changeMap()->changeMap();
    bool violetMark = false;
    for (int y = 0; y < map.pixels(); ++y)
        violetMark = violetMark || (map.marks(y) & ChangeMap::moved);
    EXPECT_TRUE(violetMark);

    InlineView inlineView;
    inlineView.resize(640, 330);
    inlineView.setResult(moved.result);
    inlineView.setMoves(moved.moves);
    inlineView.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&inlineView));
    inlineView.grab().save(QStringLiteral("/tmp/varnel-moved-inline-%1.png").arg(dark ? "dark" : "light"));
    const QImage inlineImage = test::grabImage(inlineView.viewport());
    EXPECT_TRUE(
        sameColor(inlineImage.pixelColor(inlineImage.width() - 20, rowMiddle(&inlineView, addedFirst)), violet));
    const int marker = int(InlineView::kMarkerWidth) + 1 + 4;
    EXPECT_EQ(inlineView.toolTipAt(QPoint(marker, rowMiddle(&inlineView, removedFirst))), "Moved to line 9");

    // Turned off: green and red again, no marker.
    sides.setMoves({});
    EXPECT_TRUE(sameColor(test::grabImage(left->viewport()).pixelColor(textX, rowMiddle(left, removedFirst)),
                          over(palette.color(ColorRole::red, base), view)));
    EXPECT_EQ(left->toolTipAt(QPoint(4, rowMiddle(left, removedFirst))), "");
    test::grabImage(left->changeMap()); // the marks are worked out as the map is drawn
    const ChangeMap& plain = left->changeMap()->changeMap();
    for (int y = 0; y < plain.pixels(); ++y)
        EXPECT_FALSE(plain.marks(y) & ChangeMap::moved);

    SummaryBarView bar;
    bar.setResult(moved.result);
    bar.setMovedCount(3);
    EXPECT_EQ(bar.badgeTexts().last(), "\u21C53");
    EXPECT_EQ(bar.toolTipAt(bar.badgeRects().last().center()), "3 moved blocks");
    EXPECT_TRUE(bar.accessibleName().endsWith("3 moved blocks"));
    bar.setCounts(1, 1, 1, 2);
    EXPECT_EQ(bar.badgeTexts()[3], "\u21C53");
    EXPECT_EQ(bar.toolTipAt(bar.badgeRects()[3].center()), "3 moved blocks");
    bar.setMovedCount(0);
    EXPECT_FALSE(bar.badgeTexts().join("").contains(u'\u21C5'));
}

INSTANTIATE_TEST_SUITE_P(LightAndDark, MovedRows, ::testing::Values(false, true),
                         [](const auto& param) { return param.param ? "dark" : "light"; });
