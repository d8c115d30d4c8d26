// SPDX-License-Identifier: GPL-3.0-or-later

// The painter's rows: the result and its settings, the rows' text and its cache, and
// painting a row: fill, number column, separator, text or collapsed label, outline.
#include "widgets/diffview/rowpainter.h"

#include "reading/ignorednote.h"
#include "widgets/diffview/rowpaintparts.h"
#include "widgets/style/appearance.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace varnel {

using namespace rowpaint;

namespace {

std::optional<QColor> background(const DiffLine& line, const RowPainter::Row& row, const Palette& palette, bool moved)
{
    if (row.empty)
        return palette.color(ColorRole::secondary, kFillerTint);
    const qreal tint = (palette.isDark() ? kChangeTintDark : kChangeTintLight) + (row.focused ? kFocusBoost : 0);
    if (line.ignored() != IgnoredReason::none)
        return std::nullopt; // set aside or marked: no change, so no change tint
    switch (line.type()) {
    case DiffLineType::contextCollapsed: return palette.color(ColorRole::secondary, kCollapsedTint);
    case DiffLineType::added: return palette.color(moved ? ColorRole::moved : ColorRole::green, tint);
    case DiffLineType::removed: return palette.color(moved ? ColorRole::moved : ColorRole::red, tint);
    case DiffLineType::unchanged:
        if (row.focused)
            return palette.color(ColorRole::accent, kFocusedUnchangedTint);
        return std::nullopt;
    }
    return std::nullopt;
}

QColor outlineColor(DiffLineType type, const Palette& palette, bool moved)
{
    if (moved)
        return palette.color(ColorRole::moved, kOutlineOpacity);
    switch (type) {
    case DiffLineType::added: return palette.color(ColorRole::green, kOutlineOpacity);
    case DiffLineType::removed: return palette.color(ColorRole::red, kOutlineOpacity);
    default: return palette.color(ColorRole::accent, kOutlineOpacity);
    }
}

} // namespace

QString collapsedLabel(qint64 hiddenCount)
{
    return QString::number(hiddenCount) +
           (hiddenCount == 1 ? QStringLiteral(" unchanged line hidden") : QStringLiteral(" unchanged lines hidden"));
}

RowPainter::RowPainter() : m_metrics(RowMetrics::forFontSize(13)), m_palette(&Appearance::instance().palette()) {}

void RowPainter::setResult(DiffResult result)
{
    // All the rows need is made before any of it is kept: memory running out half way
    // leaves the painter with its old result whole.
    LongestLines longest = LongestLines::find(result.lines());
    ChangeRuns runs = ChangeRuns::find(result.lines());
    PairedRows shown = m_pairing ? PairedRows::paired(runs) : PairedRows::oneByOne(result.lines().size());
    m_result = std::move(result);
    m_longest = std::move(longest);
    m_runs = std::move(runs);
    m_shown = std::move(shown);
    // Numbers grow down the rows: the largest is the last present on either side.
    m_largestNumber = 0;
    const DiffRows& lines = m_result.lines();
    for (PageSide side : {PageSide::left, PageSide::right}) {
        for (qsizetype i = lines.size() - 1; i >= 0; --i) {
            const std::optional<qint64> number =
                side == PageSide::left ? lines[i].leftLineNumber() : lines[i].rightLineNumber();
            if (number) {
                m_largestNumber = std::max(m_largestNumber, *number);
                break;
            }
        }
    }
    updateGutterWidth();
    clearCache();
    estimateOrUnwrap();
}

void RowPainter::setLanguage(std::optional<SyntaxHighlighter::Language> language)
{
    if (language == m_language)
        return;
    m_language = language;
    clearCache();
}

void RowPainter::setFontSize(qreal fontSize)
{
    if (std::round(fontSize) == m_metrics.fontSize)
        return;
    m_metrics = RowMetrics::forFontSize(fontSize);
    updateGutterWidth();
    clearCache();
    estimateOrUnwrap();
}

void RowPainter::updateGutterWidth()
{
    // A result with marked or moved rows keeps room for the marker before the widest number.
    const bool markers = m_result.ignoredCount() > 0 || !m_moves.isEmpty();
    const qreal marker = markers ? markerWidth() + RowMetrics::kNumberLeading : 0;
    const qreal needed = std::ceil(qreal(QString::number(m_largestNumber).size()) * m_metrics.digitAdvance +
                                   RowMetrics::kNumberLeading + RowMetrics::kNumberTrailing + marker);
    m_gutterWidth = std::max(RowMetrics::kGutterWidth, needed);
}

