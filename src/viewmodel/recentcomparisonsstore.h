#pragma once

#include "viewmodel/preferences.h"

#include <QList>
#include <QObject>
#include <QUrl>
#include <QUuid>

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

// The last five pairs of files compared successfully, newest first, kept in the
// preferences under "recentComparisons" as a JSON array:
//   [{"id":"UPPER-CASE-UUID","leftBookmark":"<Base64>","rightBookmark":"<Base64>",
//     "leftName":"a.txt","rightName":"b.txt"}, ...]
// A pair is known by its two names: recording the same names again replaces the entry.
// Stored data that does not decode reads as an empty list, and the next save replaces it.
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
    void remove(const RecentComparison& entry);
    void clearAll();

    static QByteArray encode(const QList<RecentComparison>& recents);
    static std::optional<QList<RecentComparison>> decode(const QByteArray& json);

Q_SIGNALS:
    void recentsChanged();

private:
    void load();
    void save();
    void setRecents(QList<RecentComparison> recents);

    Preferences m_preferences;
    QList<RecentComparison> m_recents;
};

} // namespace varnel

Q_DECLARE_METATYPE(varnel::RecentComparison)
