// SPDX-License-Identifier: GPL-3.0-or-later

#include "testutil.h"
#include "widgets/diffview/diffcanvas.h"
#include "widgets/diffview/rowpainter.h"

#include <QClipboard>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>

#include <new>

using namespace varnel;
using varnel::test::over;
using varnel::test::sameColor;

namespace {

constexpr int kWidth = 700;

QImage paintRow(RowPainter& rows, const RowPainter::Row& row, const Palette& palette)
{
    rows.setPalette(palette);
    const int height = rows.metrics().rowHeight;
    QImage image(kWidth, height, QImage::Format_RGB32);
    image.fill(palette.color(ColorRole::viewBackground));
    QPainter painter(&image);
    rows.paint(painter, QRectF(0, 0, kWidth, height), row, QRectF(image.rect()));
    painter.end();
    return image;
}

// The x of a point just inside character `column` of row `index`'s text on `side`.
int xOf(RowPainter& rows, qint64 index, qsizetype column, PageSide side = PageSide::left)
{
    return int(std::ceil(rows.textStart() + rows.cursorX(index, side, column))) + 1;
}

class Marks : public ::testing::TestWithParam<bool> {
protected:
    const Palette& palette() const { return Palette::forDark(GetParam()); }
    double base() const { return GetParam() ? 0.22 : 0.12; }
    QColor fill(ColorRole role, double opacity) const
    {
        return over(palette().color(role, opacity), palette().color(ColorRole::viewBackground));
    }
};

TEST_P(Marks, ChangedWordsStandOnTheFocusedRowsTintClippedToTheText)
{
    test::AppearanceScope scope(GetParam());
    RowPainter rows;
    rows.setResult(test::diff({"    int count = items.size();"}, {"    int total = items.size();"}));
    ASSERT_EQ(rows.line(0).type(), DiffLineType::removed);
    EXPECT_EQ(rows.changedSpans(0), (QList<TextSpan>{{8, 5}}));
    EXPECT_EQ(rows.changedSpans(1), (QList<TextSpan>{{8, 5}}));

    for (const auto& [index, side, role] :
         {std::tuple(0, PageSide::left, ColorRole::red), std::tuple(1, PageSide::right, ColorRole::green)}) {
        const QImage image = paintRow(rows, {index, side, false, false}, palette());
        const int inSpan = xOf(rows, index, 8);
        // The top of the text's box: the span's tint reaches the strength of a focused row.
        EXPECT_TRUE(sameColor(image.pixelColor(inSpan, 2), fill(role, base() + 0.18), 3)) << index;
        // Above the text's box, and over the unchanged words: the row's own tint.
        EXPECT_TRUE(sameColor(image.pixelColor(inSpan, 1), fill(role, base()))) << index;
        EXPECT_TRUE(sameColor(image.pixelColor(xOf(rows, index, 4), 2), fill(role, base()))) << index;
        EXPECT_TRUE(sameColor(image.pixelColor(xOf(rows, index, 14), 2), fill(role, base()))) << index;
    }

    // The focused row already has that tint: its changed words are framed instead.
    const QImage focused = paintRow(rows, {1, PageSide::right, true, false}, palette());
    const QColor focusedFill = fill(ColorRole::green, base() + 0.18);
    const QColor frame = over(palette().color(ColorRole::green, 0.7), focusedFill);
    const int inSpan = xOf(rows, 1, 8) + 1;
    EXPECT_TRUE(sameColor(focused.pixelColor(inSpan, 2), focusedFill, 3));
    EXPECT_TRUE(sameColor(focused.pixelColor(inSpan, 3), frame, 3));
}

TEST_P(Marks, ALineMostlyRewrittenOrUnpairedIsLeftToItsRowTint)
{
    test::AppearanceScope scope(GetParam());
    RowPainter rows;
    // Rewritten, then one removed line with nothing to pair with.
    rows.setResult(test::diff({"let a = compute(x);", "keep", "gone"}, {"return fetch(y, z) || b;", "keep"}));
    ASSERT_EQ(rows.rowCount(), 4);
    ASSERT_EQ(rows.line(3).type(), DiffLineType::removed);
    EXPECT_TRUE(rows.changedSpans(0).isEmpty());
    EXPECT_TRUE(rows.changedSpans(1).isEmpty());
    EXPECT_TRUE(rows.changedSpans(3).isEmpty());
    const QImage image = paintRow(rows, {0, PageSide::left, false, false}, palette());
    for (qsizetype column : {0, 4, 8, 16})
        EXPECT_TRUE(sameColor(image.pixelColor(xOf(rows, 0, column), 2), fill(ColorRole::red, base()))) << column;
}

TEST_P(Marks, FindMatchesStandOnTheirOwnColourAndTheCurrentOneIsFramed)
{
    test::AppearanceScope scope(GetParam());
    RowPainter rows;
    rows.setResult(test::diff({"alpha beta", "beta beta"}, {"alpha beta", "beta beta"}));
    rows.setFind(TextMatcher(QStringLiteral("BETA"), Qt::CaseInsensitive),
                 RowPainter::FindMark{1, {5, 4}, std::nullopt});
    EXPECT_EQ(rows.findMatches(1, PageSide::left), (QList<TextSpan>{{0, 4}, {5, 4}}));
    const QImage first = paintRow(rows, {0, PageSide::left, false, false}, palette());
    EXPECT_TRUE(sameColor(first.pixelColor(xOf(rows, 0, 6), 2), palette().color(ColorRole::findMatch)));
    EXPECT_TRUE(sameColor(first.pixelColor(xOf(rows, 0, 1), 2), palette().color(ColorRole::viewBackground)));
    const QImage second = paintRow(rows, {1, PageSide::left, false, false}, palette());
    EXPECT_TRUE(sameColor(second.pixelColor(xOf(rows, 1, 1), 2), palette().color(ColorRole::findMatch)));
    EXPECT_TRUE(sameColor(second.pixelColor(xOf(rows, 1, 6), 2), palette().color(ColorRole::orange)));
    EXPECT_TRUE(sameColor(second.pixelColor(xOf(rows, 1, 6), 3), palette().color(ColorRole::findCurrent)));

    // A new query is found again in rows already cached; an empty one marks nothing.
    rows.setFind(TextMatcher(QStringLiteral("alpha"), Qt::CaseSensitive), std::nullopt);
    EXPECT_EQ(rows.findMatches(0, PageSide::left), (QList<TextSpan>{{0, 5}}));
    EXPECT_TRUE(rows.findMatches(1, PageSide::left).isEmpty());
    rows.setFind(TextMatcher(), std::nullopt);
    const QImage none = paintRow(rows, {0, PageSide::left, false, false}, palette());
    EXPECT_TRUE(sameColor(none.pixelColor(xOf(rows, 0, 1), 2), palette().color(ColorRole::viewBackground)));
}

// A line of a million matches marks what the row shows, not what the line holds: marks
// cost memory that no budget counts.
TEST_P(Marks, ALongLineMarksOnlyTheMatchesInView)
{
    test::AppearanceScope scope(GetParam());
    RowPainter rows;
    const QString line = QStringLiteral("ab").repeated(1000000);
    rows.setResult(test::diff({line}, {line}));
    rows.setFind(TextMatcher(QStringLiteral("ab"), Qt::CaseInsensitive), std::nullopt);
    const QImage image = paintRow(rows, {0, PageSide::left, false, false}, palette());
    EXPECT_TRUE(sameColor(image.pixelColor(xOf(rows, 0, 2), 2), palette().color(ColorRole::findMatch)));
    const RowText* painted = rows.cache().peek(0);
    ASSERT_TRUE(painted);
    EXPECT_GT(painted->matches.size(), 10);
    EXPECT_LT(painted->matches.size(), kWidth);
    EXPECT_EQ(rows.findMatches(0, PageSide::left).size(), RowPainter::kMaxMarksPerRow);
}

INSTANTIATE_TEST_SUITE_P(LightAndDark, Marks, ::testing::Values(false, true),
                         [](const auto& param) { return param.param ? "dark" : "light"; });

} // namespace

