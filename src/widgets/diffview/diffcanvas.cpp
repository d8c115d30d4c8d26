// SPDX-License-Identifier: GPL-3.0-or-later

#include "widgets/diffview/diffcanvas.h"

#include "widgets/diffview/changemapview.h"
#include "widgets/diffview/diffaccessible.h"
#include "widgets/style/appearance.h"
#include "widgets/style/buttons.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>
#include <QToolTip>
#include <QVariantAnimation>

#include <algorithm>
#include <cmath>
#include <new>

namespace varnel {

DiffCanvas::DiffCanvas(std::shared_ptr<RowPainter> rows, QWidget* parent)
    : QAbstractScrollArea(parent)
    , m_rows(std::move(rows))
    , m_animation(new QVariantAnimation(this))
    , m_map(new ChangeMapView(*this))
    , m_settle(new QTimer(this))
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
    m_animation->setStartValue(0.0);
    m_animation->setEndValue(1.0);
    connect(m_animation, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        if (!m_animationTarget)
            return;
        // A frame comes from the animation's timer, outside this view's events.
        try {
            const QPointF to = m_animationTarget();
            const QPointF from = m_animationFrom;
            setScrollPosition((from + (to - from) * value.toReal()).toPoint());
        } catch (const std::bad_alloc&) {
            m_animation->stop();
            recoverMemory();
        }
    });
    m_settle->setSingleShot(true);
    m_settle->setInterval(kResizeSettleMs);
    connect(m_settle, &QTimer::timeout, this, &DiffCanvas::settleEstimates);
    // Taking hold of a scroll bar ends a running animation.
    connect(verticalScrollBar(), &QScrollBar::sliderPressed, m_animation, &QVariantAnimation::stop);
    connect(horizontalScrollBar(), &QScrollBar::sliderPressed, m_animation, &QVariantAnimation::stop);

    installDiffAccessibility();
    setAccessibleDescription(tr("One row per line. Up and Down move the row cursor, Ctrl+C copies its line, "
                                "Ctrl+] and Ctrl+[ go to the next and previous change, F7 lists the changes."));
    trackKeyboardFocus(this);
    Appearance::follow(this);
    connect(&Appearance::instance(), &Appearance::changed, this, &DiffCanvas::appearanceChanged);
    updateScrollBars();
}

DiffCanvas::~DiffCanvas() = default;

qreal DiffCanvas::contentWidth() const
{
    return std::max({qreal(viewport()->width()), m_contentWidth, m_sharedWidth});
}

void DiffCanvas::setSharedContentWidth(qreal width)
{
    if (width == m_sharedWidth)
        return;
    m_sharedWidth = width;
    updateScrollBars();
    viewport()->update();
}

qint64 DiffCanvas::firstVisibleRow() const
{
    if (rowCount() == 0)
        return 0;
    return m_rows->shown().firstRowAt(rowAtY(scrollTop()));
}

