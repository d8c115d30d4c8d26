// SPDX-License-Identifier: GPL-3.0-or-later

#include "viewmodel/difflayout.h"

namespace varnel {

namespace {

const QString kWrapOn = QStringLiteral("true");

} // namespace

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
    m_wrap = m_preferences.string(Preferences::kWrapLongLines, QString()) == kWrapOn;
    connect(&m_preferences, &Preferences::valueChanged, this, [this](const QString& key) {
        if (key == Preferences::kDiffViewMode)
            reload();
        if (key == Preferences::kWrapLongLines) {
            m_wrap = m_preferences.string(Preferences::kWrapLongLines, QString()) == kWrapOn;
            Q_EMIT wrapChanged(m_wrap);
        }
    });
}

void DiffLayout::setMode(DiffViewMode mode)
{
    m_mode = mode;
    Q_EMIT modeChanged(mode);
    m_preferences.setString(Preferences::kDiffViewMode, rawValue(mode));
}

void DiffLayout::setWrapsLongLines(bool wrap)
{
    m_wrap = wrap;
    Q_EMIT wrapChanged(wrap);
    m_preferences.setString(Preferences::kWrapLongLines, wrap ? kWrapOn : QStringLiteral("false"));
}

void DiffLayout::reload()
{
    m_mode = diffViewModeFromRawValue(m_preferences.string(Preferences::kDiffViewMode, QString()));
    Q_EMIT modeChanged(m_mode);
}

} // namespace varnel
