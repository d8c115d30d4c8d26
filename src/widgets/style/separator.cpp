// SPDX-License-Identifier: GPL-3.0-or-later

#include "widgets/style/separator.h"

#include "widgets/style/appearance.h"

#include <QPainter>

namespace varnel {

// How strongly a separator between two parts of the window shows.
constexpr qreal kSeparatorOpacity = 0.25;

Separator::Separator(Qt::Orientation orientation, QWidget* parent) : QWidget(parent), m_orientation(orientation)
{
    if (orientation == Qt::Vertical) {
        setFixedWidth(1);
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    } else {
        setFixedHeight(1);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    }
    connect(&Appearance::instance(), &Appearance::changed, this, qOverload<>(&QWidget::update));
}

QSize Separator::sizeHint() const
{
    return {1, 1};
}

void Separator::paintEvent(QPaintEvent*)
{
    const Palette& palette = Appearance::instance().palette();
    QPainter painter(this);
    painter.fillRect(rect(), palette.color(ColorRole::viewBackground));
    painter.fillRect(rect(), palette.color(ColorRole::secondary, kSeparatorOpacity));
}

} // namespace varnel
