// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "viewmodel/preferences.h"

#include <QList>
#include <QObject>
#include <QUrl>
#include <QUuid>

#include <functional>
#include <optional>
#include <utility>

namespace varnel {

// A remembered pair of compared files.
struct RecentComparison {
    QUuid id;
    QByteArray leftBookmark; // the left file's absolute path, UTF-8
    QByteArray rightBookmark;
    QString leftName; // the file names when recorded, for display
    QString rightName;
};

// How a row of the recents list reads: the names (with their folders when another row
// has the same two names) and a tooltip naming both files with their folders.
struct RecentRowText {
    QString left;
    QString right;
    QString toolTip;
};

// The last five pairs of files compared successfully, newest first, kept in the
// preferences under "recentComparisons" as a JSON array:
//   [{"id":"UPPER-CASE-UUID","leftBookmark":"<Base64>","rightBookmark":"<Base64>",
//     "leftName":"a.txt","rightName":"b.txt"}, ...]
// A pair is known by its two files: recording the same files again, by any path (a link,
// "link/.."), replaces the entry.
// Stored data that does not decode reads as an empty list, and the next save replaces it.
//
// Several processes share the list (a `varnel --wait` beside the main instance): every
// change reads what is stored, under a lock file beside the preferences, applies itself
// to that and saves it, so no process drops what another recorded.
class RecentComparisonsStore : public QObject {
    Q_OBJECT
    Q_PROPERTY(QList<varnel::RecentComparison> recents READ recents NOTIFY recentsChanged)

public:
    static constexpr qsizetype maxCount = 5;
    static inline const QString defaultsKey = Preferences::kRecentComparisons;

    explicit RecentComparisonsStore(QObject* parent = nullptr);

    const QList<RecentComparison>& recents() const { return m_recents; }

    void record(const QUrl& leftUrl, const QUrl& rightUrl);
    // Both files' URLs, when both still exist and can be read.
    std::optional<std::pair<QUrl, QUrl>> resolve(const RecentComparison& entry) const;
    // Why `entry` cannot be opened (which file is missing or unreadable, for an alert), or
    // nothing when it can.
    std::optional<QString> missingFileMessage(const RecentComparison& entry) const;
    // Re-reads the stored list, taking what other processes recorded.
    void reload();
    void remove(const RecentComparison& entry);
    void clearAll();

    static QByteArray encode(const QList<RecentComparison>& recents);
    static std::optional<QList<RecentComparison>> decode(const QByteArray& json);
    // The rows' text for `recents`, in order.
    static QList<RecentRowText> rowTexts(const QList<RecentComparison>& recents);
    // Where the lock of the stored list lives, beside the preferences.
    static QString lockFileName();

Q_SIGNALS:
    void recentsChanged();

private:
    void load();
    // Applies `change` to the stored list under the lock, then saves and shows the result.
    void update(const std::function<void(QList<RecentComparison>&)>& change);
    void setRecents(QList<RecentComparison> recents);

    Preferences m_preferences;
    QList<RecentComparison> m_recents;
};

} // namespace varnel

Q_DECLARE_METATYPE(varnel::RecentComparison)
