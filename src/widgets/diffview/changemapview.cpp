// SPDX-License-Identifier: GPL-3.0-or-later

#include "widgets/diffview/changemapview.h"

#include "widgets/diffview/diffcanvas.h"
#include "widgets/style/appearance.h"

#include <QApplication>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QToolTip>

#include <algorithm>
#include <cmath>
#include <new>

namespace varnel {

namespace {

constexpr qreal kBackgroundTint = 0.05;
constexpr qreal kEdgeOpacity = 0.2;
constexpr qreal kMarkInset = 2;
constexpr qreal kFrameFill = 0.12;
constexpr qreal kFrameEdge = 0.45;
constexpr qreal kSmallestFrame = 6;
constexpr qreal kFocusHeight = 2;

} // namespace

ChangeMapView::ChangeMapView(DiffCanvas& canvas) : QWidget(&canvas), m_canvas(canvas)
{
    setCursor(Qt::PointingHandCursor);
    setAccessibleName(QStringLiteral("Change map"));
    onJump = [this](qint64 row) {
        if (m_canvas.isWrapping()) {
            // Lays out the rows around it.
            m_canvas.verticalScrollBar()->setValue(m_canvas.centringTarget(row).y());
            return;
        }
        row = m_canvas.rowPainter().shown().shownRowOf(row);
        const qint64 height = m_canvas.rowHeight();
        m_canvas.setScrollTop(row * height + height / 2 - m_canvas.viewport()->height() / 2);
    };
    connect(&Appearance::instance(), &Appearance::changed, this, [this] {
        m_dirty = true;
        update();
    });
}

void ChangeMapView::resultChanged()
{
    ++m_shared->change;
    m_dirty = true;
    update();
}

void ChangeMapView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    m_dirty = true;
}

void ChangeMapView::rebuild()
{
    const qreal ratio = devicePixelRatioF();
    const int pixels = int(std::ceil(mapHeight() * ratio));
    updateMarks(pixels);
    const Palette& palette = Appearance::instance().palette();
    m_marks = QImage(int(std::ceil(kWidth * ratio)), std::max(1, pixels), QImage::Format_ARGB32_Premultiplied);
    m_marks.fill(Qt::transparent);
    const int left = int(std::round(kMarkInset * ratio));
    const int right = m_marks.width() - left;
    const int middle = (left + right) / 2;
    const QColor red = palette.color(ColorRole::red);
    const QColor green = palette.color(ColorRole::green);
    const QColor violet = palette.color(ColorRole::moved);
    QPainter painter(&m_marks);
    // Runs of pixel rows with the same marks are one rectangle.
    for (int y = 0; y < pixels;) {
        const std::uint8_t marks = m_map.marks(y);
        int end = y + 1;
        while (end < pixels && m_map.marks(end) == marks)
            ++end;
        if (marks & ChangeMap::moved) {
            // Moved rows in their own colour, beside whatever else shares the pixel row.
            const int split = marks == ChangeMap::moved ? right : middle;
            painter.fillRect(QRect(left, y, split - left, end - y), violet);
            if (split < right)
                painter.fillRect(QRect(split, y, right - split, end - y), (marks & ChangeMap::removed) ? red : green);
        } else if (marks == ChangeMap::removed)
            painter.fillRect(QRect(left, y, right - left, end - y), red);
        else if (marks == ChangeMap::added)
            painter.fillRect(QRect(left, y, right - left, end - y), green);
        else if (marks != ChangeMap::none) {
            painter.fillRect(QRect(left, y, middle - left, end - y), red);
            painter.fillRect(QRect(middle, y, right - middle, end - y), green);
        }
        y = end;
    }
    painter.end();
    m_marks.setDevicePixelRatio(ratio);
    m_wasDark = palette.isDark();
    m_dirty = false;
}

