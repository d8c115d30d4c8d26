// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <optional>

namespace varnel {

// The user's preferences, kept between launches in an INI file in the user's
// configuration folder ("Varnel/Varnel.ini"). Any number of holders may exist; a write
// through any of them notifies every holder in the process.
//
// Reads never fail: a missing or unreadable value reads as absent. Writes replace the
// file atomically, so a crash never leaves it half written.
class Preferences : public QObject {
    Q_OBJECT

public:
    static inline const QString kDiffViewMode = QStringLiteral("diffViewMode");
    static inline const QString kAppearanceMode = QStringLiteral("appearanceMode");
    static inline const QString kRecentComparisons = QStringLiteral("recentComparisons");
    static inline const QString kWrapLongLines = QStringLiteral("wrapLongLines");
    static inline const QString kScrollTogether = QStringLiteral("scrollTogether");
    static inline const QString kWrapOfferAnswered = QStringLiteral("wrapOfferAnswered");
    static inline const QString kPairChangedLines = QStringLiteral("pairChangedLines");
    static inline const QString kReloadAutomatically = QStringLiteral("reloadAutomatically");
    static inline const QString kDetectMovedLines = QStringLiteral("detectMovedLines");
    // The comparison options a new window starts with (see rememberedCompareOptions).
    static inline const QString kIgnoreCase = QStringLiteral("ignoreCase");
    static inline const QString kIgnoreTrailingSpace = QStringLiteral("ignoreTrailingSpace");
    static inline const QString kIgnoreSpaceChange = QStringLiteral("ignoreSpaceChange");
    static inline const QString kIgnoreAllSpace = QStringLiteral("ignoreAllSpace");
    static inline const QString kIgnoreBlankLines = QStringLiteral("ignoreBlankLines");
    static inline const QString kIgnoreMatchingLines = QStringLiteral("ignoreMatchingLines");

    explicit Preferences(QObject* parent = nullptr);

    // Where the preferences are kept (an absolute path; the file may not exist yet).
    static QString fileName();

    std::optional<QByteArray> data(const QString& key) const;
    void setData(const QString& key, const QByteArray& value);

    // The stored string, or `fallback` when there is none (which is not written back).
    QString string(const QString& key, const QString& fallback) const;
    void setString(const QString& key, const QString& value);

Q_SIGNALS:
    // Some holder wrote `key`.
    void valueChanged(const QString& key);

private:
    void write(const QString& key, const QVariant& value);
};

} // namespace varnel
