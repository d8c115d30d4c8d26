// SPDX-License-Identifier: GPL-3.0-or-later

#include "testutil.h"
#include "widgets/diffview/inlineview.h"

#include <QTest>

using namespace varnel;
using varnel::test::over;
using varnel::test::sameColor;

namespace {

// The pixels of the marker box of one row: does any have (nearly) this colour?
bool markerHas(const QImage& image, int rowTop, int rowHeight, const QColor& color)
{
    for (int y = rowTop; y < rowTop + rowHeight; ++y)
        for (int x = 0; x < 22; ++x)
            if (sameColor(image.pixelColor(x, y), color, 30))
                return true;
    return false;
}

class InlineViewTest : public ::testing::TestWithParam<bool> {};

TEST_P(InlineViewTest, MarkersStandUntintedInFrontOfTheRow)
{
    test::AppearanceScope appearance(GetParam());
    const Palette& palette = Appearance::instance().palette();
    // unchanged, removed, added, unchanged, then a placeholder after enough context
    QStringList left = test::numberedLines(20);
    QStringList right = left;
    right[1] = QStringLiteral("new");
    InlineView view;
    view.resize(700, 300);
    view.setResult(test::diff(left, right, true), 2); // the added row is focused
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    const QImage image = test::grabImage(view.viewport());
    const int height = view.rowHeight();
    const QColor viewColor = palette.color(ColorRole::viewBackground);
    const double base = palette.isDark() ? 0.22 : 0.12;

    ASSERT_EQ(view.result().lines()[1].type(), DiffLineType::removed);
    ASSERT_EQ(view.result().lines()[2].type(), DiffLineType::added);
    ASSERT_EQ(view.result().lines()[6].type(), DiffLineType::contextCollapsed);
    EXPECT_TRUE(markerHas(image, 1 * height, height, palette.color(ColorRole::red)));
    EXPECT_TRUE(markerHas(image, 2 * height, height, palette.color(ColorRole::green)));
    EXPECT_TRUE(markerHas(image, 6 * height, height, palette.color(ColorRole::secondary)));
    EXPECT_FALSE(markerHas(image, 0, height, palette.color(ColorRole::primary))); // an invisible space

    // The marker box and its separator are never tinted nor outlined; the row after them is.
    for (int row : {1, 2}) {
        const int middle = row * height + height / 2;
        EXPECT_TRUE(sameColor(image.pixelColor(1, middle), viewColor)) << row;
        EXPECT_TRUE(sameColor(image.pixelColor(22, middle), over(palette.color(ColorRole::secondary, 0.2), viewColor)));
    }
    EXPECT_TRUE(sameColor(image.pixelColor(1, 2 * height), viewColor)); // no outline over the marker
    const QColor focusedGreen = over(palette.color(ColorRole::green, base + 0.18), viewColor);
    EXPECT_TRUE(sameColor(image.pixelColor(23, 2 * height + height / 2),
                          over(palette.color(ColorRole::green, 0.7), focusedGreen))); // the outline's left side
    EXPECT_TRUE(sameColor(image.pixelColor(600, 1 * height + height / 2),
                          over(palette.color(ColorRole::red, base), viewColor)));
}

INSTANTIATE_TEST_SUITE_P(LightAndDark, InlineViewTest, ::testing::Values(false, true),
                         [](const auto& param) { return param.param ? "dark" : "light"; });

TEST(InlineView, RemovedRowsShowTheOldNumberAndOthersTheNew)
{
    QStringList left = test::numberedLines(6);
    QStringList right = left;
    right.insert(0, QStringLiteral("inserted"));
    right[4] = QStringLiteral("changed");
    InlineView view;
    view.resize(700, 300);
    view.setResult(test::diff(left, right));
    const DiffResult& result = view.result();
    for (qint64 i = 0; i < result.lines().size(); ++i) {
        const RowPainter::Row row = view.shownRow(i);
        EXPECT_FALSE(row.empty);
        EXPECT_EQ(row.side, result.lines()[i].type() == DiffLineType::removed ? PageSide::left : PageSide::right);
    }
    EXPECT_EQ(InlineView::markerText(DiffLineType::removed), QString(QChar(0x2212)));
    EXPECT_EQ(InlineView::markerText(DiffLineType::added), QStringLiteral("+"));
    EXPECT_EQ(InlineView::markerText(DiffLineType::unchanged), QStringLiteral(" "));
    EXPECT_EQ(InlineView::markerText(DiffLineType::contextCollapsed), QString(QChar(0x2026)));
}

TEST(InlineView, TheMarkerKeepsItsSizeWhenTheFontSizeChanges)
{
    test::AppearanceScope light(false);
    QStringList right = test::numberedLines(3);
    right[0] = QStringLiteral("new");
    InlineView view;
    view.resize(700, 300);
    view.setResult(test::diff(test::numberedLines(3), right));
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    // The ink of the "+" of row 1 (the added line): its width must not change.
    const auto markerInk = [&view] {
        const QImage image = test::grabImage(view.viewport());
        const QColor background = Palette::light().color(ColorRole::viewBackground);
        QRect ink;
        for (int y = view.rowHeight(); y < 2 * view.rowHeight(); ++y)
            for (int x = 0; x < 22; ++x)
                if (!sameColor(image.pixelColor(x, y), background, 8))
                    ink |= QRect(x, y, 1, 1);
        return ink.size();
    };
    const QSize at13 = markerInk();
    EXPECT_GT(at13.width(), 2);
    view.setFontSize(24);
    EXPECT_GT(view.rowHeight(), 20);
    EXPECT_EQ(markerInk(), at13);
}

TEST(InlineView, AFocusChangeCentresTheRowAfterTheAnimation)
{
    QStringList left = test::numberedLines(2000);
    QStringList right = left;
    right[1500] = QStringLiteral("changed");
    InlineView view;
    view.resize(700, 300);
    view.setResult(test::diff(left, right));
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    view.setFocusedRow(1501);
    EXPECT_TRUE(view.isAnimating());
    QTRY_VERIFY_WITH_TIMEOUT(!view.isAnimating(), 2000);
    const double centre = view.scrollPosition().y() + view.viewport()->height() / 2.0;
    EXPECT_LE(std::abs(1501.5 * view.rowHeight() - centre), view.rowHeight());
    EXPECT_EQ(view.scrollPosition().x(), 0); // nothing is wider than the view
}

} // namespace
