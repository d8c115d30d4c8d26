// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "app/appearancecontroller.h"
#include "viewmodel/preferences.h"

#include <QWidget>

class QButtonGroup;
class QRadioButton;

namespace varnel {

// The preferences window: one "General" group holding "Appearance" as the radio buttons
// "System", "Light" and "Dark", 320 wide. A choice is stored at once ("appearanceMode")
// and every window follows it. A stored value that is none of the three shows as System
// and stays as it is until the user picks.
class SettingsWindow : public QWidget {
    Q_OBJECT

public:
    static constexpr int kFormWidth = 320;

    explicit SettingsWindow(QWidget* parent = nullptr);

    QRadioButton* button(AppearanceMode mode) const;
    QWidget* form() const { return m_form; }

private:
    void showStoredMode();

    Preferences m_preferences;
    QWidget* m_form;
    QButtonGroup* m_group;
};

} // namespace varnel
