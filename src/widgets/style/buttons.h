// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "widgets/style/icons.h"

#include <QAbstractButton>

namespace varnel {

// A borderless button that shows one symbol in a palette colour. The pointer turns into
// a hand over it; hovering shades it and keyboard focus rings it. Disabled, it fades.
class IconButton : public QAbstractButton {
    Q_OBJECT

public:
    IconButton(IconName icon, const QString& toolTip, QWidget* parent = nullptr);

    IconName iconName() const { return m_icon; }
    void setIconName(IconName icon);
    // The colour of the symbol (secondary by default).
    void setIconColor(ColorRole role, qreal opacity = 1);
    // The symbol's colour now, with its opacity.
    QColor iconColor() const;
    // The symbol's size in pixels (16 by default) and the space around it (4).
    void setIconMetrics(int size, int padding);
    // Draws a filled circle behind the symbol, for a button that sits on a line.
    void setCircleBackground(bool circle);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    IconName m_icon;
    ColorRole m_role = ColorRole::secondary;
    qreal m_opacity = 1;
    int m_size = 16;
    int m_padding = 4;
    bool m_circle = false;
};

// A button that is only a word or two of text in a palette colour, underlined while the
// pointer is over it.
class TextButton : public QAbstractButton {
    Q_OBJECT

public:
    TextButton(const QString& text, const QFont& font, ColorRole role, QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ColorRole m_role;
};

// Paints the ring that shows keyboard focus around `rect`.
void paintFocusRing(QPainter& painter, const QRectF& rect, qreal radius);

// Makes `widget` remember how it got the focus, so that it rings itself only when the
// keyboard brought it there (Tab, Shift+Tab, a shortcut) and not after a click, when the
// window opens, or when a click hid the widget that had the focus.
void trackKeyboardFocus(QWidget* widget);
// Focus that the keyboard brought; see trackKeyboardFocus.
bool hasKeyboardFocus(const QWidget* widget);
// Whether a widget with the focus rings itself from now on: the keyboard used in it (a
// key that scrolls it) shows the ring, a click in it hides it, as if the focus had come
// that way. Says whether that changed anything.
bool setKeyboardFocusShown(QWidget* widget, bool shown);

} // namespace varnel
