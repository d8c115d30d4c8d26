// SPDX-License-Identifier: GPL-3.0-or-later

#include "widgets/diffview/inlineview.h"

#include "widgets/diffview/changemapview.h"
#include "widgets/style/appearance.h"
#include "widgets/style/fonts.h"

#include <QApplication>
#include <QPainter>

#include <cmath>
#include <new>

namespace varnel {

namespace {

constexpr qreal kSeparatorOpacity = 0.2;

} // namespace

InlineView::InlineView(QWidget* parent)
    : DiffCanvas(std::make_shared<RowPainter>(), parent)
    , m_markerFont(fonts::monospace(fonts::pixelSize(fonts::TextStyle::body), true))
{
    const QFontMetricsF metrics(m_markerFont);
    m_markerAscent = metrics.ascent();
    m_markerHeight = metrics.height();
    for (DiffLineType type :
         {DiffLineType::contextCollapsed, DiffLineType::added, DiffLineType::removed, DiffLineType::unchanged})
        m_markerWidths[std::size_t(type)] = metrics.horizontalAdvance(markerText(type));
    setAccessibleName(QStringLiteral("Inline diff"));
}

void InlineView::setResult(const DiffResult& result, std::optional<qint64> focusedRow)
{
    try {
        rows().setResult(result);
    } catch (const std::bad_alloc&) {
        // Taken, but too many rows to estimate their heights: shown unwrapped (see
        // DiffCanvas::wrappingDropped).
    }
    resultChanged(focusedRow);
}

void InlineView::setMoves(const MovedBlocks& moves)
{
    const RowHeights::Anchor before = topAnchor();
    rows().setMoves(moves); // the number column may widen for the marker
    metricsChanged(before);
    changeMap()->resultChanged();
}

void InlineView::setLanguage(std::optional<SyntaxHighlighter::Language> language)
{
    if (language == rows().language())
        return;
    rows().setLanguage(language);
    languageChanged();
}

void InlineView::setFontSize(qreal fontSize)
{
    const RowHeights::Anchor before = topAnchor();
    const qreal oldSize = rows().metrics().fontSize;
    try {
        rows().setFontSize(fontSize);
        if (rows().metrics().fontSize != oldSize)
            metricsChanged(before);
    } catch (const std::bad_alloc&) {
        // Taken, but too many rows to estimate their heights: shown unwrapped (see
        // DiffCanvas::wrappingDropped). A new width that failed keeps the old one.
        if (!rows().isWrapping())
            metricsChanged(before);
        else
            QApplication::beep();
    }
}

void InlineView::setFind(const TextMatcher& matcher, std::optional<RowPainter::FindMark> current,
                         RowPainter::FoldedMatches folded)
{
    rows().setFind(matcher, current, std::move(folded));
    marksChanged();
}

QString InlineView::markerText(DiffLineType type)
{
    switch (type) {
    case DiffLineType::added: return QStringLiteral("+");
    case DiffLineType::removed: return QString(QChar(0x2212));
    case DiffLineType::unchanged: return QStringLiteral(" ");
    case DiffLineType::contextCollapsed: return QString(QChar(0x2026));
    }
    return {};
}

RowPainter::Row InlineView::rowFor(qint64 index) const
{
    const bool removed = rows().line(index).type() == DiffLineType::removed;
    return {index, removed ? PageSide::left : PageSide::right, focusedRow() == index, false};
}

void InlineView::paintLeading(QPainter& painter, const QRectF& rect, qint64 index)
{
    const Palette& palette = Appearance::instance().palette();
    painter.fillRect(QRectF(rect.left() + kMarkerWidth, rect.top(), RowMetrics::kSeparatorWidth, rect.height()),
                     palette.color(ColorRole::secondary, kSeparatorOpacity));
    const DiffLine line = rows().line(index);
    const DiffLineType type = line.type();
    QColor color;
    switch (type) {
    case DiffLineType::added: color = palette.color(ColorRole::green); break;
    case DiffLineType::removed: color = palette.color(ColorRole::red); break;
    case DiffLineType::contextCollapsed: color = palette.color(ColorRole::secondary); break;
    case DiffLineType::unchanged: return; // an invisible space
    }
    // A row that ignoring blank lines or patterns set aside says which file holds it, quietly.
    if (line.ignored() != IgnoredReason::none)
        color = palette.color(ColorRole::secondary);
    const qreal width = m_markerWidths[std::size_t(type)];
    // Centred on the row's first line, beside its number, however many lines it wraps to.
    const qreal baseline = std::round((rows().metrics().rowHeight - m_markerHeight) / 2 + m_markerAscent);
    painter.setFont(m_markerFont);
    painter.setPen(color);
    painter.drawText(QPointF(rect.left() + std::round((kMarkerWidth - width) / 2), rect.top() + baseline),
                     markerText(type));
}

} // namespace varnel
