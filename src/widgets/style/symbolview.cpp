// SPDX-License-Identifier: GPL-3.0-or-later

#include "widgets/style/symbolview.h"

#include "widgets/style/appearance.h"

#include <QPainter>

namespace varnel {

SymbolView::SymbolView(IconName icon, int size, ColorRole role, QWidget* parent)
    : QWidget(parent)
    , m_icon(icon)
    , m_size(size)
    , m_role(role)
{
    setFixedSize(size, size);
    connect(&Appearance::instance(), &Appearance::changed, this, qOverload<>(&QWidget::update));
}

void SymbolView::setIconName(IconName icon)
{
    m_icon = icon;
    update();
}

void SymbolView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    icons::paint(painter, rect(), m_icon, m_size, Appearance::instance().palette().color(m_role));
}

} // namespace varnel
