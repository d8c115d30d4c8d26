// SPDX-License-Identifier: GPL-3.0-or-later

#include "testutil.h"
#include "widgets/diffview/changemapview.h"
#include "widgets/diffview/inlineview.h"
#include "widgets/diffview/sidebysideview.h"

#include <QScrollBar>
#include <QTest>

using namespace varnel;
using varnel::test::over;
using varnel::test::sameColor;

namespace {

// `count` lines with line `removedAt` removed and line `addedAt` added.
DiffResult twoChanges(int count, int removedAt, int addedAt)
{
    QStringList left = test::numberedLines(count);
    QStringList right = left;
    right.insert(addedAt, QStringLiteral("new line"));
    right.removeAt(removedAt);
    return test::diff(left, right);
}

qint64 rowOfType(const DiffResult& result, DiffLineType type)
{
    for (qint64 row = 0; row < result.lines().size(); ++row)
        if (result.lines()[row].type() == type)
            return row;
    return -1;
}

class ChangeMapTest : public ::testing::TestWithParam<bool> {};

TEST_P(ChangeMapTest, MarksStandWhereTheirRowsAreScaledOntoTheStrip)
{
    test::AppearanceScope scope(GetParam());
    const Palette& palette = Palette::forDark(GetParam());
    InlineView view;
    view.resize(700, 420);
    const DiffResult result = twoChanges(200, 30, 150);
    view.setResult(result);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    ChangeMapView* map = view.changeMap();
    // Beside the scroll bar, as tall as the rows' viewport.
    EXPECT_EQ(map->width(), ChangeMapView::kWidth);
    EXPECT_EQ(map->height(), view.viewport()->height());
    EXPECT_EQ(map->geometry().left(), view.viewport()->geometry().right() + 1);

    const QImage image = test::grabImage(map);
    const qint64 rows = view.rowCount();
    const auto yOf = [&](qint64 row) { return int(row * map->height() / rows); };
    const qint64 removed = rowOfType(result, DiffLineType::removed);
    const qint64 added = rowOfType(result, DiffLineType::added);
    EXPECT_TRUE(sameColor(image.pixelColor(6, yOf(removed)), palette.color(ColorRole::red)));
    EXPECT_TRUE(sameColor(image.pixelColor(6, yOf(added)), palette.color(ColorRole::green)));
    // Between them, only the strip's own faint background.
    const QColor strip = over(palette.color(ColorRole::secondary, 0.05), palette.color(ColorRole::viewBackground));
    EXPECT_TRUE(sameColor(image.pixelColor(6, yOf(90)), strip));

    // The tooltip names the lines under the pointer.
    EXPECT_TRUE(map->toolTipAt(yOf(added)).contains(QStringLiteral("on the right")))
        << map->toolTipAt(yOf(added)).toStdString();
    EXPECT_TRUE(map->toolTipAt(yOf(added)).contains(QStringLiteral("1 added")));

    // The focused change in the accent colour, over its mark.
    view.setFocusedRow(removed);
    const QImage focused = test::grabImage(map);
    EXPECT_TRUE(sameColor(focused.pixelColor(6, yOf(removed) + 1), palette.color(ColorRole::accent)));
}

TEST_P(ChangeMapTest, RowsShorterThanTheViewAreMappedBesideThemselves)
{
    test::AppearanceScope scope(GetParam());
    const Palette& palette = Palette::forDark(GetParam());
    InlineView view;
    view.resize(700, 420);
    // An empty file against three lines: three added rows, not a bar down the whole strip.
    view.setResult(test::diff({}, {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}));
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    ChangeMapView* map = view.changeMap();
    const int row = view.rowHeight();
    EXPECT_EQ(map->mapHeight(), 3 * row);
    const QImage image = test::grabImage(map);
    const QColor strip = over(palette.color(ColorRole::secondary, 0.05), palette.color(ColorRole::viewBackground));
    // Under the frame of the rows in view, which here are all of them.
    const QColor framed = over(palette.color(ColorRole::secondary, 0.12), palette.color(ColorRole::green));
    EXPECT_TRUE(sameColor(image.pixelColor(6, 3 * row - 3), framed));
    EXPECT_TRUE(sameColor(image.pixelColor(6, 3 * row + 10), strip));
    EXPECT_TRUE(map->toolTipAt(3 * row + 10).isEmpty());

    // Either half of a modified pair is named as the summary counts it.
    view.setResult(test::diff({QStringLiteral("a"), QStringLiteral("b")}, {QStringLiteral("a"), QStringLiteral("c")}));
    ASSERT_EQ(view.result().lines()[1].type(), DiffLineType::removed);
    EXPECT_EQ(map->toolTipAt(row + row / 2), QStringLiteral("Line 2 on the left\n1 modified"));
    EXPECT_EQ(map->toolTipAt(2 * row + row / 2), QStringLiteral("Line 2 on the right\n1 modified"));
}

TEST_P(ChangeMapTest, AClickScrollsThereAndTheFrameFollows)
{
    test::AppearanceScope scope(GetParam());
    InlineView view;
    view.resize(700, 420);
    view.setResult(twoChanges(2000, 100, 1500));
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    ChangeMapView* map = view.changeMap();
    const int y = map->height() * 3 / 4;
    QTest::mouseClick(map, Qt::LeftButton, {}, QPoint(6, y));
    const qint64 row = ChangeMap::rowAt(y, view.rowCount(), map->height());
    const double centre = view.scrollPosition().y() + view.viewport()->height() / 2.0;
    EXPECT_LE(std::abs((row + 0.5) * view.rowHeight() - centre), view.rowHeight());
    // The frame of the rows in view is where the click was.
    const QRectF frame = map->visibleFrame();
    EXPECT_LE(std::abs(frame.center().y() - y), 2.0);

    // A drag keeps scrolling.
    QTest::mousePress(map, Qt::LeftButton, {}, QPoint(6, 10));
    QMouseEvent move(QEvent::MouseMove, QPointF(6, map->height() / 2.0),
                     map->mapToGlobal(QPointF(6, map->height() / 2.0)), Qt::NoButton, Qt::LeftButton, {});
    QApplication::sendEvent(map, &move);
    QTest::mouseRelease(map, Qt::LeftButton, {}, QPoint(6, map->height() / 2));
    EXPECT_NEAR(view.scrollPosition().y() + view.viewport()->height() / 2.0, view.rowCount() * view.rowHeight() / 2.0,
                view.rowHeight() * 2.0);
}

TEST_P(ChangeMapTest, EitherColumnsMapBringsBothColumnsThere)
{
    test::AppearanceScope scope(GetParam());
    SideBySideView view;
    view.resize(900, 420);
    view.setResult(twoChanges(2000, 100, 1500));
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    DiffColumnView* left = view.column(PageSide::left);
    DiffColumnView* right = view.column(PageSide::right);
    QTest::mouseClick(right->changeMap(), Qt::LeftButton, {}, QPoint(6, right->changeMap()->height() / 3));
    EXPECT_GT(left->scrollPosition().y(), 0);
    EXPECT_EQ(left->scrollPosition().y(), right->scrollPosition().y());
}

INSTANTIATE_TEST_SUITE_P(LightAndDark, ChangeMapTest, ::testing::Values(false, true),
                         [](const auto& param) { return param.param ? "dark" : "light"; });

} // namespace
