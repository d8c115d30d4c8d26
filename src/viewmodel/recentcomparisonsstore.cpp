// SPDX-License-Identifier: GPL-3.0-or-later

#include "viewmodel/recentcomparisonsstore.h"

#include "core/fileextension.h"
#include "core/nativepath.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLockFile>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

namespace varnel {

namespace {

// A bookmark is the file's absolute path, as its exact bytes (see core/nativepath.h);
// there is none for a file that does not exist.
std::optional<QByteArray> makeBookmark(const QUrl& url)
{
    if (!url.isLocalFile())
        return std::nullopt;
    const QByteArray path = nativePath(absolutePath(filePath(url)));
    struct stat status {};
    if (::stat(path.constData(), &status) != 0)
        return std::nullopt;
    return path;
}

std::optional<QUrl> resolveBookmark(const QByteArray& bookmark)
{
    struct stat status {};
    if (!bookmark.startsWith('/') || ::stat(bookmark.constData(), &status) != 0 || !S_ISREG(status.st_mode) ||
        ::access(bookmark.constData(), R_OK) != 0)
        return std::nullopt;
    return fileUrl(absolutePath(pathFromNative(bookmark)));
}

QString fileName(const QUrl& url)
{
    return displayName(filePath(url));
}

// The folder of a bookmarked file, for people to read, with the home folder as "~".
QString folderOf(const QByteArray& bookmark)
{
    QString folder = displayPath(QFileInfo(pathFromNative(bookmark)).path());
    const QString home = QDir::homePath();
    if (folder == home || folder.startsWith(home + QLatin1Char('/')))
        folder.replace(0, home.size(), QStringLiteral("~"));
    return folder;
}

// Whether two bookmarks name one file: the same path, or the same file by another path
// (a link, "..").
bool sameFile(const QByteArray& first, const QByteArray& second)
{
    return first == second || isSameFile(pathFromNative(first), pathFromNative(second));
}

// How long a change waits for another process's change to the list before going ahead.
constexpr int kLockWaitMs = 5000;

} // namespace

RecentComparisonsStore::RecentComparisonsStore(QObject* parent) : QObject(parent)
{
    load();
}

QByteArray RecentComparisonsStore::encode(const QList<RecentComparison>& recents)
{
    QJsonArray array;
    for (const RecentComparison& entry : recents) {
        array.append(QJsonObject{
            {QStringLiteral("id"), entry.id.toString(QUuid::WithoutBraces).toUpper()},
            {QStringLiteral("leftBookmark"), QString::fromLatin1(entry.leftBookmark.toBase64())},
            {QStringLiteral("rightBookmark"), QString::fromLatin1(entry.rightBookmark.toBase64())},
            {QStringLiteral("leftName"), entry.leftName},
            {QStringLiteral("rightName"), entry.rightName},
        });
    }
    return QJsonDocument(array).toJson(QJsonDocument::Compact);
}

std::optional<QList<RecentComparison>> RecentComparisonsStore::decode(const QByteArray& json)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isArray())
        return std::nullopt;
    const auto bytes = [](const QJsonValue& value) -> std::optional<QByteArray> {
        if (!value.isString())
            return std::nullopt;
        QByteArray::FromBase64Result decoded = QByteArray::fromBase64Encoding(
            value.toString().toLatin1(), QByteArray::Base64Encoding | QByteArray::AbortOnBase64DecodingErrors);
        if (!decoded)
            return std::nullopt;
        return *decoded;
    };
    QList<RecentComparison> recents;
    for (const QJsonValue value : document.array()) {
        const QJsonObject object = value.toObject();
        const QUuid id = QUuid::fromString(object.value(QStringLiteral("id")).toString());
        const std::optional<QByteArray> left = bytes(object.value(QStringLiteral("leftBookmark")));
        const std::optional<QByteArray> right = bytes(object.value(QStringLiteral("rightBookmark")));
        const QJsonValue leftName = object.value(QStringLiteral("leftName"));
        const QJsonValue rightName = object.value(QStringLiteral("rightName"));
        if (!value.isObject() || id.isNull() || !left || !right || !leftName.isString() || !rightName.isString())
            return std::nullopt;
        recents.append({id, *left, *right, leftName.toString(), rightName.toString()});
    }
    return recents;
}

void RecentComparisonsStore::load()
{
    const std::optional<QByteArray> stored = m_preferences.data(defaultsKey);
    if (!stored)
        return;
    if (std::optional<QList<RecentComparison>> recents = decode(*stored))
        setRecents(std::move(*recents));
}

