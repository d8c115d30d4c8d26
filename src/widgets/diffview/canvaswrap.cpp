// SPDX-License-Identifier: GPL-3.0-or-later

// The canvas's rows in pixels: all of one height, or, while long lines wrap, each as tall
// as its lines, kept in the painter's RowHeights. Rows in view are laid out before they are
// painted; what that corrects never moves the top row.
#include "widgets/diffview/changemapview.h"
#include "widgets/diffview/diffcanvas.h"

#include <QApplication>
#include <QScrollBar>
#include <QTimer>
#include <QVariantAnimation>

#include <algorithm>
#include <new>
#include <utility>

namespace varnel {

qint64 DiffCanvas::rowTop(qint64 index) const
{
    return m_rows->isWrapping() ? m_rows->heights().top(index) : index * rowHeight();
}

qint64 DiffCanvas::heightOfRow(qint64 index) const
{
    return m_rows->isWrapping() ? m_rows->heights().height(index) : rowHeight();
}

qint64 DiffCanvas::totalHeight() const
{
    return m_rows->isWrapping() ? m_rows->heights().totalHeight() : rowCount() * rowHeight();
}

qint64 DiffCanvas::rowAtY(qint64 y) const
{
    if (m_rows->isWrapping())
        return m_rows->heights().rowAt(y);
    return std::clamp<qint64>(y / rowHeight(), 0, std::max<qint64>(0, rowCount() - 1));
}

RowHeights::Anchor DiffCanvas::topAnchor() const
{
    const qint64 y = scrollTop();
    if (m_rows->isWrapping())
        return m_rows->heights().anchorAt(y);
    return {y / rowHeight(), y % rowHeight()};
}

void DiffCanvas::restoreAnchor(RowHeights::Anchor anchor)
{
    qint64 y = 0;
    if (m_rows->isWrapping())
        y = m_rows->heights().position(anchor);
    else if (rowCount() > 0)
        y = std::clamp<qint64>(anchor.row, 0, rowCount() - 1) * rowHeight() +
            std::clamp<qint64>(anchor.offset, 0, rowHeight() - 1);
    updateScrollBars();
    setScrollTop(y);
}

qreal DiffCanvas::wrapTextWidth() const
{
    return viewport()->width() - leadingWidth() - m_rows->textStart() - RowMetrics::kTextInset;
}

qreal DiffCanvas::wrapWidth() const
{
    // At least a pixel: a view narrower than its numbers still wraps (a character a line).
    return m_wrap ? std::max<qreal>(1, wrapWidthSource ? wrapWidthSource() : wrapTextWidth()) : 0;
}

void DiffCanvas::scrollWith(int value)
{
    // The heights are shared, the ranges are not: this one's range may not have followed
    // the heights yet, and would cut the value short.
    updateScrollBars();
    verticalScrollBar()->setValue(value);
}

void DiffCanvas::setWrapping(bool wrap)
{
    if (wrap == m_wrap)
        return;
    const RowHeights::Anchor anchor = topAnchor();
    m_wrap = wrap;
    try {
        m_rows->setWrapWidth(wrapWidth());
    } catch (const std::bad_alloc&) {
        // Too many rows to keep their heights: the view stays as it was.
        m_wrap = !wrap;
        QApplication::beep();
        return;
    }
    m_animation->stop();
    setHorizontalScrollBarPolicy(wrap ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded);
    horizontalScrollBar()->setValue(0);
    updateContentWidth();
    restoreAnchor(anchor);
    viewport()->update();
    m_map->resultChanged(); // mapped by heights now, or by rows again
}

bool DiffCanvas::followPainterWrapping()
{
    // Scrolling by heights the painter no longer keeps would show rows cut, with no way
    // to scroll sideways to the rest.
    if (!m_wrap || m_rows->isWrapping())
        return false;
    m_wrap = false;
    m_wrapWidthStale = false;
    m_resizing = false;
    m_settle->stop();
    m_animation->stop();
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    Q_EMIT wrappingDropped();
    return true;
}

void DiffCanvas::updateWrapWidth()
{
    const RowHeights::Anchor anchor = topAnchor();
    if (!m_rows->setWrapWidth(wrapWidth()))
        return;
    Q_EMIT heightsCorrected(); // the other column's range first, so it can follow the anchor
    restoreAnchor(anchor);
    viewport()->update();
    m_map->resultChanged();
}

void DiffCanvas::applyNewWidth()
{
    if (!std::exchange(m_wrapWidthStale, false))
        return;
    if (!std::exchange(m_resizing, false)) {
        updateWrapWidth();
        return;
    }
    // Resizing, a step costs the rows in view (laid out at the new width as they are
    // painted), not a pass over all of them: that waits until the steps stop.
    m_settle->start();
    if (m_rows->setWrapWidthKeepingEstimates(wrapWidth()))
        viewport()->update();
}

void DiffCanvas::settleEstimates()
{
    const RowHeights::Anchor anchor = topAnchor();
    if (!m_rows->settleEstimates())
        return; // the other column did it
    // The rows in view are laid out at this width already (cached): measured again before
    // the anchor is restored, they stand where they were seen, also at the very end.
    const qint64 reach = anchor.offset + viewport()->height();
    for (qint64 index = anchor.row, below = 0; index < rowCount() && below < reach; ++index) {
        m_rows->measure(index);
        below += heightOfRow(index);
    }
    Q_EMIT heightsCorrected();
    restoreAnchor(anchor);
    viewport()->update();
    m_map->resultChanged();
}

void DiffCanvas::rowHeightsChanged()
{
    updateScrollBars();
    viewport()->update();
    m_map->resultChanged();
}

bool DiffCanvas::measureInView()
{
    if (!m_rows->isWrapping() || rowCount() == 0)
        return false;
    const RowHeights::Anchor anchor = topAnchor();
    const qint64 bottom = scrollTop() + viewport()->height();
    bool changed = false;
    for (qint64 index = anchor.row; index < rowCount() && rowTop(index) < bottom; ++index)
        changed = m_rows->measure(index) || changed;
    if (changed) {
        restoreAnchor(anchor);
        m_map->resultChanged();
    }
    return changed;
}

void DiffCanvas::measureAround(qint64 row)
{
    if (!m_rows->isWrapping() || row < 0 || row >= rowCount())
        return;
    const RowHeights::Anchor anchor = topAnchor();
    bool changed = m_rows->measure(row);
    // A screen above and below, so the rows around the target keep their places once
    // painted there.
    const qint64 reach = viewport()->height();
    for (qint64 index = row - 1, above = 0; index >= 0 && above < reach; --index) {
        changed = m_rows->measure(index) || changed;
        above += heightOfRow(index);
    }
    for (qint64 index = row + 1, below = 0; index < rowCount() && below < reach; ++index) {
        changed = m_rows->measure(index) || changed;
        below += heightOfRow(index);
    }
    if (!changed)
        return;
    Q_EMIT heightsCorrected();
    restoreAnchor(anchor);
    m_map->resultChanged();
}

} // namespace varnel
