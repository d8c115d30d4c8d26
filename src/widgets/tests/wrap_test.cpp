// SPDX-License-Identifier: GPL-3.0-or-later

#include "screentestutil.h"
#include "testutil.h"
#include "widgets/diffview/changemapview.h"
#include "widgets/diffview/inlineview.h"
#include "widgets/diffview/sidebysideview.h"
#include "widgets/style/appearance.h"

#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>
#include <limits>

using namespace varnel;

namespace {

// A paragraph of `words` words of prose, the kind a document holds on one line.
QString paragraph(int words, const QString& word = QStringLiteral("lorem"))
{
    QStringList parts;
    for (int i = 0; i < words; ++i)
        parts.append(i % 7 == 3 ? QStringLiteral("%1%2").arg(word).arg(i) : word);
    return parts.join(QLatin1Char(' '));
}

// Short lines around one long paragraph changed at row `at` (old at `at`, new at `at` + 1).
DiffResult paragraphChanged(int count, int at, const QString& text)
{
    QStringList left = test::numberedLines(count);
    QStringList right = left;
    left[at] = text;
    right[at] = text + QStringLiteral(" tail");
    return test::diff(left, right);
}

void shown(QWidget& view, QSize size)
{
    view.resize(size);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    QTest::qWait(1);
}

// At three sizes: a paragraph takes several lines no wider than its column, its row is as
// tall as they are, the filler beside it too, and the rows below move down by as much.
TEST(Wrap, AParagraphWrapsAtItsColumnAndTheRowBesideItGrows)
{
    for (qreal size : {10.0, 13.0, 24.0}) {
        SideBySideView view;
        view.setFontSize(size);
        view.setResult(paragraphChanged(30, 2, paragraph(70)));
        view.setWrapping(true);
        shown(view, {900, 600});
        DiffColumnView* left = view.column(PageSide::left);
        DiffColumnView* right = view.column(PageSide::right);
        const RowPainter& rows = left->rowPainter();
        ASSERT_TRUE(rows.isWrapping());
        EXPECT_EQ(left->horizontalScrollBar()->maximum(), 0);
        EXPECT_LE(rows.wrapWidth(), std::min(left->wrapTextWidth(), right->wrapTextWidth()));
        const RowText* text = rows.cache().peek(2);
        ASSERT_TRUE(text && text->layout);
        EXPECT_GT(text->lines, 3) << size;
        EXPECT_LE(text->width, rows.wrapWidth());
        EXPECT_TRUE(rows.heights().isMeasured(2));
        EXPECT_EQ(left->heightOfRow(2), rows.metrics().heightOfLines(text->lines));
        for (qint64 row : {2, 3, 4}) {
            EXPECT_EQ(right->heightOfRow(row), left->heightOfRow(row)); // level, fillers included
            EXPECT_EQ(right->rowTop(row), left->rowTop(row));
        }
        EXPECT_EQ(left->rowTop(4) - left->rowTop(3), left->heightOfRow(3));
        EXPECT_EQ(left->heightOfRow(0), rows.metrics().rowHeight);
        // Words stay whole: no line ends inside one.
        for (int line = 0; line + 1 < text->layout->lineCount(); ++line) {
            const QTextLine each = text->layout->lineAt(line);
            EXPECT_EQ(text->text.at(each.textStart() + each.textLength() - 1), QLatin1Char(' '));
        }
        // Off again: one line a row, and sideways scrolling is back.
        view.setWrapping(false);
        EXPECT_EQ(left->heightOfRow(2), rows.metrics().rowHeight);
        EXPECT_GT(left->horizontalScrollBar()->maximum(), 0);
    }
}

// A line without a space wraps at any character; a line too long to shape whole wraps on
// the character grid; copy gives the whole line, not its screen lines.
TEST(Wrap, UnbrokenLinesWrapAnywhereAndCopyGivesTheLine)
{
    const QString minified = QString(600, QLatin1Char('x'));
    const QString huge = QString(RowText::kLongLine + 1000, QLatin1Char('y'));
    InlineView view;
    view.setResult(test::diff({minified, huge}, {minified, huge, QStringLiteral("end")}));
    view.setWrapping(true);
    shown(view, {900, 600});
    const RowPainter& rows = view.rowPainter();
    const qreal cells = std::floor(rows.wrapWidth() / rows.metrics().advance);
    const RowText* first = rows.cache().peek(0);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->lines, int(std::ceil(600 / cells)));
    const RowText* second = rows.cache().peek(1);
    ASSERT_TRUE(second && second->isLong());
    EXPECT_EQ(second->lines, int(std::ceil(qreal(huge.size()) / qreal(second->cellsPerLine))));
    EXPECT_EQ(view.heightOfRow(1), rows.metrics().heightOfLines(second->lines));