void DiffCanvas::resultChanged(std::optional<qint64> focusedRow)
{
    m_animation->stop();
    followPainterWrapping();
    clearSelection();
    m_focusedRow = focusedRow && *focusedRow >= 0 && *focusedRow < m_rows->rowCount() ? focusedRow : std::nullopt;
    m_rowCursor.reset();
    m_announcement.clear();
    Q_EMIT rowsReset();
    // Its numbers may need a wider column, which leaves less to wrap in.
    m_wrapWidthStale = m_wrap;
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

void DiffCanvas::metricsChanged(RowHeights::Anchor before)
{
    followPainterWrapping();
    if (m_wrap)
        m_rows->setWrapWidth(wrapWidth());
    updateContentWidth();
    updateScrollBars();
    restoreAnchor({before.row, 0});
    viewport()->update();
    if (m_wrap)
        m_map->resultChanged(); // wrapped rows are mapped by their heights, which changed
    else
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
    const qreal before = m_contentWidth;
    // Wrapped, the rows are the view's width: nothing to scroll sideways.
    m_contentWidth =
        m_wrap ? 0 : leadingWidth() + m_rows->textStart() + m_rows->widestText(shownRows()) + RowMetrics::kTextInset;
    if (m_contentWidth != before)
        Q_EMIT contentWidthChanged();
}

void DiffCanvas::growContentWidth(qreal rowWidth)
{
    // A line wider than the longest lines by length (tabs, wide characters) widens the
    // scrolling once it has been seen; the scroll bars follow after this paint.
    if (m_wrap || rowWidth <= m_contentWidth)
        return;
    m_contentWidth = rowWidth;
    if (m_growPending)
        return;
    m_growPending = true;
    QTimer::singleShot(0, this, [this] {
        m_growPending = false;
        updateScrollBars();
        viewport()->update();
        Q_EMIT contentWidthChanged();
    });
}

void DiffCanvas::updateScrollBars()
{
    const QSize view = viewport()->size();
    const qint64 height = totalHeight();
    QScrollBar* vertical = verticalScrollBar();
    m_scroll = ScrollScale(height - view.height());
    const qint64 perStep = m_scroll.pixelsPerStep();
    vertical->setRange(0, m_scroll.steps());
    vertical->setPageStep(int(std::max<qint64>(1, view.height() / perStep)));
    vertical->setSingleStep(int(std::max<qint64>(1, rowHeight() / perStep)));
    QScrollBar* horizontal = horizontalScrollBar();
    horizontal->setRange(0, std::max(0, int(std::ceil(std::max(m_contentWidth, m_sharedWidth))) - view.width()));
    horizontal->setPageStep(view.width());
    horizontal->setSingleStep(int(std::ceil(4 * m_rows->metrics().advance)));
}

QPoint DiffCanvas::scrollPosition() const
{
    return {horizontalScrollBar()->value(), verticalScrollBar()->value()};
}

qint64 DiffCanvas::scrollTop() const
{
    return m_scroll.toPixels(verticalScrollBar()->value());
}

void DiffCanvas::setScrollTop(qint64 y)
{
    verticalScrollBar()->setValue(m_scroll.toSteps(y));
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
        if (event->type() == QEvent::ToolTip) {
            const auto* help = static_cast<QHelpEvent*>(event);
            if (const QString text = toolTipAt(help->pos()); !text.isEmpty())
                QToolTip::showText(help->globalPos(), text, viewport());
            else
                QToolTip::hideText();
            return true;
        }
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
    if (count == 0) {
        paintFocusFrame(painter);
        return;
    }

    applyNewWidth();
    if (measureInView()) {
        // Heights corrected under an exposed part: paint the whole view (once more).
        viewport()->update();
        Q_EMIT heightsCorrected();
    }
    const qint64 top = scrollTop();
    const qreal left = -horizontalScrollBar()->value();
    const qreal lead = leadingWidth();
    const qreal width = contentWidth();
    const qint64 first = rowAtY(top + exposed.top());
    const qint64 last = rowAtY(top + exposed.bottom());
    const QRectF clip(exposed);
    for (qint64 index = first; index <= last; ++index) {
        const qreal y = qreal(rowTop(index) - top);
        const auto height = qreal(heightOfRow(index));
        if (lead > 0)
            paintLeading(painter, QRectF(left, y, lead, height), index);
        const RowPainter::Row row = rowFor(index);
        m_rows->paint(painter, QRectF(left + lead, y, width - lead, height), row, clip, selectionIn(index));
        if (m_rows->showsText(row) || m_rows->line(row.index).type() == DiffLineType::contextCollapsed)
            growContentWidth(lead + m_rows->textStart() + m_rows->textWidth(row.index, row.side) +
                             RowMetrics::kTextInset);
    }
    paintFocusFrame(painter);
}

void DiffCanvas::paintFocusFrame(QPainter& painter)
{
    if (!hasKeyboardFocus(this))
        return;
    paintFrame(painter, viewport()->rect());
    paintCursor(painter);
}

void DiffCanvas::paintFrame(QPainter& painter, QRect rect)
{
    // The accent, with a line of the view's own background inside it, so that the frame
    // stands out as well against a tinted row as against a plain one.
    const Palette& palette = Appearance::instance().palette();
    const auto frame = [&painter](QRect box, int width, const QColor& color) {
        painter.fillRect(QRect(box.left(), box.top(), box.width(), width), color);
        painter.fillRect(QRect(box.left(), box.bottom() - width + 1, box.width(), width), color);
        painter.fillRect(QRect(box.left(), box.top() + width, width, box.height() - 2 * width), color);
        painter.fillRect(QRect(box.right() - width + 1, box.top() + width, width, box.height() - 2 * width), color);
    };
    frame(rect, kFocusFrameWidth, palette.color(ColorRole::accent));
    const int inset = kFocusFrameWidth;
    frame(rect.adjusted(inset, inset, -inset, -inset), 1, palette.color(ColorRole::viewBackground));
}

void DiffCanvas::focusInEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusInEvent(event);
    viewport()->update();
    // A screen reader hears the row the cursor stands on, once the view itself is said.
    if (!m_rowCursor && rowCount() > 0)
        m_rowCursor = cursorStart();
    QTimer::singleShot(0, this, &DiffCanvas::announceCursor);
}