void RecentComparisonsStore::reload()
{
    const std::optional<QByteArray> stored = m_preferences.data(defaultsKey);
    std::optional<QList<RecentComparison>> recents = stored ? decode(*stored) : std::nullopt;
    if (!recents)
        recents.emplace();
    const auto sameIds = [](const RecentComparison& a, const RecentComparison& b) { return a.id == b.id; };
    if (!std::equal(recents->begin(), recents->end(), m_recents.begin(), m_recents.end(), sameIds))
        setRecents(std::move(*recents));
}

QString RecentComparisonsStore::lockFileName()
{
    return Preferences::fileName() + QStringLiteral(".recents.lock");
}

void RecentComparisonsStore::update(const std::function<void(QList<RecentComparison>&)>& change)
{
    QDir().mkpath(QFileInfo(Preferences::fileName()).path());
    QLockFile lock(lockFileName());
    // Without the lock (an unwritable folder, a stuck holder) the change still goes ahead:
    // losing a race is better than losing the change.
    [[maybe_unused]] const bool locked = lock.tryLock(kLockWaitMs);
    const std::optional<QByteArray> stored = m_preferences.data(defaultsKey);
    std::optional<QList<RecentComparison>> recents = stored ? decode(*stored) : std::nullopt;
    if (!recents)
        recents.emplace();
    change(*recents);
    if (recents->size() > maxCount)
        recents->resize(maxCount);
    m_preferences.setData(defaultsKey, encode(*recents));
    setRecents(std::move(*recents));
}

void RecentComparisonsStore::setRecents(QList<RecentComparison> recents)
{
    m_recents = std::move(recents);
    Q_EMIT recentsChanged();
}

void RecentComparisonsStore::record(const QUrl& leftUrl, const QUrl& rightUrl)
{
    const std::optional<QByteArray> left = makeBookmark(leftUrl);
    if (!left)
        return;
    const std::optional<QByteArray> right = makeBookmark(rightUrl);
    if (!right)
        return;
    const RecentComparison entry{QUuid::createUuid(), *left, *right, fileName(leftUrl), fileName(rightUrl)};
    update([&entry](QList<RecentComparison>& recents) {
        recents.removeIf([&entry](const RecentComparison& existing) {
            return sameFile(existing.leftBookmark, entry.leftBookmark) &&
                   sameFile(existing.rightBookmark, entry.rightBookmark);
        });
        recents.prepend(entry);
    });
}

std::optional<std::pair<QUrl, QUrl>> RecentComparisonsStore::resolve(const RecentComparison& entry) const
{
    const std::optional<QUrl> left = resolveBookmark(entry.leftBookmark);
    if (!left)
        return std::nullopt;
    const std::optional<QUrl> right = resolveBookmark(entry.rightBookmark);
    if (!right)
        return std::nullopt;
    return std::pair{*left, *right};
}

std::optional<QString> RecentComparisonsStore::missingFileMessage(const RecentComparison& entry) const
{
    for (const QByteArray& bookmark : {entry.leftBookmark, entry.rightBookmark}) {
        if (!resolveBookmark(bookmark))
            return QStringLiteral("The file \"%1\" no longer exists or cannot be read. The pair was removed "
                                  "from Recent Comparisons.")
                .arg(displayPath(pathFromNative(bookmark)));
    }
    return std::nullopt;
}

void RecentComparisonsStore::remove(const RecentComparison& entry)
{
    update([&entry](QList<RecentComparison>& recents) {
        recents.removeIf([&entry](const RecentComparison& existing) {
            return existing.id == entry.id ||
                   (existing.leftBookmark == entry.leftBookmark && existing.rightBookmark == entry.rightBookmark);
        });
    });
}

void RecentComparisonsStore::clearAll()
{
    update([](QList<RecentComparison>& recents) { recents.clear(); });
}

QList<RecentRowText> RecentComparisonsStore::rowTexts(const QList<RecentComparison>& recents)
{
    QHash<std::pair<QString, QString>, int> sameNames;
    for (const RecentComparison& entry : recents)
        ++sameNames[{entry.leftName, entry.rightName}];
    QList<RecentRowText> rows;
    for (const RecentComparison& entry : recents) {
        const QString leftFolder = folderOf(entry.leftBookmark);
        const QString rightFolder = folderOf(entry.rightBookmark);
        const QString inFolder = QStringLiteral("%1 (%2)");
        RecentRowText row{
            entry.leftName, entry.rightName,
            QStringLiteral("%1 in %2\n\u2192 %3 in %4").arg(entry.leftName, leftFolder, entry.rightName, rightFolder)};
        if (sameNames.value({entry.leftName, entry.rightName}) > 1) {
            row.left = inFolder.arg(entry.leftName, leftFolder);
            row.right = inFolder.arg(entry.rightName, rightFolder);
        }
        rows.append(row);
    }
    return rows;
}

} // namespace varnel