    // A point on the third screen line of the first row falls on that line's characters.
    const qint64 y = view.rowTop(0) + qint64(rows.metrics().textTop) + 2 * rows.metrics().lineStep + 2;
    const DiffCanvas::TextPosition at = view.positionAt(QPoint(int(view.wrapTextWidth() / 2), int(y)));
    EXPECT_EQ(at.row, 0);
    EXPECT_GE(at.column, qsizetype(2 * cells));
    EXPECT_LT(at.column, qsizetype(3 * cells));
    view.setSelection({0, 0}, {0, std::numeric_limits<qsizetype>::max()});
    EXPECT_EQ(view.selectedText(), minified);

    // A line too long for the most lines a row shows is cut there, marks and all.
    const QString endless(qsizetype(second->cellsPerLine) * RowHeights::kMaxLines + 500, QLatin1Char('z'));
    view.setResult(test::diff({endless}, {QStringLiteral("end")}));
    QTest::qWait(1);
    view.centreOnRow(0, false);
    view.viewport()->repaint();
    RowPainter& painter = const_cast<RowPainter&>(view.rowPainter());
    EXPECT_EQ(view.heightOfRow(0), rows.metrics().heightOfLines(RowHeights::kMaxLines));
    EXPECT_TRUE(painter.spanBoxes(0, PageSide::left, TextSpan{endless.size() - 10, 5}).empty());
    EXPECT_EQ(painter.spanBoxes(0, PageSide::left, TextSpan{0, 5}).size(), 1U);
}

// Wrapped rows below and above the focus, estimated until painted: after the animation
// the focused row's centre is at the view's centre.
TEST(Wrap, TheFocusedRowIsCentredAmongWrappedRows)
{
    QStringList left;
    for (int i = 0; i < 400; ++i)
        left.append(paragraph(10 + (i * 37) % 90, QStringLiteral("w%1").arg(i % 10)));
    QStringList right = left;
    right[300] = QStringLiteral("changed");
    SideBySideView view;
    view.setResult(test::diff(left, right));
    view.setWrapping(true);
    shown(view, {1100, 700});
    DiffColumnView* column = view.column(PageSide::right);
    view.setFocusedRow(301);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !column->isAnimating(); }, 5000));
    QTest::qWait(20); // a paint measures what came into view
    const qint64 centre = column->scrollPosition().y() + column->viewport()->height() / 2;
    EXPECT_NEAR(qreal(column->rowTop(301)) + qreal(column->heightOfRow(301)) / 2, qreal(centre), 1.0);
    EXPECT_EQ(view.column(PageSide::left)->scrollPosition().y(), column->scrollPosition().y()); // together
}

// A find match on a paragraph's fourth screen line is marked there, and revealing it
// brings that line into view.
TEST(Wrap, FindMarksAMatchInAContinuationLine)
{
    test::AppearanceScope light(false);
    QString text = paragraph(120);
    const qsizetype at = text.indexOf(QStringLiteral("lorem"), 400);
    text.replace(at, 5, QStringLiteral("needl"));
    InlineView view;
    view.setResult(paragraphChanged(80, 60, text));
    view.setWrapping(true);
    shown(view, {700, 400});
    const TextSpan span{at, 5};
    view.setFind(TextMatcher(QStringLiteral("needl"), Qt::CaseInsensitive), RowPainter::FindMark{60, span, {}});
    view.revealMatch(60, span);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !view.isAnimating(); }, 5000));
    QTest::qWait(20);
    RowPainter& rows = const_cast<RowPainter&>(view.rowPainter());
    const RowPainter::LinePoint point = rows.cursorPoint(60, PageSide::right, at);
    EXPECT_GE(point.line, 3);
    const std::vector<QRectF> boxes = rows.spanBoxes(60, PageSide::right, span);
    ASSERT_EQ(boxes.size(), 1U);
    const QImage image = test::grabImage(view.viewport());
    const qreal x = InlineView::kMarkerWidth + RowMetrics::kSeparatorWidth + rows.textStart() + boxes[0].left() + 2;
    const qreal y = qreal(view.rowTop(60) - view.scrollPosition().y()) + boxes[0].top() + 2;
    ASSERT_TRUE(QRect(QPoint(), image.size()).contains(QPoint(int(x), int(y))));
    // The removed row's marker stands beside its first line, not halfway down the row.
    const auto markerRed = [&](qint64 from, qint64 to) {
        for (qint64 row = std::max<qint64>(0, from); row < std::min<qint64>(image.height(), to); ++row)
            for (int column = 0; column < int(InlineView::kMarkerWidth); ++column)
                if (test::sameColor(image.pixelColor(column, int(row)), Palette::light().color(ColorRole::red), 60))
                    return true;
        return false;
    };
    const qint64 rowTop = view.rowTop(60) - view.scrollPosition().y();
    EXPECT_TRUE(markerRed(rowTop, rowTop + rows.metrics().rowHeight));
    EXPECT_FALSE(markerRed(rowTop + rows.metrics().rowHeight, rowTop + view.heightOfRow(60)));
    EXPECT_TRUE(test::sameColor(
        image.pixelColor(int(x), int(y)),
        test::over(Palette::light().color(ColorRole::findCurrent), Palette::light().color(ColorRole::viewBackground)),
        40));
}

