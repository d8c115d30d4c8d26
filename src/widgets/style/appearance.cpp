// SPDX-License-Identifier: GPL-3.0-or-later

#include "widgets/style/appearance.h"

#include <QWidget>

namespace varnel {

Appearance& Appearance::instance()
{
    static Appearance appearance;
    return appearance;
}

void Appearance::setDark(bool dark)
{
    if (dark == m_dark)
        return;
    m_dark = dark;
    Q_EMIT changed();
}

void Appearance::follow(QWidget* widget)
{
    Appearance& hub = instance();
    widget->setPalette(hub.palette().widgetPalette());
    QObject::connect(&hub, &Appearance::changed, widget,
                     [widget, &hub] { widget->setPalette(hub.palette().widgetPalette()); });
}

} // namespace varnel
