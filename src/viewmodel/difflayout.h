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

// The layout a window shows its diff in. It is one preference for every window and the
// next start: choosing it in one window stores it at once, and every window follows
// whoever writes it.
class DiffLayout : public QObject {
    Q_OBJECT

public:
    explicit DiffLayout(QObject* parent = nullptr);

    DiffViewMode mode() const { return m_mode; }
    // Shows `mode` and remembers it for every window and the next start.
    void setMode(DiffViewMode mode);

Q_SIGNALS:
    // The layout to show, after every write of the preference (here or in another
    // window), whether or not it changed.
    void modeChanged(varnel::DiffViewMode mode);

private:
    void reload();

    Preferences m_preferences;
    DiffViewMode m_mode = DiffViewMode::sideBySide;
};

} // namespace varnel