void DiffCanvas::focusOutEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
}

void DiffCanvas::resizeEvent(QResizeEvent* event)
{
    // The viewport's size: the map takes the viewport's height, right of it.
    QAbstractScrollArea::resizeEvent(event);
    // Wrapped, the new width is taken at the next paint: once for all the resizes before
    // it (both columns of the side-by-side view are resized one after the other).
    m_wrapWidthStale = m_wrap;
    m_resizing = m_wrap;
    updateScrollBars();
    const QRect view = viewport()->geometry();
    m_map->setGeometry(view.right() + 1, view.top(), ChangeMapView::kWidth, view.height());
}

void DiffCanvas::showEvent(QShowEvent* event)
{
    QAbstractScrollArea::showEvent(event);
    if (event->spontaneous())
        return;
    // Shown anew: centre the focused change once the layout has settled. The focus is
    // read then, as a result given right after showing brings its own.
    QTimer::singleShot(kShowCentringDelayMs, this, [this] {
        if (isAnimating())
            return;
        if (centreWhenShown)
            centreWhenShown();
        else
            centreFocus();
    });
}

void DiffCanvas::centreFocus()
{
    if (m_focusedRow && isVisible())
        centreOnRow(*m_focusedRow, false);
}

void DiffCanvas::scrollContentsBy(int dx, int dy)
{
    if (m_wrap || m_scroll.pixelsPerStep() != 1) {
        // Rows about to come into view may change height once laid out, or a step of the
        // scroll bar stands for more pixels than `dy`: paint them all.
        viewport()->update();
        m_map->update();
        return;
    }
    viewport()->scroll(dx, dy);
    if (hasKeyboardFocus(this)) {
        // The focus frame moved with the rows: repaint the bands it was drawn in.
        const QRect view = viewport()->rect();
        const int x = kFocusFrameWidth + 1 + std::abs(dx);
        const int y = kFocusFrameWidth + 1 + std::abs(dy);
        viewport()->update(QRegion(view).subtracted(QRegion(view.adjusted(x, y, -x, -y))));
    }
    if (dy != 0)
        m_map->update();
}

void DiffCanvas::moveFocus(std::optional<qint64> row, bool scroll)
{
    if (row && (*row < 0 || *row >= m_rows->rowCount()))
        row.reset();
    // The cursor comes along, also to the change it is on, and says which change it is.
    if (row) {
        m_rowCursor = m_rows->shown().shownRowOf(*row);
        m_announcement = changeAnnouncementAt(*row);
        viewport()->update();
    }
    if (row != m_focusedRow) {
        m_focusedRow = row;
        viewport()->update();
        m_map->update();
        if (scroll && row && isVisible())
            centreOnRow(*row, true);
    }
    if (row)
        announceCursor();
}