namespace {

// A view whose rows cannot be made while `failing`: as a line too long for the memory left.
class FailingCanvas : public DiffCanvas {
public:
    using DiffCanvas::DiffCanvas;
    bool failing = false;

protected:
    RowPainter::Row rowFor(qint64 index) const override
    {
        if (failing)
            throw std::bad_alloc();
        return {index, PageSide::left, false, false};
    }
    ShownRows shownRows() const override { return ShownRows::left; }
};

// An allocation that fails while painting ends the paint, not the program: the find marks
// go, once, and the view says so.
TEST(DiffCanvasMemory, AFailedAllocationInAPaintDropsTheFindMarks)
{
    auto rows = std::make_shared<RowPainter>();
    rows->setResult(test::diff({"alpha beta"}, {"alpha beta"}));
    rows->setFind(TextMatcher(QStringLiteral("beta"), Qt::CaseInsensitive), std::nullopt);
    FailingCanvas canvas(rows);
    canvas.resultChanged(std::nullopt);
    canvas.resize(400, 200);
    canvas.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&canvas));
    QSignalSpy dropped(&canvas, &DiffCanvas::findMarksDropped);
    canvas.failing = true;
    test::grabImage(canvas.viewport());
    EXPECT_EQ(dropped.size(), 1);
    EXPECT_TRUE(rows->findMarksDropped());
    test::grabImage(canvas.viewport()); // fails again: nothing more to give back
    EXPECT_EQ(dropped.size(), 1);
    canvas.failing = false;
    test::grabImage(canvas.viewport());
    rows->setFind(TextMatcher(QStringLiteral("alpha"), Qt::CaseInsensitive), std::nullopt);
    EXPECT_FALSE(rows->findMarksDropped()); // a new query marks again

    // Copy is also reached from the context menu, outside the canvas's events.
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    canvas.setSelection({0, 0}, {0, 5});
    canvas.failing = true;
    canvas.copy();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("before"));
}

} // namespace