// Prose of `count` paragraphs, each a few screen lines when wrapped.
QStringList prose(int count)
{
    QStringList lines;
    for (int i = 0; i < count; ++i)
        lines.append(paragraph(24 + i % 9, QStringLiteral("word%1x").arg(i % 10)));
    return lines;
}

// Narrowed at the end or near it, or sent to the last rows by the change map, the columns
// of the side-by-side view stay level: the row at the top of one is the row at the top of
// the other, and the last row can still be reached.
TEST(Wrap, TheColumnsStayLevelWhenHeightsChange)
{
    QStringList left = prose(3000);
    QStringList right = left;
    right[2990] = QStringLiteral("changed");
    for (const double at : {1.0, 0.9}) {
        SideBySideView view;
        view.setResult(test::diff(left, right));
        view.setWrapping(true);
        shown(view, {1000, 600});
        DiffColumnView* first = view.column(PageSide::left);
        DiffColumnView* second = view.column(PageSide::right);
        first->verticalScrollBar()->setValue(int(first->verticalScrollBar()->maximum() * at));
        QTest::qWait(20);
        const qint64 top = first->firstVisibleRow();
        view.resize(800, 600);
        QTest::qWait(20);
        EXPECT_EQ(first->firstVisibleRow(), top) << at; // the row at the top stays there
        EXPECT_EQ(first->scrollPosition().y(), second->scrollPosition().y()) << at;
        EXPECT_EQ(first->verticalScrollBar()->maximum(), second->verticalScrollBar()->maximum()) << at;
    }
    SideBySideView view;
    view.setResult(test::diff(left, right));
    view.setWrapping(true);
    shown(view, {900, 600});
    DiffColumnView* first = view.column(PageSide::left);
    DiffColumnView* second = view.column(PageSide::right);
    const qint64 last = first->rowCount() - 1;
    first->changeMap()->onJump(last);
    QTest::qWait(20);
    EXPECT_EQ(first->scrollPosition().y(), second->scrollPosition().y());
    EXPECT_EQ(second->verticalScrollBar()->maximum(), first->verticalScrollBar()->maximum());
    EXPECT_EQ(first->scrollPosition().y(), first->verticalScrollBar()->maximum());
    EXPECT_EQ(first->verticalScrollBar()->maximum(), first->totalHeight() - first->viewport()->height());
}

// Each step of a resize lays out only the rows in view at the new width; every other row
// keeps its height until the steps stop, and then all are estimated at the width reached.
// The row at the top stays there throughout, in both columns.
TEST(Wrap, AResizeLaysOutTheRowsInViewAndEstimatesTheRestOnceItStops)
{
    const QStringList left = prose(3000);
    QStringList right = left;
    right[1500] = QStringLiteral("changed");
    SideBySideView view;
    view.setResult(test::diff(left, right));
    view.setWrapping(true);
    shown(view, {1000, 600});
    DiffColumnView* first = view.column(PageSide::left);
    DiffColumnView* second = view.column(PageSide::right);
    const RowPainter& rows = first->rowPainter();
    ASSERT_TRUE(test::waitFor([&] { return rows.estimatesSettled(); })); // shown is resized too
    first->verticalScrollBar()->setValue(first->verticalScrollBar()->maximum() / 2);
    QTest::qWait(20);
    const qint64 top = first->firstVisibleRow();
    const qint64 far = rows.rowCount() / 5;
    const int farLines = rows.heights().lines(far);
    // No events between the step and its paint: the estimates cannot have been taken yet.
    view.resize(700, 600);
    ASSERT_LT(first->viewport()->width(), 400);
    first->viewport()->repaint();
    second->viewport()->repaint();
    EXPECT_FALSE(rows.estimatesSettled());
    EXPECT_TRUE(rows.heights().isMeasured(top) && rows.heights().isMeasured(top + 1));
    EXPECT_EQ(rows.heights().lines(far), farLines);
    EXPECT_FALSE(rows.heights().isMeasured(far));
    EXPECT_EQ(first->firstVisibleRow(), top);
    for (bool dark : {false, true}) { // looked at by eye
        Appearance::instance().setDark(dark);
        view.grab().save(QStringLiteral("/tmp/varnel-wrap-resize-%1.png").arg(dark ? "dark" : "light"));
    }
    Appearance::instance().setDark(false);
    ASSERT_TRUE(test::waitFor([&] { return rows.estimatesSettled(); }));
    QTest::qWait(20);
    EXPECT_GT(rows.heights().lines(far), farLines); // estimated at the narrower width
    EXPECT_EQ(first->firstVisibleRow(), top);
    EXPECT_EQ(second->scrollPosition().y(), first->scrollPosition().y());
    EXPECT_EQ(second->verticalScrollBar()->maximum(), first->verticalScrollBar()->maximum());

    // The columns' maps, which share their marks, both show the heights as they are now.
    const auto marks = [](const ChangeMap& map) {
        std::vector<std::uint8_t> all;
        all.reserve(std::size_t(map.pixels()));
        for (int y = 0; y < map.pixels(); ++y)
            all.push_back(map.marks(y));
        return all;
    };
    for (DiffColumnView* column : {second, first})
        column->changeMap()->repaint();
    const RowHeights& heights = rows.heights();
    const ChangeMap now(
        rows.changeRuns(), first->changeMap()->changeMap().pixels(),
        [&heights](qint64 row) { return heights.top(row); }, heights.totalHeight());
    EXPECT_EQ(marks(first->changeMap()->changeMap()), marks(now));
    EXPECT_EQ(marks(second->changeMap()->changeMap()), marks(now));
}

