// SPDX-License-Identifier: GPL-3.0-or-later

// The row cursor of a diff view: the keys that move it, keeping it in view, its outline,
// and what screen readers hear of it.
#include "reading/spokentext.h"
#include "widgets/diffview/diffaccessible.h"
#include "widgets/diffview/diffcanvas.h"
#include "widgets/style/buttons.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QVariantAnimation>

#include <algorithm>
#include <climits>

namespace varnel {

namespace {

// Longer lines are read out only this far.
constexpr qsizetype kSpokenNameLength = 2000;

} // namespace

qint64 DiffCanvas::cursorStart() const
{
    const qint64 top = scrollTop();
    const qint64 bottom = top + viewport()->height();
    const auto inView = [&](qint64 index) {
        return index >= 0 && index < rowCount() && rowTop(index) < bottom && rowTop(index) + heightOfRow(index) > top;
    };
    if (m_rowCursor && inView(*m_rowCursor))
        return *m_rowCursor;
    if (m_focusedRow) {
        const qint64 focused = m_rows->shown().shownRowOf(*m_focusedRow);
        if (inView(focused))
            return focused;
    }
    return rowAtY(top);
}

bool DiffCanvas::cursorKey(QKeyEvent* event)
{
    const int key = event->key();
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    const bool toEnd = key == Qt::Key_Home || key == Qt::Key_End;
    const bool moves = key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_PageUp || key == Qt::Key_PageDown;
    if (rowCount() == 0 || !(moves || toEnd) ||
        !(modifiers == Qt::NoModifier || (toEnd && modifiers == Qt::ControlModifier)))
        return false;
    const qint64 from = cursorStart();
    const qint64 page = std::max<qint64>(1, viewport()->height() / std::max(1, rowHeight()));
    qint64 to = from;
    QAbstractSlider::SliderAction action = QAbstractSlider::SliderNoAction;
    switch (key) {
    case Qt::Key_Up: to = from - 1, action = QAbstractSlider::SliderSingleStepSub; break;
    case Qt::Key_Down: to = from + 1, action = QAbstractSlider::SliderSingleStepAdd; break;
    case Qt::Key_PageUp: to = from - page, action = QAbstractSlider::SliderPageStepSub; break;
    case Qt::Key_PageDown: to = from + page, action = QAbstractSlider::SliderPageStepAdd; break;
    case Qt::Key_Home: to = 0, action = QAbstractSlider::SliderToMinimum; break;
    default: to = rowCount() - 1, action = QAbstractSlider::SliderToMaximum; break;
    }
    // The view scrolls as these keys always scrolled it; the cursor rides along.
    verticalScrollBar()->triggerAction(action);
    setKeyboardFocusShown(this, true);
    m_animation->stop();
    m_rowCursor = std::clamp<qint64>(to, 0, rowCount() - 1);
    m_announcement.clear();
    keepCursorInView();
    viewport()->update();
    announceCursor();
    event->accept();
    return true;
}

void DiffCanvas::keepCursorInView()
{
    if (!m_rowCursor)
        return;
    // The rows wholly in view; the cursor comes to the nearest of them.
    const qint64 top = scrollTop();
    const qint64 bottom = top + viewport()->height();
    qint64 first = rowAtY(top);
    if (rowTop(first) < top && first + 1 < rowCount() && rowTop(first + 1) + heightOfRow(first + 1) <= bottom)
        ++first;
    qint64 last = rowAtY(std::max(top, bottom - 1));
    if (last > first && rowTop(last) + heightOfRow(last) > bottom)
        --last;
    m_rowCursor = std::clamp(*m_rowCursor, first, std::max(first, last));
}

void DiffCanvas::setCursorRow(qint64 index)
{
    if (rowCount() == 0)
        return;
    m_rowCursor = std::clamp<qint64>(index, 0, rowCount() - 1);
    m_announcement.clear();
    const qint64 top = rowTop(*m_rowCursor);
    const qint64 height = heightOfRow(*m_rowCursor);
    if (top < scrollTop())
        setScrollTop(top);
    else if (top + height > scrollTop() + viewport()->height())
        setScrollTop(top + height - viewport()->height());
    viewport()->update();
    announceCursor();
}

QRect DiffCanvas::rowRect(qint64 index) const
{
    return {0, int(std::clamp<qint64>(rowTop(index) - scrollTop(), INT_MIN / 2, INT_MAX / 2)), viewport()->width(),
            int(std::min<qint64>(heightOfRow(index), INT_MAX / 2))};
}

void DiffCanvas::paintCursor(QPainter& painter)
{
    if (!m_rowCursor || *m_rowCursor >= rowCount())
        return;
    const QRect rect = rowRect(*m_rowCursor);
    if (rect.intersects(viewport()->rect()))
        paintFrame(painter, rect);
}

QString DiffCanvas::cursorText() const
{
    if (!m_rowCursor || *m_rowCursor >= rowCount())
        return {};
    const RowPainter::Row row = rowFor(*m_rowCursor);
    if (row.empty)
        return {};
    return m_rows->line(row.index).contentString(row.side);
}

QString DiffCanvas::accessibleRowName(qint64 index) const
{
    const RowPainter::Row row = rowFor(index);
    const DiffLine line = m_rows->line(row.index);
    SpokenPlace place{row.side, row.empty, std::nullopt};
    if (const std::optional<qint64> partner = m_rows->changeRuns().partner(row.index)) {
        const DiffLine other = m_rows->line(*partner);
        place.partnerNumber = line.type() == DiffLineType::removed ? other.rightLineNumber() : other.leftLineNumber();
    }
    QString name = varnel::spokenRow(line, place);
    if (name.size() > kSpokenNameLength) {
        name.truncate(kSpokenNameLength);
        name += QChar(0x2026);
    }
    if (m_rowCursor == index && !m_announcement.isEmpty())
        return tr("%1. %2").arg(m_announcement, name);
    return name;
}

QString DiffCanvas::changeAnnouncementAt(qint64 row) const
{
    const ChangeRuns& runs = m_rows->changeRuns();
    const std::optional<ChangeBlock> block = changeBlockAt(runs, row);
    if (!block)
        return {};
    return changeAnnouncement(block->number + (row - block->firstRow), changeCount(runs), *block);
}

void DiffCanvas::announceCursor()
{
    // Only the view the keyboard is in speaks: the other column, or the layout not shown,
    // moves its cursor in silence.
    if (!m_rowCursor || !hasFocus() || *m_rowCursor > INT_MAX)
        return;
    QAccessibleEvent named(this, QAccessible::NameChanged);
    named.setChild(int(*m_rowCursor));
    QAccessible::updateAccessibility(&named);
    QAccessibleEvent focus(this, QAccessible::Focus);
    focus.setChild(int(*m_rowCursor));
    QAccessible::updateAccessibility(&focus);
}

} // namespace varnel