void ChangeMapView::updateMarks(int pixels)
{
    if (m_builtFor == m_shared->change && m_map.pixels() == pixels)
        return;
    m_builtFor = m_shared->change;
    if (m_shared->builtFor == m_shared->change && m_shared->map.pixels() == pixels) {
        m_map = m_shared->map;
        return;
    }
    // Wrapped rows are mapped by their heights, so each mark stands beside its rows.
    // The runs come in order: each top is found from the one before.
    // Paired, a run stands on as many shown rows as it has rows, from its first one's.
    const RowPainter& rows = m_canvas.rowPainter();
    ChangeMap::MovedRow moved;
    if (!rows.moves().isEmpty())
        moved = [&rows](qint64 row) { return rows.moveOf(row).has_value(); };
    const auto shownRows = [&rows](const ChangeRun& run) {
        const qint64 first = rows.shown().shownRowOf(run.start);
        return std::pair{first, first + run.length};
    };
    if (rows.isWrapping()) {
        const RowHeights& heights = rows.heights();
        qint64 last = 0;
        qint64 lastTop = 0;
        const auto top = [&](qint64 row) {
            lastTop = heights.topAfter(row, last, lastTop);
            last = row;
            return lastTop;
        };
        m_map = ChangeMap(
            rows.changeRuns(), pixels,
            [&](const ChangeRun& run) {
                const auto [first, end] = shownRows(run);
                return std::pair{top(first), top(end)};
            },
            heights.totalHeight(), moved);
    } else
        m_map = ChangeMap(rows.changeRuns(), pixels, shownRows, rows.shownCount(), moved);
    m_shared->map = m_map;
    m_shared->builtFor = m_shared->change;
}

qint64 ChangeMapView::units() const
{
    return m_canvas.rowPainter().isWrapping() ? m_canvas.totalHeight() : m_canvas.rowCount();
}

qint64 ChangeMapView::unitOfRow(qint64 row) const
{
    return m_canvas.rowPainter().isWrapping() ? m_canvas.rowTop(row) : row;
}

qint64 ChangeMapView::rowOfUnit(qint64 unit) const
{
    return m_canvas.rowPainter().isWrapping() ? m_canvas.rowAtY(unit) : unit;
}

int ChangeMapView::mapHeight() const
{
    // Rows shorter than the view are mapped onto their own height, so each mark stands
    // beside its rows rather than stretched down the whole strip.
    return int(std::min<qint64>(height(), m_canvas.totalHeight()));
}

QRectF ChangeMapView::visibleFrame() const
{
    const qint64 total = m_canvas.totalHeight();
    if (total <= 0)
        return {};
    const qreal scale = qreal(mapHeight()) / qreal(total);
    const qreal top = qreal(m_canvas.scrollTop()) * scale;
    const qreal shown = std::min<qreal>(mapHeight(), qreal(m_canvas.viewport()->height()) * scale);
    if (shown >= kSmallestFrame)
        return {0, top, qreal(kWidth), std::min(shown, mapHeight() - top)};
    // Too thin to see: a small frame centred on where the view is.
    const qreal centre = top + shown / 2;
    const qreal frameTop = std::clamp(centre - kSmallestFrame / 2, 0.0, mapHeight() - kSmallestFrame);
    return {0, frameTop, qreal(kWidth), kSmallestFrame};
}

