// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QWidget>

namespace varnel {

// A one-pixel line between two parts of a window, in the secondary colour at low
// opacity, following the appearance.
class Separator : public QWidget {
    Q_OBJECT

public:
    explicit Separator(Qt::Orientation orientation, QWidget* parent = nullptr);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Qt::Orientation m_orientation;
};

} // namespace varnel
