// SPDX-License-Identifier: GPL-3.0-or-later

#include "testutil.h"
#include "widgets/diffview/longestlines.h"
#include "widgets/diffview/rowpainter.h"
#include "widgets/diffview/rowtextcache.h"
#include "widgets/style/fonts.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

using namespace varnel;
using varnel::test::over;
using varnel::test::sameColor;

namespace {

constexpr int kWidth = 600;

// One row painted into an image of its own.
QImage paintRow(RowPainter& rows, const RowPainter::Row& row, const Palette& palette,
                std::optional<RowPainter::Selection> selection = std::nullopt)
{
    rows.setPalette(palette);
    const int height = rows.metrics().rowHeight;
    QImage image(kWidth, height, QImage::Format_RGB32);
    image.fill(palette.color(ColorRole::viewBackground));
    QPainter painter(&image);
    rows.paint(painter, QRectF(0, 0, kWidth, height), row, QRectF(image.rect()), selection);
    painter.end();
    return image;
}

// The leftmost and rightmost columns in [from, to) holding anything but `background`.
std::optional<std::pair<int, int>> inkSpan(const QImage& image, int from, int to, const QColor& background)
{
    std::optional<std::pair<int, int>> span;
    for (int x = from; x < to; ++x) {
        for (int y = 0; y < image.height(); ++y) {
            if (!sameColor(image.pixelColor(x, y), background, 8)) {
                span = span ? std::pair(span->first, x) : std::pair(x, x);
                break;
            }
        }
    }
    return span;
}

bool hasColor(const QImage& image, const QRect& area, const QColor& color)
{
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (sameColor(image.pixelColor(x, y), color, 24))
                return true;
    return false;
}

TEST(RowMetrics, SizesFollowTheFontSize)
{
    // text, collapsed label and number sizes at 10, 13 and 24
    const int expected[][4] = {{10, 10, 9, 9}, {13, 13, 11, 10}, {24, 24, 22, 21}};
    for (const auto& [size, text, label, number] : expected) {
        const RowMetrics m = RowMetrics::forFontSize(size);
        EXPECT_EQ(m.textFont.pixelSize(), text) << size;
        EXPECT_EQ(m.labelFont.pixelSize(), label) << size;
        EXPECT_EQ(m.numberFont.pixelSize(), number) << size;
        EXPECT_TRUE(m.textFont.fixedPitch());
        // 20 pixels, or the height of the font in use and 4 more where that is taller
        const int fontHeight = int(std::ceil(QFontMetricsF(fonts::monospace(size)).height()));
        EXPECT_EQ(m.rowHeight, std::max(20, fontHeight + 4)) << size;
        // Each baseline leaves the font's whole height inside the row.
        EXPECT_GE(m.textBaseline - m.textMetrics.ascent(), 0);
        EXPECT_LE(m.textBaseline + m.textMetrics.descent(), m.rowHeight);
    }
    EXPECT_GT(RowMetrics::forFontSize(24).rowHeight, RowMetrics::forFontSize(13).rowHeight);
}

TEST(RowPainter, CollapsedLabelsCountLines)
{
    EXPECT_EQ(collapsedLabel(1), QStringLiteral("1 unchanged line hidden"));
    EXPECT_EQ(collapsedLabel(12), QStringLiteral("12 unchanged lines hidden"));
    EXPECT_EQ(collapsedLabel(12345), QStringLiteral("12345 unchanged lines hidden"));
}

struct FillCase {
    const char* name;
    DiffLineType type;
    bool focused;
    bool empty;
};

class RowFills : public ::testing::TestWithParam<std::tuple<FillCase, bool>> {};

TEST_P(RowFills, TintAndOutlineFollowTheKindOfRow)
{
    const auto& [fill, dark] = GetParam();
    const Palette& palette = Palette::forDark(dark);
    // unchanged, removed, added, then a placeholder
    RowPainter rows;
    rows.setResult(test::diff(test::numberedLines(20) << QStringLiteral("old"),
                              test::numberedLines(20) << QStringLiteral("new"), true));
    qint64 index = -1;
    for (qint64 i = 0; i < rows.rowCount(); ++i)
        if (rows.line(i).type() == fill.type)
            index = i;
    ASSERT_GE(index, 0);
    const QImage image = paintRow(rows, {index, PageSide::left, fill.focused, fill.empty}, palette);

    const QColor view = palette.color(ColorRole::viewBackground);
    const double base = dark ? 0.22 : 0.12;
    const double boost = fill.focused ? 0.18 : 0;
    QColor tint = view;
    QColor outline = palette.color(ColorRole::accent, 0.7);
    if (fill.empty)
        tint = over(palette.color(ColorRole::secondary, 0.04), view);
    else if (fill.type == DiffLineType::contextCollapsed)
        tint = over(palette.color(ColorRole::secondary, 0.06), view);
    else if (fill.type == DiffLineType::added)
        tint = over(palette.color(ColorRole::green, base + boost), view);
    else if (fill.type == DiffLineType::removed)
        tint = over(palette.color(ColorRole::red, base + boost), view);
    else if (fill.focused)
        tint = over(palette.color(ColorRole::accent, 0.08), view);
    if (fill.type == DiffLineType::added)
        outline = palette.color(ColorRole::green, 0.7);
    else if (fill.type == DiffLineType::removed)
        outline = palette.color(ColorRole::red, 0.7);

    const int middle = image.height() / 2;
    EXPECT_TRUE(sameColor(image.pixelColor(kWidth - 10, middle), tint)) << "fill";
    // The fill covers the number column too.
    EXPECT_TRUE(sameColor(image.pixelColor(2 + 2, 2 + 1), tint)) << "gutter";
    if (fill.focused) {
        // Two pixels inside the row on every side, square corners, then the fill.
        const QColor edge = over(outline, tint);
        for (QPoint p :
             {QPoint(kWidth / 2, 0), QPoint(kWidth / 2, 1), QPoint(kWidth / 2, image.height() - 1), QPoint(0, middle),
              QPoint(1, middle), QPoint(kWidth - 1, middle), QPoint(0, 0), QPoint(kWidth - 1, image.height() - 1)})
            EXPECT_TRUE(sameColor(image.pixelColor(p), edge)) << "outline at " << p.x() << "," << p.y();
        EXPECT_TRUE(sameColor(image.pixelColor(kWidth / 2, 2), tint)) << "inside the outline";
    } else {
        EXPECT_TRUE(sameColor(image.pixelColor(kWidth / 2, 0), tint)) << "no outline";
    }
    // The separator: one pixel at the column's edge, secondary at 0.2 over the fill.
    const QColor separator = over(palette.color(ColorRole::secondary, 0.2), tint);
    EXPECT_TRUE(sameColor(image.pixelColor(44, middle), separator));
    EXPECT_TRUE(sameColor(image.pixelColor(45, middle), tint));
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, RowFills,
    ::testing::Combine(::testing::Values(FillCase{"unchanged", DiffLineType::unchanged, false, false},
                                         FillCase{"unchangedFocused", DiffLineType::unchanged, true, false},
                                         FillCase{"added", DiffLineType::added, false, false},
                                         FillCase{"addedFocused", DiffLineType::added, true, false},
                                         FillCase{"removed", DiffLineType::removed, false, false},
                                         FillCase{"removedFocused", DiffLineType::removed, true, false},
                                         FillCase{"filler", DiffLineType::added, false, true},
                                         FillCase{"collapsed", DiffLineType::contextCollapsed, false, false},
                                         FillCase{"collapsedFocused", DiffLineType::contextCollapsed, true, false},
                                         FillCase{"collapsedAsFiller", DiffLineType::contextCollapsed, false, true}),
                       ::testing::Bool()),
    [](const auto& param) {
        return std::string(std::get<0>(param.param).name) + (std::get<1>(param.param) ? "Dark" : "Light");
    });

TEST(RowPainter, NumbersAreRightAlignedWithoutGroupingAndOnlyOnTheirSide)
{
    const Palette& palette = Palette::light();
    const QColor view = palette.color(ColorRole::viewBackground);
    QStringList left = test::numberedLines(12345);
    QStringList right = left;
    right.append(QStringLiteral("added at the end"));
    RowPainter rows;
    rows.setResult(test::diff(left, right));
    ASSERT_EQ(rows.rowCount(), 12346);
    EXPECT_EQ(rows.gutterWidth(), 44);

    // Line 12345 on the left: five digits ending 3 pixels before the separator.
    const QImage numbered = paintRow(rows, {12344, PageSide::left, false, false}, palette);
    const auto span = inkSpan(numbered, 0, 44, view);
    ASSERT_TRUE(span);
    const qreal digits = 5 * rows.metrics().digitAdvance;
    EXPECT_LE(span->second, 44 - 3);
    EXPECT_GE(span->second, 44 - 3 - 3);
    EXPECT_NEAR(span->first, 44 - 3 - digits, 3); // "12,345" would start a digit further left

    // The added line has no left number; drawn as a filler it shows nothing at all.
    const QImage addedOnLeft = paintRow(rows, {12345, PageSide::left, false, false}, palette);
    EXPECT_FALSE(inkSpan(addedOnLeft, 2, 44, over(palette.color(ColorRole::green, 0.12), view)));
    const QColor fillerTint = over(palette.color(ColorRole::secondary, 0.04), view);
    const QImage filler = paintRow(rows, {12345, PageSide::right, false, true}, palette);
    EXPECT_FALSE(inkSpan(filler, 0, 44, fillerTint));
    EXPECT_FALSE(inkSpan(filler, 46, kWidth, fillerTint));

    // At 24 pixels five digits no longer fit in 44: the column widens to hold them.
    rows.setFontSize(24);
    EXPECT_GE(rows.gutterWidth(), rows.metrics().digitAdvance * 5 + 3);
    const QImage large = paintRow(rows, {12344, PageSide::left, false, false}, palette);
    const auto largeSpan = inkSpan(large, 0, int(rows.gutterWidth()), view);
    ASSERT_TRUE(largeSpan);
    EXPECT_GE(largeSpan->first, 1);
}

TEST(RowPainter, EmptyLinesAndPlaceholdersShowNoText)
{
    const Palette& palette = Palette::dark();
    const QColor view = palette.color(ColorRole::viewBackground);
    RowPainter rows;
    rows.setResult(test::diff({QStringLiteral("a"), QString(), QStringLiteral("b")},
                              {QStringLiteral("a"), QString(), QStringLiteral("b")}));
    const QImage empty = paintRow(rows, {1, PageSide::right, false, false}, palette);
    EXPECT_TRUE(inkSpan(empty, 0, 44, view));       // the number 2
    EXPECT_FALSE(inkSpan(empty, 46, kWidth, view)); // no characters
    EXPECT_TRUE(inkSpan(paintRow(rows, {0, PageSide::right, false, false}, palette), 46, kWidth, view));
}

TEST(RowPainter, SyntaxColourOnlyWithALanguage)
{
    const Palette& palette = Palette::light();
    RowPainter rows;
    rows.setFontSize(24);
    rows.setResult(test::diff({QStringLiteral("{\"key\": 12345}")}, {QStringLiteral("{\"key\": 12345}")}));
    const QColor key = palette.tokenColor(TokenRole::jsonKey);
    const QColor number = palette.tokenColor(TokenRole::number);
    const QRect text(50, 0, kWidth - 50, rows.metrics().rowHeight);

    EXPECT_FALSE(hasColor(paintRow(rows, {0, PageSide::left, false, false}, palette), text, key));
    rows.setLanguage(SyntaxHighlighter::Language::json);
    const QImage coloured = paintRow(rows, {0, PageSide::left, false, false}, palette);
    EXPECT_TRUE(hasColor(coloured, text, key));
    EXPECT_TRUE(hasColor(coloured, text, number));
    // Filler and placeholder rows never ask for colours, nor keep text.
    rows.clearCache();
    paintRow(rows, {0, PageSide::left, false, true}, palette);
    EXPECT_EQ(rows.cache().size(), 0);
}

TEST(RowPainter, LongLinesAreDrawnAWindowAtATime)
{
    const Palette& palette = Palette::light();
    const QColor view = palette.color(ColorRole::viewBackground);
    const QString longLine = QString(300'000, QLatin1Char('x')) + QStringLiteral("END");
    RowPainter rows;
    rows.setResult(test::diff({longLine}, {longLine}));
    EXPECT_DOUBLE_EQ(rows.textWidth(0, PageSide::left), qreal(longLine.size()) * rows.metrics().advance);
    EXPECT_DOUBLE_EQ(rows.widestText(ShownRows::all), rows.textWidth(0, PageSide::left));

    // Scrolled to the very end: the row starts far to the left and the last characters show.
    rows.setPalette(palette);
    QImage image(kWidth, rows.metrics().rowHeight, QImage::Format_RGB32);
    image.fill(view);
    QPainter painter(&image);
    const qreal left = -(rows.textStart() + rows.textWidth(0, PageSide::left) - kWidth + 20);
    rows.paint(painter, QRectF(left, 0, -left + kWidth, image.height()), {0, PageSide::left, false, false},
               QRectF(image.rect()));
    painter.end();
    const auto span = inkSpan(image, 0, kWidth, view);
    ASSERT_TRUE(span);
    EXPECT_GT(span->second, kWidth - 40);
    EXPECT_EQ(rows.cursorAt(0, PageSide::left, rows.cursorX(0, PageSide::left, 1000)), 1000);
}

TEST(RowTextCache, StaysSmallInRowsAndCharacters)
{
    RowTextCache cache;
    for (qint64 row = 0; row < 2 * RowTextCache::kMaxRows; ++row)
        cache.insert(row, RowText{QStringLiteral("text"), {}, nullptr, 0, {}, {}, 0});
    EXPECT_EQ(cache.size(), RowTextCache::kMaxRows);
    EXPECT_EQ(cache.find(0), nullptr); // the oldest went first
    EXPECT_NE(cache.find(2 * RowTextCache::kMaxRows - 1), nullptr);

    // A line bigger than the whole budget is kept alone, for the paint that needs it.
    RowText& huge = cache.insert(
        -1, RowText{QString(RowTextCache::kMaxCharacters + 1, QLatin1Char('y')), {}, nullptr, 0, {}, {}, 0});
    EXPECT_EQ(huge.text.size(), RowTextCache::kMaxCharacters + 1);
    EXPECT_EQ(cache.size(), 1);
    cache.insert(-2, RowText{QStringLiteral("z"), {}, nullptr, 0, {}, {}, 0});
    EXPECT_EQ(cache.size(), 1);
    EXPECT_NE(cache.find(-2), nullptr);
}

TEST(LongestLines, PicksTheLongestRowsOfEachSide)
{
    // Left: a short unchanged line and a very long removed one; right: a long added one.
    const QString removed(500, QLatin1Char('r'));
    const QString added(300, QLatin1Char('a'));
    QStringList left = test::numberedLines(100);
    QStringList right = left;
    left.insert(50, removed);
    right.insert(70, added);
    const DiffResult result = test::diff(left, right);
    const LongestLines longest = LongestLines::find(result.lines());
    ASSERT_FALSE(longest.rows(ShownRows::left).isEmpty());
    EXPECT_EQ(result.lines()[longest.rows(ShownRows::left).front()].content().size(), 500);
    EXPECT_EQ(result.lines()[longest.rows(ShownRows::right).front()].content().size(), 300);
    EXPECT_EQ(result.lines()[longest.rows(ShownRows::all).front()].content().size(), 500);
    EXPECT_EQ(longest.rows(ShownRows::all).size(), LongestLines::kCount);
    for (qint64 row : longest.rows(ShownRows::right))
        EXPECT_NE(result.lines()[row].type(), DiffLineType::removed);
}

} // namespace
