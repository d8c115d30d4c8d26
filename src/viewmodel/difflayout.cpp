// SPDX-License-Identifier: GPL-3.0-or-later

#include "viewmodel/difflayout.h"

namespace varnel {

namespace {

const QString kOn = QStringLiteral("true");
const QString kOff = QStringLiteral("false");

} // namespace

QString rawValue(DiffViewMode mode)
{
    return mode == DiffViewMode::inlineView ? QStringLiteral("inline") : QStringLiteral("sideBySide");
}

DiffViewMode diffViewModeFromRawValue(const QString& raw)
{
    return raw == u"inline" ? DiffViewMode::inlineView : DiffViewMode::sideBySide;
}

QString wrapDroppedMessage(const QString& left, const QString& right)
{
    return QStringLiteral("There is not enough memory to wrap the long lines of \"%1\" and \"%2\": they are "
                          "shown unwrapped.")
        .arg(left, right);
}

DiffLayout::DiffLayout(QObject* parent) : QObject(parent)
{
    m_mode = diffViewModeFromRawValue(m_preferences.string(Preferences::kDiffViewMode, QString()));
    m_wrap = flag(Preferences::kWrapLongLines);
    m_together = flag(Preferences::kScrollTogether);
    m_offerAnswered = flag(Preferences::kWrapOfferAnswered);
    m_pair = flag(Preferences::kPairChangedLines);
    connect(&m_preferences, &Preferences::valueChanged, this, &DiffLayout::preferenceChanged);
}

bool DiffLayout::flag(const QString& key) const
{
    return m_preferences.string(key, QString()) == kOn;
}

void DiffLayout::preferenceChanged(const QString& key)
{
    if (key == Preferences::kDiffViewMode)
        reload();
    if (key == Preferences::kWrapLongLines) {
        m_wrap = flag(Preferences::kWrapLongLines);
        Q_EMIT wrapChanged(m_wrap);
        Q_EMIT scrollTogetherChanged(scrollsTogether());
    }
    if (key == Preferences::kScrollTogether) {
        m_together = flag(Preferences::kScrollTogether);
        Q_EMIT scrollTogetherChanged(scrollsTogether());
    }
    if (key == Preferences::kPairChangedLines) {
        m_pair = flag(Preferences::kPairChangedLines);
        Q_EMIT pairChangedLinesChanged(m_pair);
    }
    if (key == Preferences::kWrapOfferAnswered && !m_offerAnswered && flag(key)) {
        m_offerAnswered = true;
        Q_EMIT wrapOfferAnswered();
    }
}

void DiffLayout::setMode(DiffViewMode mode)
{
    m_mode = mode;
    Q_EMIT modeChanged(mode);
    m_preferences.setString(Preferences::kDiffViewMode, rawValue(mode));
}

void DiffLayout::setWrapsLongLines(bool wrap)
{
    const bool changed = wrap != m_wrap;
    m_wrap = wrap;
    Q_EMIT wrapChanged(wrap);
    Q_EMIT scrollTogetherChanged(scrollsTogether());
    m_preferences.setString(Preferences::kWrapLongLines, wrap ? kOn : kOff);
    if (changed)
        answerWrapOffer();
}

void DiffLayout::setScrollTogether(bool together)
{
    m_together = together;
    Q_EMIT scrollTogetherChanged(scrollsTogether());
    m_preferences.setString(Preferences::kScrollTogether, together ? kOn : kOff);
}

void DiffLayout::setPairChangedLines(bool pair)
{
    m_pair = pair;
    Q_EMIT pairChangedLinesChanged(pair);
    m_preferences.setString(Preferences::kPairChangedLines, pair ? kOn : kOff);
}

bool DiffLayout::offersWrap(DiffMode::Kind kind, bool linesCut, const QString& comparison)
{
    if (!comparison.isEmpty() && m_offeredFor && *m_offeredFor != comparison)
        m_offerSpent = true;
    const bool document = kind == DiffMode::Kind::docx || kind == DiffMode::Kind::pdf;
    if (!document || !linesCut || m_wrap || m_offerAnswered || m_offerSpent)
        return false;
    if (!m_offeredFor)
        m_offeredFor = comparison;
    return true;
}

void DiffLayout::answerWrapOffer()
{
    if (m_offerAnswered)
        return;
    m_offerAnswered = true;
    Q_EMIT wrapOfferAnswered();
    m_preferences.setString(Preferences::kWrapOfferAnswered, kOn);
}

void DiffLayout::reload()
{
    m_mode = diffViewModeFromRawValue(m_preferences.string(Preferences::kDiffViewMode, QString()));
    Q_EMIT modeChanged(m_mode);
}

} // namespace varnel
