// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "viewmodel/preferences.h"

#include <QObject>
#include <QString>

namespace varnel {

// The two layouts of a diff, stored under "diffViewMode" by these raw values.
enum class DiffViewMode { sideBySide, inlineView };

QString rawValue(DiffViewMode mode);
// "inline" is the inline layout; anything else, or nothing, is side by side.
DiffViewMode diffViewModeFromRawValue(const QString& raw);

// The layout a window shows its diff in, and whether long lines wrap ("wrapLongLines":
// "true" wraps, anything else does not). Each is one preference for every window and the
// next start: choosing it in one window stores it at once, and every window follows
// whoever writes it.
class DiffLayout : public QObject {
    Q_OBJECT

public:
    explicit DiffLayout(QObject* parent = nullptr);

    DiffViewMode mode() const { return m_mode; }
    // Shows `mode` and remembers it for every window and the next start.
    void setMode(DiffViewMode mode);

    // Whether rows wider than their column wrap at its width; off by default.
    bool wrapsLongLines() const { return m_wrap; }
    void setWrapsLongLines(bool wrap);

Q_SIGNALS:
    // The layout to show, after every write of the preference (here or in another
    // window), whether or not it changed.
    void modeChanged(varnel::DiffViewMode mode);
    // The same for wrapping.
    void wrapChanged(bool wrap);

private:
    void reload();

    Preferences m_preferences;
    DiffViewMode m_mode = DiffViewMode::sideBySide;
    bool m_wrap = false;
};

} // namespace varnel
