// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "widgets/style/icons.h"

#include <QWidget>

namespace varnel {

// One symbol at a fixed size in a palette colour, as a widget for layouts (the warning
// over an error, the check over "Files are identical", the banner's info sign).
class SymbolView : public QWidget {
    Q_OBJECT

public:
    SymbolView(IconName icon, int size, ColorRole role, QWidget* parent = nullptr);

    IconName iconName() const { return m_icon; }
    ColorRole colorRole() const { return m_role; }
    void setIconName(IconName icon);

    QSize sizeHint() const override { return {m_size, m_size}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    IconName m_icon;
    int m_size;
    ColorRole m_role;
};

} // namespace varnel