void ChangeMapView::paintEvent(QPaintEvent*)
{
    const Palette& palette = Appearance::instance().palette();
    const bool resized = m_map.pixels() != int(std::ceil(mapHeight() * devicePixelRatioF()));
    if (m_dirty || resized || m_wasDark != palette.isDark() ||
        !qFuzzyCompare(m_marks.devicePixelRatio(), devicePixelRatioF()))
        rebuild();
    QPainter painter(this);
    painter.fillRect(rect(), palette.color(ColorRole::viewBackground));
    painter.fillRect(rect(), palette.color(ColorRole::secondary, kBackgroundTint));
    painter.fillRect(QRectF(0, 0, 1, height()), palette.color(ColorRole::secondary, kEdgeOpacity));
    painter.drawImage(QPointF(0, 0), m_marks);

    const qint64 units = this->units();
    if (const std::optional<qint64> focused = m_canvas.focusedRow(); focused && units > 0) {
        const qint64 at = m_canvas.rowPainter().shown().shownRowOf(*focused);
        const qreal top = qreal(unitOfRow(at)) * mapHeight() / qreal(units);
        const qreal tall =
            std::max(kFocusHeight, qreal(unitOfRow(at + 1) - unitOfRow(at)) * mapHeight() / qreal(units));
        painter.fillRect(QRectF(0, std::min(top, mapHeight() - tall), kWidth, tall), palette.color(ColorRole::accent));
    }

    const QRectF frame = visibleFrame();
    if (frame.isValid()) {
        painter.fillRect(frame, palette.color(ColorRole::secondary, kFrameFill));
        painter.setPen(QPen(palette.color(ColorRole::secondary, kFrameEdge), 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(frame.adjusted(0.5, 0.5, -0.5, -0.5));
    }
}

void ChangeMapView::jumpTo(qreal y)
{
    if (m_canvas.rowCount() == 0 || mapHeight() <= 0 || !onJump)
        return;
    onJump(m_canvas.rowPainter().shown().firstRowAt(rowOfUnit(ChangeMap::rowAt(y, units(), mapHeight()))));
}

void ChangeMapView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    m_dragging = true;
    jumpTo(event->position().y());
    event->accept();
}

void ChangeMapView::mouseMoveEvent(QMouseEvent* event)
{
    if (m_dragging)
        jumpTo(event->position().y());
}

void ChangeMapView::mouseReleaseEvent(QMouseEvent* event)
{
    m_dragging = false;
    event->accept();
}

QString ChangeMapView::toolTipAt(int y) const
{
    if (m_canvas.rowCount() == 0 || y >= mapHeight())
        return {};
    const auto [firstUnit, endUnit] = ChangeMap::rowsAtPixel(y, units(), mapHeight());
    // The result rows on those shown rows (paired, from the first's removed half to the
    // last's added half).
    const RowPainter& painter = m_canvas.rowPainter();
    const qint64 first = painter.shown().firstRowAt(rowOfUnit(firstUnit));
    const PairedRows::Sides last = painter.shown().sidesAt(rowOfUnit(endUnit - 1));
    const qint64 end = std::max(last.left, last.right) + 1;
    std::optional<qint64> leftFirst, leftLast, rightFirst, rightLast;
    for (qint64 row = first; row < end; ++row) {
        const DiffLine& line = painter.line(row);
        if (const std::optional<qint64> number = line.leftLineNumber()) {
            leftFirst = leftFirst.value_or(*number);
            leftLast = number;
        }
        if (const std::optional<qint64> number = line.rightLineNumber()) {
            rightFirst = rightFirst.value_or(*number);
            rightLast = number;
        }
    }
    const auto range = [](qint64 from, qint64 to) {
        return from == to ? QStringLiteral("line %1").arg(from) : QStringLiteral("lines %1–%2").arg(from).arg(to);
    };
    QStringList parts;
    if (leftFirst)
        parts.append(range(*leftFirst, *leftLast) + QStringLiteral(" on the left"));
    if (rightFirst)
        parts.append(range(*rightFirst, *rightLast) + QStringLiteral(" on the right"));
    if (parts.isEmpty())
        parts.append(QStringLiteral("unchanged lines hidden"));
    QString text = parts.join(QStringLiteral(", "));
    text[0] = text[0].toUpper();
    // Named as the summary names them: half of a modified pair is a modified line.
    const ChangeRuns::Counts counts = painter.changeRuns().countIn(first, end);
    QStringList changes;
    if (counts.removed > 0)
        changes.append(QStringLiteral("%1 removed").arg(counts.removed));
    if (counts.added > 0)
        changes.append(QStringLiteral("%1 added").arg(counts.added));
    if (counts.modified > 0)
        changes.append(QStringLiteral("%1 modified").arg(counts.modified));
    if (!changes.isEmpty())
        text += QLatin1Char('\n') + changes.join(QStringLiteral(", "));
    return text;
}

bool ChangeMapView::event(QEvent* event)
{
    // A jump lays out the rows around its target: running out of memory there leaves
    // the view where it was.
    try {
        return handle(event);
    } catch (const std::bad_alloc&) {
        QApplication::beep();
        return true;
    }
}

bool ChangeMapView::handle(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const QString text = toolTipAt(help->pos().y());
        if (text.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), text, this);
        return true;
    }
    return QWidget::event(event);
}

} // namespace varnel
