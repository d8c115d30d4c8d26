// SPDX-License-Identifier: GPL-3.0-or-later

#include "widgets/style/buttons.h"

#include "widgets/style/appearance.h"
#include "widgets/style/widgetstyle.h"

#include <QCoreApplication>
#include <QFocusEvent>
#include <QPainter>
#include <QPainterPath>

namespace varnel {

namespace {

constexpr qreal kHoverFill = 0.12;
constexpr qreal kPressedFill = 0.22;
constexpr qreal kDisabledOpacity = 0.35;
constexpr qreal kCornerRadius = 5;

constexpr const char* kKeyboardFocusProperty = "varnelKeyboardFocus";
constexpr const char* kTrackedProperty = "varnelTracksFocus";

// Qt moves the focus on "by Tab" when the focused widget hides, even when a click hid it
// (Clear All taking its rows away): that focus came from the pointer, not the keyboard.
// So a Tab reason counts as the keyboard's only when no press of a mouse button came
// after the last key pressed.
class FocusReasonFilter : public QObject {
public:
    static FocusReasonFilter& instance()
    {
        static FocusReasonFilter filter;
        return filter;
    }

    // Watches the whole application's input, to know which came last.
    void watchInput()
    {
        if (!m_watching && QCoreApplication::instance()) {
            QCoreApplication::instance()->installEventFilter(this);
            m_watching = true;
        }
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::KeyPress: m_pointerLast = false; break;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::TouchBegin: m_pointerLast = true; break;
        case QEvent::FocusIn: focusIn(watched, static_cast<QFocusEvent*>(event)->reason()); break;
        case QEvent::FocusOut:
            if (static_cast<QFocusEvent*>(event)->reason() != Qt::ActiveWindowFocusReason && tracked(watched))
                watched->setProperty(kKeyboardFocusProperty, false);
            break;
        default: break;
        }
        return false;
    }

private:
    // The application's filter sees every object's events; only tracked widgets change.
    static bool tracked(QObject* object) { return object->property(kTrackedProperty).toBool(); }

    void focusIn(QObject* watched, Qt::FocusReason reason)
    {
        // Coming back to the window keeps what the focus was.
        if (reason == Qt::ActiveWindowFocusReason || !tracked(watched))
            return;
        const bool tab = reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason;
        watched->setProperty(kKeyboardFocusProperty, (tab && !m_pointerLast) || reason == Qt::ShortcutFocusReason);
    }

    bool m_watching = false;
    bool m_pointerLast = false;
};

} // namespace

void trackKeyboardFocus(QWidget* widget)
{
    widget->setProperty(kTrackedProperty, true);
    FocusReasonFilter::instance().watchInput();
}

// What every button of ours shares: reached by Tab, lit on hover, the hand cursor, a ring
// for keyboard focus, its own size, and a repaint when the appearance changes.
static void prepareButton(QAbstractButton* button)
{
    button->setFocusPolicy(Qt::TabFocus);
    button->setAttribute(Qt::WA_Hover);
    setHandCursor(button);
    trackKeyboardFocus(button);
    button->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    QObject::connect(&Appearance::instance(), &Appearance::changed, button, qOverload<>(&QWidget::update));
}

bool hasKeyboardFocus(const QWidget* widget)
{
    return widget->hasFocus() && widget->property(kKeyboardFocusProperty).toBool();
}

bool setKeyboardFocusShown(QWidget* widget, bool shown)
{
    if (!widget->hasFocus() || widget->property(kKeyboardFocusProperty).toBool() == shown)
        return false;
    widget->setProperty(kKeyboardFocusProperty, shown);
    widget->update();
    return true;
}

void paintFocusRing(QPainter& painter, const QRectF& rect, qreal radius)
{
    QPen pen(Appearance::instance().palette().color(ColorRole::accent, 0.8), 2);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(rect.adjusted(1, 1, -1, -1), radius, radius);
    painter.restore();
}

IconButton::IconButton(IconName icon, const QString& toolTip, QWidget* parent) : QAbstractButton(parent), m_icon(icon)
{
    setToolTip(toolTip);
    setAccessibleName(toolTip);
    prepareButton(this);
}

void IconButton::setIconName(IconName icon)
{
    m_icon = icon;
    update();
}

void IconButton::setIconColor(ColorRole role, qreal opacity)
{
    m_role = role;
    m_opacity = opacity;
    update();
}

QColor IconButton::iconColor() const
{
    return Appearance::instance().palette().color(m_role, isEnabled() ? m_opacity : m_opacity * kDisabledOpacity);
}

void IconButton::setIconMetrics(int size, int padding)
{
    m_size = size;
    m_padding = padding;
    updateGeometry();
    update();
}

void IconButton::setCircleBackground(bool circle)
{
    m_circle = circle;
    update();
}

QSize IconButton::sizeHint() const
{
    const int side = m_size + 2 * m_padding;
    return {side, side};
}

void IconButton::paintEvent(QPaintEvent*)
{
    const Palette& palette = Appearance::instance().palette();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const qreal radius = m_circle ? box.height() / 2 : kCornerRadius;
    if (m_circle) {
        // A disc of the bar colour with a faint edge, so the line behind it stops short.
        painter.setPen(QPen(palette.color(ColorRole::secondary, 0.25), 1));
        painter.setBrush(palette.color(ColorRole::windowBackground));
        painter.drawEllipse(box);
    }
    if (isEnabled() && (isDown() || underMouse())) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(palette.color(ColorRole::secondary, isDown() ? kPressedFill : kHoverFill));
        painter.drawRoundedRect(box, radius, radius);
    }
    icons::paint(painter, rect(), m_icon, m_size, iconColor());
    if (hasKeyboardFocus(this))
        paintFocusRing(painter, rect(), radius);
}

TextButton::TextButton(const QString& text, const QFont& font, ColorRole role, QWidget* parent)
    : QAbstractButton(parent)
    , m_role(role)
{
    setText(text);
    setFont(font);
    prepareButton(this);
}

QSize TextButton::sizeHint() const
{
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(text()) + 4, metrics.height() + 2};
}

void TextButton::paintEvent(QPaintEvent*)
{
    const Palette& palette = Appearance::instance().palette();
    QPainter painter(this);
    QFont drawn = font();
    drawn.setUnderline(isEnabled() && underMouse());
    painter.setFont(drawn);
    painter.setPen(palette.color(m_role, isEnabled() ? (isDown() ? 0.7 : 1.0) : kDisabledOpacity));
    painter.drawText(rect(), Qt::AlignCenter, text());
    if (hasKeyboardFocus(this))
        paintFocusRing(painter, rect(), 3);
}

} // namespace varnel
