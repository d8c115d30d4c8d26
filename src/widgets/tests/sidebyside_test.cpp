// SPDX-License-Identifier: GPL-3.0-or-later

#include "testutil.h"
#include "widgets/diffview/inlineview.h"
#include "widgets/diffview/sidebysideview.h"

#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>

using namespace varnel;
using varnel::test::over;
using varnel::test::sameColor;

namespace {

// One changed line among `count`: the old text is row `at`, the new one row `at` + 1.
DiffResult oneChange(int count, int at)
{
    QStringList left = test::numberedLines(count);
    QStringList right = left;
    right[at] = QStringLiteral("changed");
    return test::diff(left, right);
}

QColor pixelOfRow(DiffCanvas* column, qint64 row, int x)
{
    const QImage image = test::grabImage(column->viewport());
    const int y = int(row * column->rowHeight() - column->scrollPosition().y()) + column->rowHeight() / 2;
    return image.pixelColor(x, y);
}

// The row at the view's centre, as a fraction of a row away from the focused row's centre.
double rowsFromCentre(DiffCanvas* column, qint64 row)
{
    const double centre = column->scrollPosition().y() + column->viewport()->height() / 2.0;
    return std::abs((row + 0.5) * column->rowHeight() - centre) / column->rowHeight();
}

TEST(SideBySideView, FillersFaceAddedAndRemovedLines)
{
    test::AppearanceScope light(false);
    const Palette& palette = Palette::light();
    SideBySideView view;
    view.resize(900, 300);
    view.setResult(oneChange(5, 2));
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    ASSERT_EQ(view.column(PageSide::left)->rowCount(), 6);
    const QColor viewColor = palette.color(ColorRole::viewBackground);
    const QColor filler = over(palette.color(ColorRole::secondary, 0.04), viewColor);
    const QColor red = over(palette.color(ColorRole::red, 0.12), viewColor);
    const QColor green = over(palette.color(ColorRole::green, 0.12), viewColor);
    DiffColumnView* left = view.column(PageSide::left);
    DiffColumnView* right = view.column(PageSide::right);
    const int x = left->viewport()->width() - 10;
    EXPECT_TRUE(sameColor(pixelOfRow(left, 2, x), red));       // the old line
    EXPECT_TRUE(sameColor(pixelOfRow(left, 3, x), filler));    // opposite the new one
    EXPECT_TRUE(sameColor(pixelOfRow(right, 2, x), filler));   // opposite the old one
    EXPECT_TRUE(sameColor(pixelOfRow(right, 3, x), green));    // the new line
    EXPECT_TRUE(sameColor(pixelOfRow(left, 0, x), viewColor)); // unchanged: no fill
    EXPECT_EQ(left->minimumWidth(), 320);
    EXPECT_EQ(right->minimumWidth(), 320);
    EXPECT_GE(view.minimumSizeHint().width(), 641);
}

TEST(SideBySideView, TheOutlineShowsOnlyOnTheSideThatHoldsTheLine)
{
    test::AppearanceScope dark(true);
    const Palette& palette = Palette::dark();
    SideBySideView view;
    view.resize(900, 300);
    view.setResult(oneChange(5, 2), 3); // the added line
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    const QColor viewColor = palette.color(ColorRole::viewBackground);
    DiffColumnView* left = view.column(PageSide::left);
    DiffColumnView* right = view.column(PageSide::right);
    const QImage rightImage = test::grabImage(right->viewport());
    const QImage leftImage = test::grabImage(left->viewport());
    const int top = 3 * right->rowHeight() - right->scrollPosition().y();
    const QColor focusedGreen = over(palette.color(ColorRole::green, 0.40), viewColor);
    EXPECT_TRUE(sameColor(rightImage.pixelColor(100, top), over(palette.color(ColorRole::green, 0.7), focusedGreen)));
    EXPECT_TRUE(sameColor(rightImage.pixelColor(right->viewport()->width() - 10, top + 10), focusedGreen));
    const QColor filler = over(palette.color(ColorRole::secondary, 0.04), viewColor);
    EXPECT_TRUE(sameColor(leftImage.pixelColor(100, top), filler));
    EXPECT_TRUE(sameColor(leftImage.pixelColor(100, top + 10), filler));
}

TEST(SideBySideView, RowsStayLevelAtEveryFontSize)
{
    SideBySideView view;
    view.resize(900, 400);
    view.setResult(oneChange(40, 10));
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    for (int size : {10, 13, 24}) {
        view.setFontSize(size);
        EXPECT_EQ(view.fontSize(), size);
        const int height = view.column(PageSide::left)->rowHeight();
        EXPECT_EQ(height, RowMetrics::forFontSize(size).rowHeight);
        EXPECT_EQ(view.column(PageSide::right)->rowHeight(), height);
        // The filler opposite the new line spans the same pixels as the new line.
        const QImage left = test::grabImage(view.column(PageSide::left)->viewport());
        const QImage right = test::grabImage(view.column(PageSide::right)->viewport());
        const int x = 200;
        for (int y = 10 * height - 1; y <= 12 * height; ++y) {
            const bool leftRed = left.pixelColor(x, y) != left.pixelColor(x, 0);
            const bool rightTinted = right.pixelColor(x, y) != right.pixelColor(x, 0);
            EXPECT_EQ(leftRed, rightTinted) << "size " << size << " y " << y;
        }
    }
}

TEST(SideBySideView, ColumnsScrollIndependently)
{
    SideBySideView view;
    view.resize(900, 300);
    QStringList lines = test::numberedLines(500);
    lines[10] = QString(400, QLatin1Char('w'));
    view.setResult(test::diff(lines, lines));
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    DiffColumnView* left = view.column(PageSide::left);
    DiffColumnView* right = view.column(PageSide::right);

    QTest::keyClick(left, Qt::Key_PageDown);
    EXPECT_EQ(left->scrollPosition().y(), left->viewport()->height());
    QTest::keyClick(left, Qt::Key_Down);
    EXPECT_EQ(left->scrollPosition().y(), left->viewport()->height() + left->rowHeight());
    EXPECT_EQ(right->scrollPosition(), QPoint(0, 0));

    QTest::keyClick(right, Qt::Key_End);
    EXPECT_EQ(right->scrollPosition().y(), right->verticalScrollBar()->maximum());
    EXPECT_EQ(right->verticalScrollBar()->maximum(), 500 * right->rowHeight() - right->viewport()->height());
    QTest::keyClick(right, Qt::Key_Home);
    EXPECT_EQ(right->scrollPosition().y(), 0);

    // One wheel notch scrolls three rows; with Shift it scrolls sideways.
    const QPoint centre = left->viewport()->rect().center();
    const int before = left->scrollPosition().y();
    QWheelEvent down(centre, left->viewport()->mapToGlobal(centre), QPoint(), QPoint(0, -120), Qt::NoButton,
                     Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(left->viewport(), &down);
    EXPECT_EQ(left->scrollPosition().y(), before + 3 * left->rowHeight());
    QWheelEvent sideways(centre, left->viewport()->mapToGlobal(centre), QPoint(), QPoint(0, -120), Qt::NoButton,
                         Qt::ShiftModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(left->viewport(), &sideways);
    EXPECT_GT(left->scrollPosition().x(), 0);
    EXPECT_EQ(right->scrollPosition(), QPoint(0, 0));
    // The long line makes both columns scroll sideways to its end.
    EXPECT_GE(left->horizontalScrollBar()->maximum() + left->viewport()->width(), int(left->contentWidth()));
    EXPECT_GE(left->contentWidth(), 400 * RowMetrics::forFontSize(13).advance);
}

TEST(SideBySideView, AFocusChangeCentresBothColumnsTogether)
{
    SideBySideView view;
    view.resize(900, 300);
    view.setResult(oneChange(1000, 600));
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    DiffColumnView* left = view.column(PageSide::left);
    DiffColumnView* right = view.column(PageSide::right);
    // Scrolled apart by hand first.
    right->setScrollPosition(QPoint(0, 50 * right->rowHeight()));

    view.setFocusedRow(601);
    EXPECT_TRUE(left->isAnimating());
    EXPECT_TRUE(right->isAnimating());
    QTRY_VERIFY_WITH_TIMEOUT(!left->isAnimating() && !right->isAnimating(), 2000);
    EXPECT_LE(rowsFromCentre(left, 601), 1.0);
    EXPECT_LE(rowsFromCentre(right, 601), 1.0);
    EXPECT_EQ(left->scrollPosition(), right->scrollPosition());

    // A new change during an animation starts from where the view is; a change to none
    // scrolls nothing.
    view.setFocusedRow(100);
    QTest::qWait(60);
    const int midway = left->scrollPosition().y();
    EXPECT_LT(midway, 601 * left->rowHeight());
    view.setFocusedRow(900);
    EXPECT_TRUE(left->isAnimating());
    QTRY_VERIFY_WITH_TIMEOUT(!left->isAnimating(), 2000);
    EXPECT_LE(rowsFromCentre(left, 900), 1.0);
    const QPoint settled = left->scrollPosition();
    view.setFocusedRow(std::nullopt);
    EXPECT_FALSE(left->isAnimating());
    EXPECT_EQ(left->scrollPosition(), settled);
}

TEST(SideBySideView, FirstShownWithAFocusItJumpsThereWithoutAnimation)
{
    SideBySideView view;
    view.resize(900, 300);
    view.setResult(oneChange(1000, 700), 701);
    view.show();
    DiffColumnView* left = view.column(PageSide::left);
    EXPECT_EQ(left->scrollPosition().y(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(left->scrollPosition().y() > 0, 1000);
    EXPECT_FALSE(left->isAnimating());
    EXPECT_LE(rowsFromCentre(left, 701), 1.0);
    EXPECT_LE(rowsFromCentre(view.column(PageSide::right), 701), 1.0);
}

TEST(SideBySideView, RepaintsWhenTheAppearanceChanges)
{
    test::AppearanceScope light(false);
    SideBySideView view;
    view.resize(900, 300);
    view.setResult(oneChange(5, 2));
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    const QPoint empty(400, 280);
    EXPECT_TRUE(sameColor(test::grabImage(&view).pixelColor(empty), Palette::light().color(ColorRole::viewBackground)));
    Appearance::instance().setDark(true);
    EXPECT_TRUE(sameColor(test::grabImage(&view).pixelColor(empty), Palette::dark().color(ColorRole::viewBackground)));
    EXPECT_EQ(view.column(PageSide::left)->palette().color(QPalette::Base),
              Palette::dark().color(ColorRole::viewBackground));
}

TEST(SideBySideView, AnEmptyResultShowsTwoEmptyColumns)
{
    SideBySideView view;
    view.resize(700, 200);
    view.setResult(DiffResult(), 3);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    EXPECT_EQ(view.column(PageSide::left)->rowCount(), 0);
    EXPECT_EQ(view.focusedRow(), std::nullopt);
    view.setFocusedRow(0);
    EXPECT_EQ(view.focusedRow(), std::nullopt);
    const QImage image = test::grabImage(view.column(PageSide::right)->viewport());
    EXPECT_TRUE(sameColor(image.pixelColor(10, 10), Appearance::instance().palette().color(ColorRole::viewBackground)));
}

} // namespace

namespace {

TEST(SideBySideView, ALineWiderThanTheLongestByLengthWidensTheScrollingOnceSeen)
{
    // Forty lines of 100 characters are the longest by length; the one of 30 tabs is
    // shorter but, with tab stops every four characters, wider than any of them.
    QStringList lines;
    for (int i = 0; i < 40; ++i)
        lines.append(QString(100, QLatin1Char('x')));
    lines.append(QString(30, QLatin1Char('\t')) + QStringLiteral("end"));
    SideBySideView view;
    view.resize(900, 2000);
    view.setResult(test::diff(lines, lines));
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    DiffColumnView* left = view.column(PageSide::left);
    const RowMetrics& metrics = left->rowPainter().metrics();
    QTRY_VERIFY(left->contentWidth() >= left->rowPainter().textStart() + 123 * metrics.advance);
    QTRY_VERIFY(left->horizontalScrollBar()->maximum() + left->viewport()->width() >=
                int(left->rowPainter().textStart() + 123 * metrics.advance));
}

TEST(SideBySideView, ANewFontSizeKeepsTheTopRow)
{
    SideBySideView view;
    view.resize(900, 300);
    view.setResult(test::diff(test::numberedLines(1000), test::numberedLines(1000)));
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    DiffColumnView* left = view.column(PageSide::left);
    left->setScrollPosition(QPoint(0, 300 * left->rowHeight()));
    view.setFontSize(24);
    EXPECT_EQ(left->firstVisibleRow(), 300);
    EXPECT_EQ(left->scrollPosition().y(), 300 * left->rowHeight());
    EXPECT_EQ(view.column(PageSide::right)->firstVisibleRow(), 0);
}

// Lines equal only under canonical equivalence: each column paints and selects its own
// file's line, and the inline view the right file's.
TEST(SideBySideView, EachColumnShowsItsOwnFilesLine)
{
    const QString composed = QStringLiteral("caf\u00E9");
    const QString decomposed = QStringLiteral("cafe\u0301");
    const DiffResult result = test::diff({composed}, {decomposed});
    SideBySideView view;
    view.setResult(result);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    QTRY_COMPARE(view.column(PageSide::left)->rowPainter().cache().size(), 2); // a text per column
    for (const auto& [side, text] : {std::pair(PageSide::left, composed), std::pair(PageSide::right, decomposed)}) {
        view.column(side)->setSelection({0, 0}, {0, 100});
        EXPECT_EQ(view.column(side)->selectedText(), text);
    }
    InlineView inlineView;
    inlineView.setResult(result);
    inlineView.setSelection({0, 0}, {0, 100});
    EXPECT_EQ(inlineView.selectedText(), decomposed);
}

class FocusFrameTest : public ::testing::TestWithParam<bool> {};

// Keyboard focus shows as a frame in the accent colour inside the rows' edges; focus from
// a click, or none, leaves the rows as they are.
TEST_P(FocusFrameTest, OnlyKeyboardFocusIsFramed)
{
    test::AppearanceScope scope(GetParam());
    const Palette& palette = Appearance::instance().palette();
    const QColor accent = palette.color(ColorRole::accent);
    const QColor plain = palette.color(ColorRole::viewBackground);
    SideBySideView view;
    view.resize(900, 300);
    view.setResult(oneChange(100, 10));
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    view.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&view));
    DiffColumnView* left = view.column(PageSide::left);
    DiffColumnView* right = view.column(PageSide::right);
    // Row 10 (tinted) stands at the top: the frame's inner line keeps it off the tint.
    left->setScrollPosition(QPoint(0, 10 * left->rowHeight()));
    const auto framed = [&](DiffCanvas* column) {
        const QImage image = test::grabImage(column->viewport());
        const int w = image.width();
        const int h = image.height();
        for (const QPoint& edge :
             {QPoint(0, h / 2), QPoint(1, h / 2), QPoint(w - 1, h / 2), QPoint(w / 2, 1), QPoint(w / 2, h - 1)}) {
            if (!sameColor(image.pixelColor(edge), accent))
                return false;
        }
        return bool(sameColor(image.pixelColor(w / 2, 2), plain));
    };
    right->setFocus(Qt::MouseFocusReason);
    EXPECT_FALSE(framed(left));
    EXPECT_FALSE(framed(right));

    left->setFocus(Qt::TabFocusReason);
    EXPECT_TRUE(framed(left));
    EXPECT_FALSE(framed(right));
    // A click in the rows takes the frame away; a key that scrolls brings it back.
    QTest::mouseClick(left->viewport(), Qt::LeftButton, {}, QPoint(200, 100));
    EXPECT_TRUE(left->hasFocus());
    EXPECT_FALSE(framed(left));
    QTest::keyClick(left, Qt::Key_PageDown);
    EXPECT_TRUE(framed(left));

    right->setFocus(Qt::BacktabFocusReason);
    EXPECT_FALSE(framed(left));
    EXPECT_TRUE(framed(right));
}

INSTANTIATE_TEST_SUITE_P(LightAndDark, FocusFrameTest, ::testing::Values(false, true),
                         [](const auto& param) { return param.param ? "dark" : "light"; });

} // namespace
