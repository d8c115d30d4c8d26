// SPDX-License-Identifier: GPL-3.0-or-later

#include "widgets/style/widgetstyle.h"

#include "widgets/style/appearance.h"

#include <QWidget>

namespace varnel {

namespace {

void applyTextColor(QWidget* widget, ColorRole role, qreal opacity)
{
    // A fresh palette resolves only the roles set here, so the window's palette still
    // reaches the widget for everything else when the appearance changes.
    QPalette palette;
    const QColor color = Appearance::instance().palette().color(role, opacity);
    for (const QPalette::ColorRole text : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(text, color);
    widget->setPalette(palette);
}

} // namespace

void setTextColor(QWidget* widget, ColorRole role, qreal opacity)
{
    applyTextColor(widget, role, opacity);
    QObject::connect(&Appearance::instance(), &Appearance::changed, widget,
                     [widget, role, opacity] { applyTextColor(widget, role, opacity); });
}

void setHandCursor(QWidget* widget)
{
    widget->setCursor(Qt::PointingHandCursor);
}

} // namespace varnel
