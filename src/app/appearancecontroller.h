// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "viewmodel/preferences.h"

#include <QDBusConnection>
#include <QDBusVariant>
#include <QObject>
#include <QPalette>

#include <optional>

namespace varnel {

// The appearance the user picks in the preferences ("appearanceMode").
enum class AppearanceMode { system, light, dark };

inline constexpr AppearanceMode kAppearanceModes[] = {AppearanceMode::system, AppearanceMode::light,
                                                      AppearanceMode::dark};

// "system", "light", "dark".
QString rawValue(AppearanceMode mode);
// Anything but the three raw values reads as system.
AppearanceMode appearanceModeFromRawValue(const QString& raw);
// "System", "Light", "Dark".
QString label(AppearanceMode mode);

// Decides whether the windows are light or dark, and keeps them so: Light and Dark are
// what they say; System follows the desktop's colour scheme as the XDG desktop portal
// reports it (org.freedesktop.appearance color-scheme, 1 = prefer dark, 2 = prefer light),
// live, and where there is no portal (or it states no preference) the lightness of the
// platform's own palette at start.
//
// Whatever the outcome, the application gets the Fusion style with Varnel's light or dark
// widget palette, so that dialogs, menus and tooltips match the views on every desktop,
// and Appearance::instance() says which one is in force. One per process, on the main
// thread, created after the QApplication.
class AppearanceController : public QObject {
    Q_OBJECT

public:
    // Reads the portal on `bus` (the session bus unless told; a bus that is not connected
    // means no portal).
    explicit AppearanceController(QObject* parent = nullptr);
    explicit AppearanceController(const QDBusConnection& bus, QObject* parent = nullptr);

    AppearanceMode mode() const;
    // What the desktop says: dark, light, or nothing when there is no portal or it states
    // no preference.
    std::optional<bool> desktopPrefersDark() const { return m_desktopDark; }
    bool isDark() const;

Q_SIGNALS:
    // The appearance in force has been applied again (after a change of the setting or of
    // the desktop's colour scheme).
    void applied();

private Q_SLOTS:
    void onSettingChanged(const QString& group, const QString& key, const QDBusVariant& value);

private:
    void readPortal();
    void apply();

    QDBusConnection m_bus;
    Preferences m_preferences;
    bool m_platformDark;
    std::optional<bool> m_desktopDark;
};

} // namespace varnel
