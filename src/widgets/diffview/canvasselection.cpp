// SPDX-License-Identifier: GPL-3.0-or-later

// The canvas's text selection: where a point falls in the text, selecting with the mouse
// (drag, double-click for a word, triple-click for a line), copying and the context menu;
// and what a marked row's tooltip says.
#include "reading/ignorednote.h"
#include "widgets/diffview/diffcanvas.h"
#include "widgets/style/buttons.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QMenu>
#include <QScrollBar>
#include <QVariantAnimation>

#include <algorithm>
#include <limits>
#include <new>

namespace varnel {

namespace {

bool isWordCharacter(QChar c)
{
    return c.isLetterOrNumber() || c.isMark() || c == QLatin1Char('_');
}

} // namespace

DiffCanvas::TextPosition DiffCanvas::positionAt(QPoint point)
{
    if (rowCount() == 0)
        return {};
    const qint64 y = scrollTop() + point.y();
    if (y < 0)
        return {0, 0};
    const qint64 row = rowAtY(y);
    const RowPainter::Row shown = rowFor(row);
    if (!m_rows->showsText(shown))
        return {row, 0};
    if (y >= totalHeight())
        return {row, m_rows->line(shown.index).contentString(shown.side).size()};
    const qreal x = point.x() + horizontalScrollBar()->value() - leadingWidth() - m_rows->textStart();
    return {row, m_rows->cursorAt(shown.index, shown.side, x, m_rows->lineAt(qreal(y - rowTop(row))))};
}

QString DiffCanvas::toolTipAt(QPoint point) const
{
    const qint64 y = scrollTop() + point.y();
    const qreal x = point.x() + horizontalScrollBar()->value();
    // Over the marker's column: the change marker (inline) and the number column.
    if (rowCount() == 0 || y < 0 || y >= totalHeight() || x >= leadingWidth() + m_rows->gutterWidth())
        return {};
    const RowPainter::Row shown = rowFor(rowAtY(y));
    if (shown.empty)
        return {};
    const QString note = ignoredRowNote(m_rows->line(shown.index));
    return note.isEmpty() ? m_rows->moveNote(shown.index) : note;
}

std::optional<qint64> DiffCanvas::moveMarkerAt(QPoint point) const
{
    const qint64 y = scrollTop() + point.y();
    const qreal x = point.x() + horizontalScrollBar()->value() - leadingWidth();
    if (rowCount() == 0 || y < 0 || y >= totalHeight())
        return std::nullopt;
    const RowPainter::Row shown = rowFor(rowAtY(y));
    if (shown.empty || !m_rows->onMoveMarker(shown.index, x))
        return std::nullopt;
    return shown.index;
}

std::optional<std::pair<DiffCanvas::TextPosition, DiffCanvas::TextPosition>> DiffCanvas::selection() const
{
    if (!m_anchor || *m_anchor == m_cursor)
        return std::nullopt;
    return std::minmax(*m_anchor, m_cursor);
}

void DiffCanvas::setSelection(TextPosition anchor, TextPosition cursor)
{
    m_anchor = anchor;
    m_cursor = cursor;
    viewport()->update();
}

void DiffCanvas::clearSelection()
{
    m_anchor.reset();
    m_cursor = {};
    m_dragging = false;
    viewport()->update();
}

void DiffCanvas::selectAll()
{
    if (rowCount() == 0)
        return;
    // Up to the end of the last row's text, however long (selectedText and the painter clamp).
    setSelection({0, 0}, {rowCount() - 1, std::numeric_limits<qsizetype>::max()});
}

std::optional<RowPainter::Selection> DiffCanvas::selectionIn(qint64 index) const
{
    const auto range = selection();
    if (!range || index < range->first.row || index > range->second.row || !m_rows->showsText(rowFor(index)))
        return std::nullopt;
    RowPainter::Selection part;
    part.from = index == range->first.row ? range->first.column : 0;
    // Up to the end of the text (the painter clamps).
    part.to = index == range->second.row ? range->second.column : std::numeric_limits<qsizetype>::max();
    return part;
}

QString DiffCanvas::selectedText()
{
    const auto range = selection();
    if (!range)
        return {};
    // Straight from the lines, not through the painter's cache: a selection may span
    // more rows than the cache holds.
    QStringList parts;
    for (qint64 index = range->first.row; index <= range->second.row; ++index) {
        const RowPainter::Row shown = rowFor(index);
        if (!m_rows->showsText(shown))
            continue;
        const QString text = m_rows->line(shown.index).contentString(shown.side);
        const qsizetype from = index == range->first.row ? std::min(range->first.column, text.size()) : 0;
        const qsizetype to = index == range->second.row ? std::min(range->second.column, text.size()) : text.size();
        parts.append(text.mid(from, std::max<qsizetype>(0, to - from)));
    }
    return parts.join(QLatin1Char('\n'));
}

// Also reached from the context menu's own event loop, outside event(): a selection too
// large to copy leaves the clipboard as it was.
void DiffCanvas::copy()
{
    try {
        const QString text = selectedText();
        if (!text.isEmpty())
            QGuiApplication::clipboard()->setText(text);
    } catch (const std::bad_alloc&) {
        QApplication::beep();
    }
}

std::unique_ptr<QMenu> DiffCanvas::makeContextMenu()
{
    auto menu = std::make_unique<QMenu>(this);
    QAction* copyAction = menu->addAction(QStringLiteral("Copy"), this, &DiffCanvas::copy);
    copyAction->setShortcut(QKeySequence::Copy);
    copyAction->setEnabled(selection().has_value());
    return menu;
}

void DiffCanvas::contextMenuEvent(QContextMenuEvent* event)
{
    const std::unique_ptr<QMenu> menu = makeContextMenu();
    menu->exec(event->globalPos());
}

void DiffCanvas::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    m_animation->stop();
    if (setKeyboardFocusShown(this, false))
        viewport()->update();
    const QPoint point = event->position().toPoint();
    if (const std::optional<qint64> row = moveMarkerAt(point)) {
        Q_EMIT moveMarkerClicked(*row);
        return;
    }
    const TextPosition position = positionAt(point);
    if (m_sinceDoubleClick.isValid() && m_sinceDoubleClick.elapsed() < QApplication::doubleClickInterval() &&
        (point - m_doubleClickPoint).manhattanLength() < QApplication::startDragDistance()) {
        m_sinceDoubleClick.invalidate();
        selectRow(position.row);
        return;
    }
    if ((event->modifiers() & Qt::ShiftModifier) && m_anchor) {
        m_cursor = position;
    } else {
        m_anchor = position;
        m_cursor = position;
    }
    m_dragging = true;
    viewport()->update();
}

