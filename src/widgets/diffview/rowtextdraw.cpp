// SPDX-License-Identifier: GPL-3.0-or-later

// Laying a row's text out, and drawing lines too long to shape whole: only the characters
// in view, on a grid of character cells (a window of it per screen line while wrapping).
#include "widgets/diffview/rowpainter.h"
#include "widgets/diffview/rowpaintparts.h"
#include "widgets/style/appearance.h"

#include <QPainter>
#include <QTextOption>

#include <algorithm>
#include <cmath>

namespace varnel {

namespace rowpaint {

void fillFrame(QPainter& painter, const QRectF& rect, qreal width, const QColor& color)
{
    painter.fillRect(QRectF(rect.left(), rect.top(), rect.width(), width), color);
    painter.fillRect(QRectF(rect.left(), rect.bottom() - width, rect.width(), width), color);
    const qreal sideHeight = rect.height() - 2 * width;
    if (sideHeight <= 0)
        return;
    painter.fillRect(QRectF(rect.left(), rect.top() + width, width, sideHeight), color);
    painter.fillRect(QRectF(rect.right() - width, rect.top() + width, width, sideHeight), color);
}

QList<QTextLayout::FormatRange> formatsFor(const QList<HighlightRun>& runs, qsizetype from, qsizetype to,
                                           const Palette& palette)
{
    QList<QTextLayout::FormatRange> formats;
    // Runs are in order and do not overlap: skip to the first that ends after `from`.
    auto it = std::lower_bound(runs.cbegin(), runs.cend(), from,
                               [](const HighlightRun& run, qsizetype pos) { return run.start + run.length <= pos; });
    for (; it != runs.cend() && it->start < to; ++it) {
        if (!it->role)
            continue;
        const qsizetype start = std::max(it->start, from);
        const qsizetype end = std::min(it->start + it->length, to);
        QTextLayout::FormatRange range;
        range.start = int(start - from);
        range.length = int(end - start);
        range.format.setForeground(palette.tokenColor(*it->role));
        formats.append(range);
    }
    return formats;
}

std::unique_ptr<QTextLayout> layOut(const QString& text, const QList<QTextLayout::FormatRange>& formats,
                                    const RowMetrics& metrics, qreal wrapWidth)
{
    auto layout = std::make_unique<QTextLayout>(text, metrics.textFont);
    QTextOption option;
    option.setWrapMode(wrapWidth > 0 ? QTextOption::WrapAtWordBoundaryOrAnywhere : QTextOption::NoWrap);
    option.setTextDirection(Qt::LeftToRight);
    option.setTabStopDistance(metrics.tabDistance);
    layout->setTextOption(option);
    layout->setFormats(formats);
    layout->setCacheEnabled(true);
    layout->beginLayout();
    for (int index = 0; index < RowHeights::kMaxLines; ++index) {
        QTextLine line = layout->createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(wrapWidth > 0 ? wrapWidth : kUnboundedLineWidth);
        line.setPosition(QPointF(0, qreal(index) * metrics.lineStep));
        if (wrapWidth <= 0)
            break;
    }
    layout->endLayout();
    return layout;
}

} // namespace rowpaint

using namespace rowpaint;

RowText RowPainter::makeRowText(qint64 index, PageSide side) const
{
    RowText row;
    row.text = line(index).contentString(side);
    if (m_language && !row.text.isEmpty())
        row.runs = SyntaxHighlighter::highlight(row.text, *m_language);
    if (row.text.size() > RowText::kLongLine) {
        row.width = qreal(row.text.size()) * m_metrics.advance;
        if (isWrapping()) {
            // On the grid: as many cells a line as the column holds.
            row.cellsPerLine = std::max<qsizetype>(1, qsizetype(m_wrapWidth / m_metrics.advance));
            const qsizetype lines = (row.text.size() + row.cellsPerLine - 1) / row.cellsPerLine;
            row.lines = int(std::min<qsizetype>(lines, RowHeights::kMaxLines));
            row.width = qreal(std::min(row.text.size(), row.cellsPerLine)) * m_metrics.advance;
        }
        return row;
    }
    row.layout = layOut(row.text, formatsFor(row.runs, 0, row.text.size(), *m_palette), m_metrics, m_wrapWidth);
    row.lines = std::max(1, row.layout->lineCount());
    row.width = 0;
    for (int line = 0; line < row.layout->lineCount(); ++line)
        row.width = std::max(row.width, row.layout->lineAt(line).naturalTextWidth());
    return row;
}

void RowPainter::paintLongText(QPainter& painter, qreal x, qreal baseline, const RowText& row, const QRectF& clip) const
{
    // Only the characters in view, plus one on each side for glyphs that overhang.
    const qreal advance = m_metrics.advance;
    qsizetype first = std::max<qsizetype>(0, qsizetype(std::floor((clip.left() - x) / advance)) - 1);
    qsizetype last = std::min<qsizetype>(row.text.size(), qsizetype(std::ceil((clip.right() - x) / advance)) + 1);
    if (first >= last)
        return;
    if (first > 0 && row.text.at(first).isLowSurrogate())
        --first;
    if (last < row.text.size() && row.text.at(last - 1).isHighSurrogate())
        ++last;
    // On the grid a tab is one cell wide.
    QString window = row.text.mid(first, last - first);
    window.replace(QLatin1Char('\t'), QLatin1Char(' '));
    const std::unique_ptr<QTextLayout> layout =
        layOut(window, formatsFor(row.runs, first, last, *m_palette), m_metrics);
    if (layout->lineCount() == 0)
        return;
    const QTextLine line = layout->lineAt(0);
    layout->draw(&painter, QPointF(x + qreal(first) * advance, baseline - line.ascent()));
}

void RowPainter::paintWrappedLongText(QPainter& painter, qreal x, qreal top, const RowText& row,
                                      const QRectF& clip) const
{
    // Only the screen lines in view, each a window of the grid.
    const int first = lineAt(clip.top() - top);
    const int last = std::min(lineAt(clip.bottom() - top), row.lines - 1);
    for (int index = first; index <= last; ++index) {
        qsizetype from = qsizetype(index) * row.cellsPerLine;
        qsizetype to = std::min(row.text.size(), from + row.cellsPerLine);
        if (from >= to)
            break;
        QString window = row.text.mid(from, to - from);
        window.replace(QLatin1Char('\t'), QLatin1Char(' '));
        const std::unique_ptr<QTextLayout> layout =
            layOut(window, formatsFor(row.runs, from, to, *m_palette), m_metrics);
        if (layout->lineCount() == 0)
            continue;
        const qreal baseline = top + m_metrics.textBaseline + qreal(index) * m_metrics.lineStep;
        layout->draw(&painter, QPointF(x, baseline - layout->lineAt(0).ascent()));
    }
}

} // namespace varnel
