// SPDX-License-Identifier: GPL-3.0-or-later

#include "widgets/diffview/diffcanvas.h"

#include "widgets/diffview/changemapview.h"
#include "widgets/style/appearance.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>
#include <QVariantAnimation>

#include <algorithm>
#include <climits>
#include <cmath>
#include <limits>
#include <new>

namespace varnel {

namespace {

bool isWordCharacter(QChar c)
{
    return c.isLetterOrNumber() || c.isMark() || c == QLatin1Char('_');
}

} // namespace

DiffCanvas::DiffCanvas(std::shared_ptr<RowPainter> rows, QWidget* parent)
    : QAbstractScrollArea(parent)
    , m_rows(std::move(rows))
    , m_animation(new QVariantAnimation(this))
    , m_map(new ChangeMapView(*this))
{
    setFrameShape(QFrame::NoFrame);
    // The change map stands between the rows and the vertical scroll bar.
    setViewportMargins(0, 0, ChangeMapView::kWidth, 0);
    setFocusPolicy(Qt::StrongFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setCursor(Qt::IBeamCursor);

    // Ease in and out, as a cubic Bézier with the usual control points.
    QEasingCurve easing(QEasingCurve::BezierSpline);
    easing.addCubicBezierSegment(QPointF(0.42, 0), QPointF(0.58, 1), QPointF(1, 1));
    m_animation->setEasingCurve(easing);
    m_animation->setDuration(kFocusAnimationMs);
    connect(m_animation, &QVariantAnimation::valueChanged, this,
            [this](const QVariant& value) { setScrollPosition(value.toPointF().toPoint()); });
    // Taking hold of a scroll bar ends a running animation.
    connect(verticalScrollBar(), &QScrollBar::sliderPressed, m_animation, &QVariantAnimation::stop);
    connect(horizontalScrollBar(), &QScrollBar::sliderPressed, m_animation, &QVariantAnimation::stop);

    Appearance::follow(this);
    connect(&Appearance::instance(), &Appearance::changed, this, &DiffCanvas::appearanceChanged);
    updateScrollBars();
}

DiffCanvas::~DiffCanvas() = default;

qreal DiffCanvas::contentWidth() const
{
    return std::max(qreal(viewport()->width()), m_contentWidth);
}

qint64 DiffCanvas::firstVisibleRow() const
{
    return verticalScrollBar()->value() / rowHeight();
}

void DiffCanvas::resultChanged(std::optional<qint64> focusedRow)
{
    m_animation->stop();
    clearSelection();
    m_focusedRow = focusedRow && *focusedRow >= 0 && *focusedRow < rowCount() ? focusedRow : std::nullopt;
    updateContentWidth();
    updateScrollBars();
    viewport()->update();
    m_map->resultChanged();
}

void DiffCanvas::marksChanged()
{
    viewport()->update();
    m_map->update();
}

void DiffCanvas::metricsChanged(qreal oldRowHeight)
{
    const qint64 top = qint64(verticalScrollBar()->value() / oldRowHeight);
    updateContentWidth();
    updateScrollBars();
    verticalScrollBar()->setValue(int(std::min<qint64>(top * rowHeight(), INT_MAX)));
    viewport()->update();
    m_map->update();
}

void DiffCanvas::languageChanged()
{
    viewport()->update();
}

void DiffCanvas::appearanceChanged()
{
    m_rows->setPalette(Appearance::instance().palette());
    viewport()->update();
}

void DiffCanvas::updateContentWidth()
{
    m_contentWidth = leadingWidth() + m_rows->textStart() + m_rows->widestText(shownRows()) + RowMetrics::kTextInset;
}

void DiffCanvas::growContentWidth(qreal rowWidth)
{
    // A line wider than the longest lines by length (tabs, wide characters) widens the
    // scrolling once it has been seen; the scroll bars follow after this paint.
    if (rowWidth <= m_contentWidth)
        return;
    m_contentWidth = rowWidth;
    if (m_growPending)
        return;
    m_growPending = true;
    QTimer::singleShot(0, this, [this] {
        m_growPending = false;
        updateScrollBars();
        viewport()->update();
    });
}

void DiffCanvas::updateScrollBars()
{
    const QSize view = viewport()->size();
    const qint64 height = rowCount() * rowHeight();
    QScrollBar* vertical = verticalScrollBar();
    vertical->setRange(0, int(std::clamp<qint64>(height - view.height(), 0, INT_MAX)));
    vertical->setPageStep(view.height());
    vertical->setSingleStep(rowHeight());
    QScrollBar* horizontal = horizontalScrollBar();
    horizontal->setRange(0, std::max(0, int(std::ceil(m_contentWidth)) - view.width()));
    horizontal->setPageStep(view.width());
    horizontal->setSingleStep(int(std::ceil(4 * m_rows->metrics().advance)));
}

QPoint DiffCanvas::scrollPosition() const
{
    return {horizontalScrollBar()->value(), verticalScrollBar()->value()};
}

void DiffCanvas::setScrollPosition(QPoint position)
{
    horizontalScrollBar()->setValue(position.x());
    verticalScrollBar()->setValue(position.y());
}

bool DiffCanvas::event(QEvent* event)
{
    try {
        return QAbstractScrollArea::event(event);
    } catch (const std::bad_alloc&) {
        recoverMemory();
        return true;
    }
}

bool DiffCanvas::viewportEvent(QEvent* event)
{
    try {
        return QAbstractScrollArea::viewportEvent(event);
    } catch (const std::bad_alloc&) {
        recoverMemory();
        return true;
    }
}

// What the view can give back: its cached rows, and the find marks when they are on (the
// rows are painted again without them, once: a failure without marks repaints nothing, so
// it cannot repeat itself for ever).
void DiffCanvas::recoverMemory()
{
    const bool marksOn = !m_rows->findMatcher().isEmpty() && !m_rows->findMarksDropped();
    m_rows->dropFindMarks();
    if (!marksOn)
        return;
    viewport()->update();
    Q_EMIT findMarksDropped();
}

void DiffCanvas::paintEvent(QPaintEvent* event)
{
    const Palette& palette = Appearance::instance().palette();
    m_rows->setPalette(palette);
    QPainter painter(viewport());
    const QRect exposed = event->rect();
    painter.fillRect(exposed, palette.color(ColorRole::viewBackground));
    const qint64 count = rowCount();
    if (count == 0)
        return;

    const int height = rowHeight();
    const qint64 top = verticalScrollBar()->value();
    const qreal left = -horizontalScrollBar()->value();
    const qreal lead = leadingWidth();
    const qreal width = contentWidth();
    const qint64 first = std::clamp<qint64>((top + exposed.top()) / height, 0, count - 1);
    const qint64 last = std::clamp<qint64>((top + exposed.bottom()) / height, 0, count - 1);
    const QRectF clip(exposed);
    for (qint64 index = first; index <= last; ++index) {
        const qreal y = qreal(index * height - top);
        if (lead > 0)
            paintLeading(painter, QRectF(left, y, lead, height), index);
        const RowPainter::Row row = rowFor(index);
        m_rows->paint(painter, QRectF(left + lead, y, width - lead, height), row, clip, selectionIn(index));
        if (m_rows->showsText(row) || m_rows->line(index).type() == DiffLineType::contextCollapsed)
            growContentWidth(lead + m_rows->textStart() + m_rows->textWidth(index, row.side) + RowMetrics::kTextInset);
    }
}

void DiffCanvas::resizeEvent(QResizeEvent* event)
{
    // The viewport's size: the map takes the viewport's height, right of it.
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
    const QRect view = viewport()->geometry();
    m_map->setGeometry(view.right() + 1, view.top(), ChangeMapView::kWidth, view.height());
}

void DiffCanvas::showEvent(QShowEvent* event)
{
    QAbstractScrollArea::showEvent(event);
    if (event->spontaneous() || !m_focusedRow)
        return;
    // Shown anew with a focused change: centre it once the layout has settled.
    QTimer::singleShot(kShowCentringDelayMs, this, [this] {
        if (m_focusedRow && isVisible() && !isAnimating())
            centreOnRow(*m_focusedRow, false);
    });
}

void DiffCanvas::scrollContentsBy(int dx, int dy)
{
    viewport()->scroll(dx, dy);
    if (dy != 0)
        m_map->update();
}

void DiffCanvas::moveFocus(std::optional<qint64> row, bool scroll)
{
    if (row && (*row < 0 || *row >= rowCount()))
        row.reset();
    if (row == m_focusedRow)
        return;
    m_focusedRow = row;
    viewport()->update();
    m_map->update();
    if (scroll && row && isVisible())
        centreOnRow(*row, true);
}

QPoint DiffCanvas::centringTarget(qint64 row)
{
    const QSize view = viewport()->size();
    const qint64 height = rowHeight();
    const qint64 y = row * height + height / 2 - view.height() / 2;
    int x = 0;
    const RowPainter::Row shown = rowFor(row);
    if (m_rows->showsText(shown) || m_rows->line(row).type() == DiffLineType::contextCollapsed) {
        const qreal rowWidth =
            leadingWidth() + m_rows->textStart() + m_rows->textWidth(row, shown.side) + RowMetrics::kTextInset;
        if (rowWidth > m_contentWidth) {
            m_contentWidth = rowWidth;
            updateScrollBars();
        }
        // The row's own width is at least the view's; its centre comes to the view's centre.
        x = int(std::lround(std::max<qreal>(rowWidth, view.width()) / 2 - view.width() / 2.0));
    }
    return {std::clamp(x, 0, horizontalScrollBar()->maximum()),
            int(std::clamp<qint64>(y, 0, verticalScrollBar()->maximum()))};
}

void DiffCanvas::centreOnRow(qint64 row, bool animated)
{
    m_animation->stop();
    if (row < 0 || row >= rowCount())
        return;
    scrollTo(centringTarget(row), animated);
}

QPoint DiffCanvas::revealTarget(qint64 row, TextSpan span)
{
    QPoint target = centringTarget(row);
    target.setX(horizontalScrollBar()->value());
    const RowPainter::Row shown = rowFor(row);
    const PageSide side = shown.side;
    if (!m_rows->showsText(shown))
        return target;
    const qreal start = leadingWidth() + m_rows->textStart();
    const qreal from = start + m_rows->cursorX(row, side, span.start);
    const qreal to = start + m_rows->cursorX(row, side, span.end());
    const int view = viewport()->width();
    // In view from where it is, or from the left edge: stay; otherwise centre the match.
    if (from >= target.x() && to <= target.x() + view)
        return target;
    if (to <= view)
        target.setX(0);
    else
        target.setX(int(std::lround((from + to) / 2 - view / 2.0)));
    target.setX(std::clamp(target.x(), 0, horizontalScrollBar()->maximum()));
    return target;
}

void DiffCanvas::revealText(qint64 row, TextSpan span, bool animated)
{
    m_animation->stop();
    if (row < 0 || row >= rowCount())
        return;
    scrollTo(revealTarget(row, span), animated);
}

void DiffCanvas::scrollTo(QPoint target, bool animated)
{
    if (!animated) {
        setScrollPosition(target);
        return;
    }
    m_animation->setStartValue(QPointF(scrollPosition()));
    m_animation->setEndValue(QPointF(target));
    m_animation->start();
}

bool DiffCanvas::isAnimating() const
{
    return m_animation->state() == QAbstractAnimation::Running;
}

void DiffCanvas::keyPressEvent(QKeyEvent* event)
{
    if (event == QKeySequence::Copy) {
        copy();
        return;
    }
    QScrollBar* vertical = verticalScrollBar();
    QScrollBar* horizontal = horizontalScrollBar();
    switch (event->key()) {
    case Qt::Key_Up: vertical->triggerAction(QAbstractSlider::SliderSingleStepSub); break;
    case Qt::Key_Down: vertical->triggerAction(QAbstractSlider::SliderSingleStepAdd); break;
    case Qt::Key_Left: horizontal->triggerAction(QAbstractSlider::SliderSingleStepSub); break;
    case Qt::Key_Right: horizontal->triggerAction(QAbstractSlider::SliderSingleStepAdd); break;
    case Qt::Key_PageUp: vertical->triggerAction(QAbstractSlider::SliderPageStepSub); break;
    case Qt::Key_PageDown: vertical->triggerAction(QAbstractSlider::SliderPageStepAdd); break;
    case Qt::Key_Home: vertical->triggerAction(QAbstractSlider::SliderToMinimum); break;
    case Qt::Key_End: vertical->triggerAction(QAbstractSlider::SliderToMaximum); break;
    default: QAbstractScrollArea::keyPressEvent(event); return;
    }
    m_animation->stop();
    event->accept();
}

void DiffCanvas::wheelEvent(QWheelEvent* event)
{
    QPoint delta = event->pixelDelta();
    if (delta.isNull()) {
        // One notch (120) scrolls the desktop's number of lines, in rows.
        const int perNotch = QApplication::wheelScrollLines() * rowHeight();
        delta = event->angleDelta() * perNotch / 120;
    }
    // Shift turns a vertical wheel sideways.
    if ((event->modifiers() & Qt::ShiftModifier) && delta.x() == 0)
        delta = QPoint(delta.y(), 0);
    if (delta.isNull()) {
        event->ignore();
        return;
    }
    m_animation->stop();
    horizontalScrollBar()->setValue(horizontalScrollBar()->value() - delta.x());
    verticalScrollBar()->setValue(verticalScrollBar()->value() - delta.y());
    event->accept();
}

DiffCanvas::TextPosition DiffCanvas::positionAt(QPoint point)
{
    if (rowCount() == 0)
        return {};
    const qint64 y = qint64(verticalScrollBar()->value()) + point.y();
    if (y < 0)
        return {0, 0};
    const qint64 row = std::min(y / rowHeight(), rowCount() - 1);
    const RowPainter::Row shown = rowFor(row);
    if (!m_rows->showsText(shown))
        return {row, 0};
    if (y >= rowCount() * rowHeight())
        return {row, m_rows->line(row).contentString(shown.side).size()};
    const qreal x = point.x() + horizontalScrollBar()->value() - leadingWidth() - m_rows->textStart();
    return {row, m_rows->cursorAt(row, shown.side, x)};
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
        const QString text = m_rows->line(index).contentString(shown.side);
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
    const QPoint point = event->position().toPoint();
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
    const QString text = m_rows->showsText(shown) ? m_rows->line(position.row).contentString(shown.side) : QString();
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
    setSelection({row, 0}, {row, m_rows->line(row).contentString(shown.side).size()});
}

} // namespace varnel