// A painter that stopped wrapping (no memory to estimate the heights of a new result or
// text size) stops its view wrapping too, once, and the view says so: it scrolls sideways
// again, by rows of one line.
TEST(Wrap, AViewStopsWrappingWithItsPainter)
{
    auto rows = std::make_shared<RowPainter>();
    rows->setResult(paragraphChanged(40, 10, paragraph(200)));
    DiffColumnView view(PageSide::left, rows);
    view.resultChanged(std::nullopt);
    view.setWrapping(true);
    shown(view, {600, 400});
    ASSERT_TRUE(view.isWrapping());
    QSignalSpy dropped(&view, &DiffCanvas::wrappingDropped);
    rows->setWrapWidth(0); // what a failed estimate leaves
    view.resultChanged(std::nullopt);
    QTest::qWait(20);
    EXPECT_FALSE(view.isWrapping());
    EXPECT_EQ(dropped.size(), 1);
    EXPECT_GT(view.horizontalScrollBar()->maximum(), 0);
    EXPECT_EQ(view.verticalScrollBar()->maximum(), view.rowCount() * view.rowHeight() - view.viewport()->height());
    view.metricsChanged({});
    EXPECT_EQ(dropped.size(), 1);
}

// A new result with more lines widens the number column: the text wraps in what is left,
// at any text size, and wrapping stays on in a view narrower than its numbers.
TEST(Wrap, TheWrapWidthFollowsTheNumberColumnAndTheTextSize)
{
    InlineView view;
    view.setFontSize(18);
    QStringList many = prose(12000);
    view.setResult(test::diff(many.mid(0, 200), many.mid(1, 200))); // already scrolls
    view.setWrapping(true);
    shown(view, {700, 400});
    const RowPainter& rows = view.rowPainter();
    const qreal narrow = rows.textStart();
    view.setResult(test::diff(many, many.mid(1)));
    QTest::qWait(20);
    ASSERT_GT(rows.textStart(), narrow);
    EXPECT_LE(rows.wrapWidth(), view.wrapTextWidth());
    view.resize(int(rows.textStart()) / 2, 400);
    QTest::qWait(20);
    view.setFontSize(30);
    QTest::qWait(20);
    EXPECT_TRUE(rows.isWrapping());
    EXPECT_EQ(view.horizontalScrollBar()->maximum(), 0);
}

// Not wrapping, a find match far along a long line ends centred, sideways too, and the
// view never moves back on the way there.
TEST(Wrap, UnwrappedTheMatchEndsCentred)
{
    QString line = paragraph(90);
    const qsizetype at = line.indexOf(QStringLiteral("lorem"), 400);
    line.replace(at, 5, QStringLiteral("needl"));
    InlineView view;
    view.setResult(paragraphChanged(40, 20, line));
    shown(view, {int(view.rowPainter().metrics().advance * 100), 400});
    const TextSpan span{at, 5};
    view.setFind(TextMatcher(QStringLiteral("needl"), Qt::CaseInsensitive), RowPainter::FindMark{21, span, {}});
    const QPoint end = view.revealTarget(21, span);
    ASSERT_GT(end.x(), 0);
    int furthest = 0;
    bool back = false;
    QObject::connect(view.horizontalScrollBar(), &QScrollBar::valueChanged, &view, [&](int x) {
        back = back || x < furthest;
        furthest = std::max(furthest, x);
    });
    view.revealMatch(21, span);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !view.isAnimating(); }, 5000));
    EXPECT_EQ(view.scrollPosition().x(), end.x());
    EXPECT_FALSE(back);
}

} // namespace
