// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "widgets/style/palette.h"

#include <QObject>

class QWidget;

namespace varnel {

// The one place that says whether the window is now light or dark. Whoever decides the
// appearance (the appearance setting, the desktop's colour scheme) calls setDark; every
// view listens to changed() and repaints with palette().
//
// Lives on the main thread for the whole process.
class Appearance : public QObject {
    Q_OBJECT

public:
    static Appearance& instance();

    bool isDark() const { return m_dark; }
    // Emits changed() only when the value changes.
    void setDark(bool dark);

    const Palette& palette() const { return Palette::forDark(m_dark); }

    // Gives `widget` the current palette (window, base and text colours, scroll bars)
    // now and whenever the appearance changes, for as long as it lives.
    static void follow(QWidget* widget);

Q_SIGNALS:
    void changed();

private:
    Appearance() = default;
    bool m_dark = false;
};

} // namespace varnel
