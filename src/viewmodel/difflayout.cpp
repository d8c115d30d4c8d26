// SPDX-License-Identifier: GPL-3.0-or-later

#include "viewmodel/difflayout.h"

namespace varnel {

QString rawValue(DiffViewMode mode)
{
    return mode == DiffViewMode::inlineView ? QStringLiteral("inline") : QStringLiteral("sideBySide");
}

DiffViewMode diffViewModeFromRawValue(const QString& raw)
{
    return raw == u"inline" ? DiffViewMode::inlineView : DiffViewMode::sideBySide;
}

DiffLayout::DiffLayout(QObject* parent) : QObject(parent)
{
    m_mode = diffViewModeFromRawValue(m_preferences.string(Preferences::kDiffViewMode, QString()));
    connect(&m_preferences, &Preferences::valueChanged, this, [this](const QString& key) {
        if (key == Preferences::kDiffViewMode)
            reload();
    });
}

void DiffLayout::setMode(DiffViewMode mode)
{
    m_mode = mode;
    Q_EMIT modeChanged(mode);
    m_preferences.setString(Preferences::kDiffViewMode, rawValue(mode));
}

void DiffLayout::reload()
{
    m_mode = diffViewModeFromRawValue(m_preferences.string(Preferences::kDiffViewMode, QString()));
    Q_EMIT modeChanged(m_mode);
}

} // namespace varnel
