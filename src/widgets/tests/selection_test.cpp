// SPDX-License-Identifier: GPL-3.0-or-later

#include "testutil.h"
#include "widgets/diffview/inlineview.h"
#include "widgets/diffview/sidebysideview.h"

#include <QClipboard>
#include <QMenu>
#include <QTest>

using namespace varnel;

namespace {

// The viewport point before character `column` of row `row`.
QPoint pointAt(DiffCanvas* view, const RowPainter& rows, qint64 row, int column)
{
    const int x = int(rows.textStart() + column * rows.metrics().advance) - view->scrollPosition().x();
    const int y = int(row * view->rowHeight() + view->rowHeight() / 2) - view->scrollPosition().y();
    return {x, y};
}

void drag(QWidget* viewport, QPoint from, QPoint to)
{
    QTest::mousePress(viewport, Qt::LeftButton, Qt::NoModifier, from);
    QMouseEvent move(QEvent::MouseMove, QPointF(to), viewport->mapToGlobal(QPointF(to)), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(viewport, &move);
    QTest::mouseRelease(viewport, Qt::LeftButton, Qt::NoModifier, to);
}

class Selection : public ::testing::Test {
protected:
    void SetUp() override
    {
        QStringList left{QStringLiteral("alpha beta_gamma delta"), QStringLiteral("second line"),
                         QStringLiteral("third")};
        QStringList right = left;
        right[1] = QStringLiteral("changed line");
        view.resize(900, 300);
        view.setResult(test::diff(left, right));
        view.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
        QGuiApplication::clipboard()->clear();
    }

    const RowPainter& painter() const { return view.column(PageSide::left)->rowPainter(); }

    SideBySideView view;
};

TEST_F(Selection, DraggingSelectsAndCtrlCCopies)
{
    DiffColumnView* left = view.column(PageSide::left);
    const RowPainter& rows = painter();
    drag(left->viewport(), pointAt(left, rows, 0, 6), pointAt(left, rows, 0, 16));
    EXPECT_EQ(left->selectedText(), QStringLiteral("beta_gamma"));
    QTest::keyClick(left, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("beta_gamma"));

    // Across rows of one column: fillers add nothing, lines are joined by line breaks.
    drag(left->viewport(), pointAt(left, rows, 0, 17), pointAt(left, rows, 3, 3));
    EXPECT_EQ(left->selectedText(), QStringLiteral("delta\nsecond line\nthi"));
    // A plain click clears it.
    QTest::mouseClick(left->viewport(), Qt::LeftButton, Qt::NoModifier, pointAt(left, rows, 0, 2));
    EXPECT_EQ(left->selectedText(), QString());
}

TEST_F(Selection, DoubleClickSelectsAWordAndTripleClickTheLine)
{
    DiffColumnView* right = view.column(PageSide::right);
    const RowPainter& rows = painter();
    const QPoint inWord = pointAt(right, rows, 0, 9);
    QTest::mouseDClick(right->viewport(), Qt::LeftButton, Qt::NoModifier, inWord);
    EXPECT_EQ(right->selectedText(), QStringLiteral("beta_gamma"));
    QTest::mousePress(right->viewport(), Qt::LeftButton, Qt::NoModifier, inWord);
    QTest::mouseRelease(right->viewport(), Qt::LeftButton, Qt::NoModifier, inWord);
    EXPECT_EQ(right->selectedText(), QStringLiteral("alpha beta_gamma delta"));
    // A double-click on a filler selects nothing.
    QTest::mouseDClick(right->viewport(), Qt::LeftButton, Qt::NoModifier, pointAt(right, rows, 1, 2));
    EXPECT_EQ(right->selectedText(), QString());
}

TEST_F(Selection, TheContextMenuOffersCopy)
{
    DiffColumnView* left = view.column(PageSide::left);
    std::unique_ptr<QMenu> menu = left->makeContextMenu();
    ASSERT_EQ(menu->actions().size(), 1);
    QAction* copy = menu->actions().front();
    EXPECT_EQ(copy->text(), QStringLiteral("Copy"));
    EXPECT_FALSE(copy->isEnabled());

    left->setSelection({1, 0}, {1, 6});
    menu = left->makeContextMenu();
    copy = menu->actions().front();
    EXPECT_TRUE(copy->isEnabled());
    copy->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("second"));
}

TEST(InlineSelection, SelectsThroughTheMarkerColumn)
{
    InlineView view;
    view.resize(700, 200);
    view.setResult(test::diff({QStringLiteral("one two")}, {QStringLiteral("one two"), QStringLiteral("three")}));
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    const DiffCanvas::TextPosition start = view.positionAt(QPoint(0, 5));
    EXPECT_EQ(start.row, 0);
    EXPECT_EQ(start.column, 0);
    // The whole of both rows, dragged from the marker of the first to past the end of the last.
    QTest::mousePress(view.viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(2, 5));
    const QPointF end(650, view.rowHeight() + 5);
    QMouseEvent move(QEvent::MouseMove, end, view.viewport()->mapToGlobal(end), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(view.viewport(), &move);
    QTest::mouseRelease(view.viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(650, view.rowHeight() + 5));
    EXPECT_EQ(view.selectedText(), QStringLiteral("one two\nthree"));
}

} // namespace
