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
// left), so only that column is wide. The columns are of one width.
void show(SideBySideView& view, PageSide wide, std::optional<qint64> focus = std::nullopt)
{
    QStringList narrow = test::numberedLines(400);
    QStringList lines = narrow;
    lines.insert(300, QStringLiteral("wide ").repeated(80));
    view.setResult(wide == PageSide::right ? test::diff(narrow, lines) : test::diff(lines, narrow), focus);
    view.resize(901, 300);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
}

void wheel(DiffColumnView* column, QPoint delta, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    const QPoint centre = column->viewport()->rect().center();
    QWheelEvent event(centre, column->viewport()->mapToGlobal(centre), QPoint(), delta, Qt::NoButton, modifiers,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(column->viewport(), &event);
}

// Scrolled by wheel, keys, scroll bar, change map or a glide, the two columns stand at one
// place while they scroll together, and each at its own while they do not.
TEST(ScrollTogether, TheColumnsStayLevelWhileTogetherAndApartOtherwise)
{
    SideBySideView view;
    show(view, PageSide::right);
    DiffColumnView* left = view.column(PageSide::left);
    DiffColumnView* right = view.column(PageSide::right);
    EXPECT_EQ(left->horizontalScrollBar()->maximum(), 0); // its own lines are short
    wheel(left, {0, -120});
    EXPECT_EQ(right->scrollPosition(), QPoint(0, 0));

    // Together: the right column comes to the left's place, both as wide as the wider.
    view.setScrollTogether(true);
    QTest::qWait(1); // the scroll bars show
    EXPECT_EQ(right->scrollPosition(), left->scrollPosition());
    EXPECT_EQ(left->horizontalScrollBar()->maximum(), right->horizontalScrollBar()->maximum());
    wheel(right, {0, -240});
    wheel(right, {0, -120}, Qt::ShiftModifier);
    EXPECT_GT(right->scrollPosition().x(), 0);
    EXPECT_EQ(left->scrollPosition(), right->scrollPosition());
    QTest::keyClick(left, Qt::Key_PageDown);
    QTest::keyClick(left, Qt::Key_Right);
    EXPECT_EQ(right->scrollPosition(), left->scrollPosition());
    right->verticalScrollBar()->setValue(right->verticalScrollBar()->maximum());
    EXPECT_EQ(left->scrollPosition(), right->scrollPosition());
    left->changeMap()->onJump(100);
    EXPECT_EQ(right->scrollPosition(), left->scrollPosition());

    // The focus glides both as one, led by the column that holds the added line.
    view.setFocusedRow(300);
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

    // Shown anew, only the column that holds the focused line centres it; the other follows.
    SideBySideView shown;
    shown.setScrollTogether(true);
    show(shown, PageSide::left, 300);
    QTRY_VERIFY_WITH_TIMEOUT(shown.column(PageSide::left)->scrollPosition().y() > 0, 2000);
    QTest::qWait(2 * DiffCanvas::kShowCentringDelayMs); // both columns' show has passed
    EXPECT_GT(shown.column(PageSide::left)->scrollPosition().x(), 0);
    EXPECT_EQ(shown.column(PageSide::left)->scrollPosition(), shown.column(PageSide::right)->scrollPosition());
}

// On a width the columns share unevenly (a pixel apart), both scroll sideways exactly as
// far: either one at its end brings the other to its end.
TEST(ScrollTogether, UnevenColumnsScrollSidewaysAlike)
{
    for (const int width : {902, 1000}) {
        for (const PageSide wide : {PageSide::left, PageSide::right}) {
            SideBySideView view;
            show(view, wide);
            view.resize(width, 300);
            view.setScrollTogether(true);
            QTest::qWait(1);
            DiffColumnView* left = view.column(PageSide::left);
            DiffColumnView* right = view.column(PageSide::right);
            ASSERT_NE(left->viewport()->width(), right->viewport()->width()) << width;
            EXPECT_EQ(left->horizontalScrollBar()->maximum(), right->horizontalScrollBar()->maximum()) << width;
            for (DiffColumnView* column : {left, right}) {
                column->horizontalScrollBar()->setValue(column->horizontalScrollBar()->maximum());
                EXPECT_EQ(left->scrollPosition(), right->scrollPosition()) << width;
                column->horizontalScrollBar()->setValue(0);
            }
        }
    }
}

} // namespace