void DiffCanvas::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_dragging)
        return;
    const QPoint point = event->position().toPoint();
    // Dragging past an edge scrolls that way.
    if (point.y() < 0)
        verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
    else if (point.y() > viewport()->height())
        verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    if (point.x() < 0)
        horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
    else if (point.x() > viewport()->width())
        horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    m_cursor = positionAt(point);
    viewport()->update();
}

void DiffCanvas::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mouseReleaseEvent(event);
        return;
    }
    m_dragging = false;
    event->accept();
}

void DiffCanvas::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mouseDoubleClickEvent(event);
        return;
    }
    m_dragging = false;
    m_doubleClickPoint = event->position().toPoint();
    m_sinceDoubleClick.start();
    selectWordAt(positionAt(m_doubleClickPoint));
}

void DiffCanvas::selectWordAt(TextPosition position)
{
    const RowPainter::Row shown = rowFor(position.row);
    const QString text = m_rows->showsText(shown) ? m_rows->line(shown.index).contentString(shown.side) : QString();
    if (text.isEmpty()) {
        clearSelection();
        return;
    }
    qsizetype at = std::min(position.column, text.size() - 1);
    // The cursor after a word's last character still picks that word.
    if (!isWordCharacter(text.at(at)) && at > 0 && isWordCharacter(text.at(at - 1)))
        --at;
    qsizetype from = at;
    qsizetype to = at + 1;
    if (isWordCharacter(text.at(at))) {
        while (from > 0 && isWordCharacter(text.at(from - 1)))
            --from;
        while (to < text.size() && isWordCharacter(text.at(to)))
            ++to;
    }
    setSelection({position.row, from}, {position.row, to});
}

void DiffCanvas::selectRow(qint64 row)
{
    const RowPainter::Row shown = rowFor(row);
    if (!m_rows->showsText(shown))
        return;
    setSelection({row, 0}, {row, m_rows->line(shown.index).contentString(shown.side).size()});
}

} // namespace varnel
