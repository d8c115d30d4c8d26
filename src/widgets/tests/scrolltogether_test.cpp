// SPDX-License-Identifier: GPL-3.0-or-later

#include "testutil.h"
#include "widgets/diffview/changemapview.h"
#include "widgets/diffview/sidebysideview.h"

#include <QApplication>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>

using namespace varnel;

namespace {

// 400 rows; row 300 is a long line on one side only (added on the right, removed on the
// left), so only that column is wide.
DiffResult wideOn(PageSide side)
{
    QStringList narrow = test::numberedLines(400);
    QStringList wide = narrow;
    wide.insert(300, QStringLiteral("wide ").repeated(80));
    return side == PageSide::right ? test::diff(narrow, wide) : test::diff(wide, narrow);
}

void wheel(DiffColumnView* column, QPoint delta, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    const QPoint centre = column->viewport()->rect().center();
    QWheelEvent event(centre, column->viewport()->mapToGlobal(centre), QPoint(), delta, Qt::NoButton, modifiers,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(column->viewport(), &event);
}

// Scrolled by wheel, keys, scroll bar, change map or an animation, the two columns stand at
// one place while they scroll together, and each at its own while they do not.
TEST(ScrollTogether, TheColumnsStayLevelWhileTogetherAndApartOtherwise)
{
    SideBySideView view;
    view.resize(901, 300); // columns of one width: the same range sideways
    view.setResult(wideOn(PageSide::right));
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    DiffColumnView* left = view.column(PageSide::left);
    DiffColumnView* right = view.column(PageSide::right);
    EXPECT_EQ(left->horizontalScrollBar()->maximum(), 0); // its own lines are short

    // Apart, as they always were.
    wheel(left, {0, -120});
    EXPECT_GT(left->scrollPosition().y(), 0);
    EXPECT_EQ(right->scrollPosition(), QPoint(0, 0));

    // Together: the right column comes to the left's place, both as wide as the wider.
    view.setScrollTogether(true);
    QTest::qWait(1); // the scroll bars show
    EXPECT_EQ(right->scrollPosition(), left->scrollPosition());
    EXPECT_EQ(left->horizontalScrollBar()->maximum(), right->horizontalScrollBar()->maximum());
    EXPECT_GT(left->horizontalScrollBar()->maximum(), 0);
    wheel(right, {0, -240});
    wheel(right, {0, -120}, Qt::ShiftModifier);
    EXPECT_GT(right->scrollPosition().x(), 0);
    EXPECT_EQ(left->scrollPosition(), right->scrollPosition());
    QTest::keyClick(left, Qt::Key_PageDown);
    QTest::keyClick(left, Qt::Key_Right);
    EXPECT_EQ(right->scrollPosition(), left->scrollPosition());
    right->horizontalScrollBar()->setValue(right->horizontalScrollBar()->maximum());
    right->verticalScrollBar()->setValue(right->verticalScrollBar()->maximum());
    EXPECT_EQ(left->scrollPosition(), right->scrollPosition());
    left->changeMap()->onJump(100);
    EXPECT_EQ(right->scrollPosition(), left->scrollPosition());
    EXPECT_EQ(left->firstVisibleRow(), right->firstVisibleRow());

    // The focus glides both as one, led by the column that holds the added line: its end
    // comes into view in both.
    view.setFocusedRow(300);
    EXPECT_TRUE(right->isAnimating());
    EXPECT_FALSE(left->isAnimating());
    QTRY_VERIFY_WITH_TIMEOUT(!right->isAnimating(), 2000);
    EXPECT_EQ(left->scrollPosition(), right->scrollPosition());
    EXPECT_LE(std::abs(left->firstVisibleRow() + left->viewport()->height() / left->rowHeight() / 2 - 300), 1);
    EXPECT_GT(left->scrollPosition().x(), 0);
    // A new focus during a glide hands it to its own leader; a hand on the other column
    // ends it there.
    view.setFocusedRow(300);
    view.setFocusedRow(10);
    EXPECT_FALSE(right->isAnimating());
    EXPECT_TRUE(left->isAnimating());
    wheel(right, {0, -120});
    EXPECT_FALSE(left->isAnimating());
    EXPECT_EQ(right->scrollPosition(), left->scrollPosition());

    // Apart again: each column scrolls on its own and is as wide as its own lines.
    view.setScrollTogether(false);
    QTest::qWait(1);
    EXPECT_EQ(left->horizontalScrollBar()->maximum(), 0);
    const QPoint rightBefore = right->scrollPosition();
    QTest::keyClick(left, Qt::Key_End);
    EXPECT_EQ(right->scrollPosition(), rightBefore);
    EXPECT_NE(left->scrollPosition().y(), rightBefore.y());
}

// Shown anew, only the column that holds the focused line centres it; the other follows.
TEST(ScrollTogether, ShownAnewTheFocusedLinesColumnLeads)
{
    SideBySideView view;
    view.resize(901, 300);
    view.setScrollTogether(true);
    view.setResult(wideOn(PageSide::left), 300);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    DiffColumnView* left = view.column(PageSide::left);
    DiffColumnView* right = view.column(PageSide::right);
    QTRY_VERIFY_WITH_TIMEOUT(left->scrollPosition().y() > 0, 2000);
    QTest::qWait(2 * DiffCanvas::kShowCentringDelayMs); // both columns' show has passed
    EXPECT_GT(left->scrollPosition().x(), 0);
    EXPECT_EQ(left->scrollPosition(), right->scrollPosition());
}

} // namespace