qreal RowPainter::markerWidth() const
{
    return std::max(m_metrics.numberMetrics.horizontalAdvance(QChar(kIgnoredMarker)),
                    m_metrics.numberMetrics.horizontalAdvance(QChar(kMovedMarker)));
}

void RowPainter::setMoves(MovedBlocks moves)
{
    m_moves = std::move(moves);
    updateGutterWidth();
    clearCache(); // the spans of edited moved lines
}

std::optional<MoveEnd> RowPainter::moveOf(qint64 index) const
{
    if (m_moves.isEmpty() || index < 0 || index >= rowCount())
        return std::nullopt;
    return m_moves.of(line(index));
}

QString RowPainter::moveNote(qint64 index) const
{
    const std::optional<MoveEnd> end = moveOf(index);
    if (!end)
        return {};
    return (line(index).type() == DiffLineType::added ? QStringLiteral("Moved from line %1")
                                                      : QStringLiteral("Moved to line %1"))
        .arg(end->otherLine);
}

bool RowPainter::onMoveMarker(qint64 index, qreal x) const
{
    return x >= 0 && x < RowMetrics::kNumberLeading + 1 + markerWidth() + RowMetrics::kNumberLeading &&
           moveOf(index).has_value();
}

void RowPainter::setPalette(const Palette& palette)
{
    if (&palette == m_palette)
        return;
    m_palette = &palette;
    clearCache();
}

void RowPainter::clearCache()
{
    m_cache.clear();
    m_widest.fill(std::nullopt);
}

bool RowPainter::showsText(const Row& row) const
{
    return !row.empty && line(row.index).type() != DiffLineType::contextCollapsed;
}

qint64 RowPainter::cacheKey(qint64 index, PageSide side) const
{
    return side == PageSide::right && line(index).sidesDiffer() ? ~index : index;
}

RowText& RowPainter::rowText(qint64 index, PageSide side)
{
    const qint64 key = cacheKey(index, side);
    if (RowText* cached = m_cache.find(key))
        return *cached;
    return m_cache.insert(key, makeRowText(index, side));
}

QString RowPainter::text(qint64 index, PageSide side)
{
    if (line(index).type() == DiffLineType::contextCollapsed)
        return {};
    return rowText(index, side).text;
}

qreal RowPainter::textWidth(qint64 index, PageSide side)
{
    if (line(index).type() == DiffLineType::contextCollapsed)
        return labelWidth(index);
    return rowText(index, side).width;
}

qreal RowPainter::labelWidth(qint64 index) const
{
    const qreal label = m_metrics.labelMetrics.horizontalAdvance(collapsedLabel(line(index).hiddenCount().value_or(0)));
    const QString matches = foldedMatchesText(index);
    if (matches.isEmpty())
        return label;
    return label + kFoldedMatchesGap + m_metrics.labelMetrics.horizontalAdvance(matches) + 2 * kFoldedMatchesPadding;
}

qreal RowPainter::cursorX(qint64 index, PageSide side, qsizetype position)
{
    return cursorPoint(index, side, position).x;
}

qsizetype RowPainter::cursorAt(qint64 index, PageSide side, qreal x)
{
    return cursorAt(index, side, x, 0);
}

qreal RowPainter::widestText(ShownRows shown)
{
    std::optional<qreal>& widest = m_widest[std::size_t(shown)];
    if (!widest) {
        // The inline view shows every row as the right column would, where it has one.
        const PageSide side = shown == ShownRows::left ? PageSide::left : PageSide::right;
        qreal width = 0;
        for (qint64 index : m_longest.rows(shown))
            width = std::max(width, rowText(index, side).width);
        widest = width;
    }
    return *widest;
}

