// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/settingswindow.h"

#include <QButtonGroup>
#include <QFormLayout>
#include <QGroupBox>
#include <QRadioButton>
#include <QShortcut>
#include <QVBoxLayout>

namespace varnel {

SettingsWindow::SettingsWindow(QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_form(new QGroupBox(QStringLiteral("General"), this))
    , m_group(new QButtonGroup(this))
{
    setWindowTitle(QStringLiteral("Preferences"));
    // Closed with Ctrl+W, like every window of the desktop's own.
    connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_W), this), &QShortcut::activated, this, &QWidget::close);

    auto* choices = new QVBoxLayout();
    for (AppearanceMode mode : kAppearanceModes) {
        auto* button = new QRadioButton(label(mode), m_form);
        m_group->addButton(button, int(mode));
        choices->addWidget(button);
    }
    auto* rows = new QFormLayout(m_form);
    rows->addRow(QStringLiteral("Appearance:"), choices);
    m_form->setFixedWidth(kFormWidth);

    // The standard margins all round; the window is as tall as its content.
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_form);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    showStoredMode();
    connect(m_group, &QButtonGroup::idClicked, this,
            [this](int id) { m_preferences.setString(Preferences::kAppearanceMode, rawValue(AppearanceMode(id))); });
    connect(&m_preferences, &Preferences::valueChanged, this, [this](const QString& key) {
        if (key == Preferences::kAppearanceMode)
            showStoredMode();
    });
}

QRadioButton* SettingsWindow::button(AppearanceMode mode) const
{
    return qobject_cast<QRadioButton*>(m_group->button(int(mode)));
}

void SettingsWindow::showStoredMode()
{
    const QString stored = m_preferences.string(Preferences::kAppearanceMode, QString());
    button(appearanceModeFromRawValue(stored))->setChecked(true);
}

} // namespace varnel