QPoint DiffCanvas::centringTarget(qint64 row)
{
    applyNewWidth();
    const QSize view = viewport()->size();
    const qint64 at = m_rows->shown().shownRowOf(row);
    measureAround(at);
    const qint64 height = heightOfRow(at);
    // A wrapped row taller than the view shows its top.
    const qint64 y = m_wrap && height > view.height() ? rowTop(at) : rowTop(at) + height / 2 - view.height() / 2;
    int x = 0;
    const RowPainter::Row shown = rowFor(at);
    if (!m_wrap && (m_rows->showsText(shown) || m_rows->line(shown.index).type() == DiffLineType::contextCollapsed)) {
        const qreal rowWidth =
            leadingWidth() + m_rows->textStart() + m_rows->textWidth(shown.index, shown.side) + RowMetrics::kTextInset;
        if (rowWidth > m_contentWidth) {
            m_contentWidth = rowWidth;
            updateScrollBars();
            Q_EMIT contentWidthChanged();
        }
        // The row's own width is at least the view's; its centre comes to the view's centre.
        x = int(std::lround(std::max<qreal>(rowWidth, view.width()) / 2 - view.width() / 2.0));
    }
    return {std::clamp(x, 0, horizontalScrollBar()->maximum()), m_scroll.toSteps(y)};
}

void DiffCanvas::centreOnRow(qint64 row, bool animated)
{
    m_animation->stop();
    if (row < 0 || row >= m_rows->rowCount())
        return;
    scrollTo([this, row] { return centringTarget(row); }, animated);
}

QPoint DiffCanvas::revealTarget(qint64 row, TextSpan span)
{
    QPoint target = centringTarget(row);
    target.setX(horizontalScrollBar()->value());
    const qint64 shownRow = m_rows->shown().shownRowOf(row);
    const RowPainter::Row shown = rowFor(shownRow);
    const PageSide side = shown.side;
    // The other half of a paired row is not this column's text: the row's place will do.
    if (!m_rows->showsText(shown) || shown.index != row)
        return target;
    if (m_wrap) {
        // Wrapped, the match's line comes to the centre when the row is taller than the view.
        const int view = viewport()->height();
        if (heightOfRow(shownRow) <= view)
            return target;
        const RowPainter::LinePoint at = m_rows->cursorPoint(row, side, span.start);
        const qint64 line =
            rowTop(shownRow) + qint64(m_rows->metrics().textTop) + qint64(at.line) * m_rows->metrics().lineStep;
        const qint64 y = line + m_rows->metrics().lineStep / 2 - view / 2;
        target.setY(m_scroll.toSteps(y));
        return target;
    }
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
    if (row < 0 || row >= m_rows->rowCount())
        return;
    scrollTo([this, row, span] { return revealTarget(row, span); }, animated);
}

void DiffCanvas::scrollTo(std::function<QPoint()> target, bool animated)
{
    if (!animated) {
        m_animationTarget = {};
        setScrollPosition(target());
        return;
    }
    // Asked once before the first frame: rows laid out around the target may move the
    // view's own place, which is where the animation starts. Not wrapping, nothing moves
    // on the way, and the end is kept (asked again, a match already in view would stop it).
    const QPoint end = target();
    m_animationFrom = scrollPosition();
    if (m_wrap)
        m_animationTarget = std::move(target);
    else
        m_animationTarget = [end] { return end; };
    m_animation->start();
}

void DiffCanvas::stopAnimation()
{
    m_animation->stop();
}

bool DiffCanvas::isAnimating() const
{
    return m_animation->state() == QAbstractAnimation::Running;
}

void DiffCanvas::keyPressEvent(QKeyEvent* event)
{
    if (event == QKeySequence::Copy) {
        if (!selection() && !cursorText().isEmpty())
            QGuiApplication::clipboard()->setText(cursorText());
        else
            copy();
        return;
    }
    if (cursorKey(event))
        return;
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
    if (setKeyboardFocusShown(this, true))
        viewport()->update();
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
    const int before = verticalScrollBar()->value();
    setScrollTop(scrollTop() - delta.y());
    // Past an int of pixels a step is several: a small turn still moves one.
    if (delta.y() != 0 && verticalScrollBar()->value() == before)
        verticalScrollBar()->setValue(before - (delta.y() > 0 ? 1 : -1));
    event->accept();
}

} // namespace varnel
