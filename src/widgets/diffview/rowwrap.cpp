// SPDX-License-Identifier: GPL-3.0-or-later

// The painter's wrapped rows: the width they wrap at, their heights (estimated for every
// row, measured for the rows laid out) and where characters stand on their screen lines.
#include "widgets/diffview/rowpainter.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <utility>

namespace varnel {

bool RowPainter::setWrapWidth(qreal width)
{
    width = std::max<qreal>(0, std::floor(width));
    if (width == m_wrapWidth)
        return false;
    const qreal old = std::exchange(m_wrapWidth, width);
    try {
        estimateHeights();
    } catch (const std::bad_alloc&) {
        m_wrapWidth = old; // the heights are still those of the old width
        throw;
    }
    clearCache();
    return true;
}

bool RowPainter::setWrapWidthKeepingEstimates(qreal width)
{
    width = std::max<qreal>(0, std::floor(width));
    if (!isWrapping() || width == 0)
        return setWrapWidth(width);
    if (width == m_wrapWidth)
        return false;
    m_wrapWidth = width;
    m_heights.forgetMeasured();
    m_estimatesStale = true;
    clearCache();
    return true;
}

bool RowPainter::settleEstimates()
{
    if (!m_estimatesStale || !isWrapping())
        return false;
    try {
        estimateHeights();
    } catch (const std::bad_alloc&) {
        return false; // the heights of the earlier width are whole, and still stand in
    }
    return true;
}

void RowPainter::estimateOrUnwrap()
{
    try {
        estimateHeights();
    } catch (const std::bad_alloc&) {
        // The heights there are belong to other rows or another size: no wrapping until
        // a width is set again.
        m_wrapWidth = 0;
        m_heights.clear();
        throw;
    }
}

void RowPainter::setPairing(bool pair)
{
    if (pair == m_pairing)
        return;
    const PairedRows old = std::exchange(m_shown, pair ? PairedRows::paired(m_runs) : PairedRows::oneByOne(rowCount()));
    try {
        estimateHeights();
    } catch (const std::bad_alloc&) {
        m_shown = old; // the heights are still those of the old rows
        throw;
    }
    m_pairing = pair;
}

namespace {

// Whether a column of `side` shows a line of this type as text (else as a filler).
bool showsOn(DiffLineType type, PageSide side)
{
    return side == PageSide::left ? type != DiffLineType::added : type != DiffLineType::removed;
}

} // namespace

void RowPainter::estimateHeights()
{
    if (!isWrapping()) {
        m_heights.clear();
        m_estimatesStale = false;
        return;
    }
    // A row is as tall as the longer of the lines it shows; bytes stand for characters.
    // Shown rows go down both sides in order, so each side's iterator stays in its run.
    const qreal perLine = m_wrapWidth / std::max<qreal>(1, m_metrics.advance);
    const DiffRows& lines = m_result.lines();
    DiffRows::const_iterator left = lines.begin();
    DiffRows::const_iterator right = lines.begin();
    std::size_t pair = 0;
    m_heights.reset(shownCount(), m_metrics.rowHeight, m_metrics.lineStep, [&](qint64 shown) {
        const PairedRows::Sides sides = m_shown.sidesAt(shown, pair);
        left += sides.left - (left - lines.begin());
        right += sides.right - (right - lines.begin());
        const DiffLine leftRow = *left;
        if (leftRow.type() == DiffLineType::contextCollapsed)
            return 1;
        qint64 bytes = showsOn(leftRow.type(), PageSide::left) ? leftRow.leftContent().size() : 0;
        const DiffLine rightRow = sides.right == sides.left ? leftRow : *right;
        if (showsOn(rightRow.type(), PageSide::right))
            bytes = std::max(bytes, rightRow.rightContent().size());
        return RowHeights::estimateLines(bytes, perLine);
    });
    m_estimatesStale = false;
}

bool RowPainter::measure(qint64 shown)
{
    if (!isWrapping() || shown < 0 || shown >= shownCount() || m_heights.isMeasured(shown))
        return false;
    const PairedRows::Sides sides = m_shown.sidesAt(shown);
    int lines = 1;
    if (line(sides.left).type() != DiffLineType::contextCollapsed) {
        // An unchanged row whose sides are the same bytes is laid out once (one cache entry).
        for (const auto& [index, side] : {std::pair{sides.left, PageSide::left}, {sides.right, PageSide::right}}) {
            if (showsOn(line(index).type(), side))
                lines = std::max(lines, rowText(index, side).lines);
        }
    }
    return m_heights.setMeasured(shown, lines);
}

int RowPainter::lineAt(qreal y) const
{
    if (!isWrapping() || m_metrics.lineStep <= 0)
        return 0;
    return std::clamp(int(std::floor((y - m_metrics.textTop) / m_metrics.lineStep)), 0, RowHeights::kMaxLines - 1);
}

RowPainter::LinePoint RowPainter::cursorPoint(qint64 index, PageSide side, qsizetype position)
{
    const RowText& row = rowText(index, side);
    position = std::clamp<qsizetype>(position, 0, row.text.size());
    if (row.isLong() && row.cellsPerLine > 0) {
        // The end of a full line stands at the end of that line, not before the next one.
        const qsizetype line = std::max<qsizetype>(0, (position - 1) / row.cellsPerLine);
        return {qreal(position - line * row.cellsPerLine) * m_metrics.advance, int(line)};
    }
    if (row.isLong() || row.layout->lineCount() == 0)
        return {qreal(position) * m_metrics.advance, 0};
    int line = std::max(0, row.layout->lineForTextPosition(int(position)).lineNumber());
    const QTextLine before = row.layout->lineAt(std::max(0, line - 1));
    if (line > 0 && position == before.textStart() + before.textLength())
        line -= 1; // the end of a wrapped line: the cursor stays on it
    return {row.layout->lineAt(line).cursorToX(int(position)), line};
}

qsizetype RowPainter::cursorAt(qint64 index, PageSide side, qreal x, int line)
{
    const RowText& row = rowText(index, side);
    if (row.isLong() && row.cellsPerLine > 0) {
        line = std::clamp(line, 0, row.lines - 1);
        const qsizetype start = qsizetype(line) * row.cellsPerLine;
        const qsizetype cell =
            std::clamp<qsizetype>(qsizetype(std::lround(x / m_metrics.advance)), 0, row.cellsPerLine);
        return std::min(start + cell, row.text.size());
    }
    if (row.isLong() || row.layout->lineCount() == 0)
        return std::clamp<qsizetype>(qsizetype(std::lround(x / m_metrics.advance)), 0, row.text.size());
    line = std::clamp(line, 0, row.layout->lineCount() - 1);
    return row.layout->lineAt(line).xToCursor(x, QTextLine::CursorBetweenCharacters);
}

std::pair<qreal, qreal> RowPainter::lineBand(int line, int lines) const
{
    // The first line reaches up to the row's inset, the last down to it; lines between
    // meet each other.
    const qreal inset = RowMetrics::kVerticalInsets / 2.0;
    const qreal top = line == 0 ? inset : m_metrics.textTop + qreal(line) * m_metrics.lineStep;
    const qreal bottom = line + 1 >= lines ? m_metrics.heightOfLines(lines) - inset
                                           : m_metrics.textTop + qreal(line + 1) * m_metrics.lineStep;
    return {top, bottom};
}

std::vector<QRectF> RowPainter::spanBoxes(qint64 index, PageSide side, TextSpan span)
{
    const RowText& row = rowText(index, side);
    const qsizetype from = std::clamp<qsizetype>(span.start, 0, row.text.size());
    const qsizetype to = std::clamp<qsizetype>(span.end(), from, row.text.size());
    const LinePoint start = cursorPoint(index, side, from);
    const LinePoint end = cursorPoint(index, side, to);
    std::vector<QRectF> boxes;
    // A text cut at the most lines a row shows has no boxes past its last line.
    for (int line = start.line; line <= std::min(end.line, row.lines - 1); ++line) {
        const auto [top, bottom] = lineBand(line, row.lines);
        qreal left = 0;
        qreal right = row.width;
        if (row.isLong() && row.cellsPerLine > 0) {
            right = qreal(std::min(row.cellsPerLine, row.text.size() - qsizetype(line) * row.cellsPerLine)) *
                    m_metrics.advance;
        } else if (!row.isLong() && line < row.layout->lineCount()) {
            right = row.layout->lineAt(line).naturalTextWidth();
        }
        if (line == start.line)
            left = start.x;
        if (line == end.line)
            right = end.x;
        if (right > left || start.line == end.line)
            boxes.emplace_back(left, top, right - left, bottom - top);
    }
    return boxes;
}

} // namespace varnel