void RowPainter::paint(QPainter& painter, const QRectF& rect, const Row& row, const QRectF& clip,
                       std::optional<Selection> selection)
{
    const Palette& palette = *m_palette;
    const DiffLine& diffLine = line(row.index);
    const bool collapsed = diffLine.type() == DiffLineType::contextCollapsed;
    const bool moved = !row.empty && moveOf(row.index).has_value();

    if (const std::optional<QColor> fill = background(diffLine, row, palette, moved))
        painter.fillRect(rect, *fill);
    painter.fillRect(QRectF(rect.left() + m_gutterWidth, rect.top(), RowMetrics::kSeparatorWidth, rect.height()),
                     palette.color(ColorRole::secondary, kSeparatorOpacity));

    // The number column.
    const qreal gutterRight = rect.left() + m_gutterWidth;
    if (collapsed) {
        const QString ellipsis(QChar(0x2026));
        const qreal width = m_metrics.numberMetrics.horizontalAdvance(ellipsis);
        painter.setFont(m_metrics.numberFont);
        painter.setPen(palette.color(ColorRole::tertiary));
        painter.drawText(
            QPointF(rect.left() + std::round((m_gutterWidth - width) / 2), rect.top() + m_metrics.numberBaseline),
            ellipsis);
    } else if (!row.empty) {
        const std::optional<qint64> number =
            row.side == PageSide::left ? diffLine.leftLineNumber() : diffLine.rightLineNumber();
        if (diffLine.ignored() != IgnoredReason::none) {
            // Quiet, but as readable as text: the only sign that the lines differ.
            painter.setFont(m_metrics.numberFont);
            painter.setPen(palette.color(ColorRole::secondary));
            painter.drawText(
                QPointF(rect.left() + RowMetrics::kNumberLeading + 1, rect.top() + m_metrics.numberBaseline),
                QString(QChar(kIgnoredMarker)));
        } else if (moved) {
            // The moved marker: the way to the other end (a tooltip, a click, Alt+M).
            painter.setFont(m_metrics.numberFont);
            painter.setPen(palette.color(ColorRole::moved));
            painter.drawText(
                QPointF(rect.left() + RowMetrics::kNumberLeading + 1, rect.top() + m_metrics.numberBaseline),
                QString(QChar(kMovedMarker)));
        }
        if (number) {
            const QString digits = QString::number(*number);
            const qreal width = m_metrics.numberMetrics.horizontalAdvance(digits);
            painter.setFont(m_metrics.numberFont);
            painter.setPen(palette.color(ColorRole::tertiary));
            painter.drawText(
                QPointF(gutterRight - RowMetrics::kNumberTrailing - width, rect.top() + m_metrics.numberBaseline),
                digits);
        }
    }

    // The text column.
    if (collapsed) {
        painter.setFont(m_metrics.labelFont);
        painter.setPen(palette.color(ColorRole::secondary));
        painter.drawText(QPointF(rect.left() + textStart(), rect.top() + m_metrics.labelBaseline),
                         collapsedLabel(diffLine.hiddenCount().value_or(0)));
        paintFoldedMatches(painter, rect, row.index);
    } else if (!row.empty && !diffLine.content(row.side).isEmpty()) {
        paintText(painter, rect, row, clip, selection);
    }

    if (row.focused)
        fillFrame(painter, rect, kOutlineWidth, outlineColor(diffLine.type(), palette, moved));
}

void RowPainter::paintText(QPainter& painter, const QRectF& rect, const Row& shown, const QRectF& clip,
                           std::optional<Selection> selection)
{
    const Palette& palette = *m_palette;
    const qint64 index = shown.index;
    const RowText& row = rowText(index, shown.side);
    const qreal x = rect.left() + textStart();
    if (x + row.width < clip.left() || x > clip.right())
        return;

    paintMarks(painter, rect, shown, x, clip);
    if (selection && selection->to > selection->from) {
        // A selection covers its lines whole, from the row's top to its bottom.
        const TextSpan span{selection->from, std::min(selection->to, row.text.size()) - selection->from};
        const qreal inset = RowMetrics::kVerticalInsets / 2.0;
        const qreal textBottom = m_metrics.heightOfLines(row.lines);
        for (QRectF box : spanBoxes(index, shown.side, span)) {
            if (box.top() == inset)
                box.setTop(0);
            if (box.bottom() == textBottom - inset)
                box.setBottom(textBottom);
            painter.fillRect(box.translated(x, rect.top()), palette.color(ColorRole::accent, kSelectionOpacity));
        }
    }

    painter.setPen(palette.color(ColorRole::primary));
    const qreal baseline = rect.top() + m_metrics.textBaseline;
    if (row.isLong() && row.cellsPerLine > 0) {
        paintWrappedLongText(painter, x, rect.top(), row, clip);
        return;
    }
    if (row.isLong()) {
        paintLongText(painter, x, baseline, row, clip);
        return;
    }
    if (row.layout->lineCount() == 0)
        return;
    const QTextLine line = row.layout->lineAt(0);
    row.layout->draw(&painter, QPointF(x, baseline - line.ascent()));
}

} // namespace varnel
