#include "viewmodel/recentcomparisonsstore.h"

#include "core/fileextension.h"
#include "core/nativepath.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <sys/stat.h>
#include <unistd.h>

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

void RecentComparisonsStore::save()
{
    m_preferences.setData(defaultsKey, encode(m_recents));
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
    QList<RecentComparison> recents = m_recents;
    recents.removeIf([&entry](const RecentComparison& existing) {
        return existing.leftName == entry.leftName && existing.rightName == entry.rightName;
    });
    recents.prepend(entry);
    if (recents.size() > maxCount)
        recents.resize(maxCount);
    setRecents(std::move(recents));
    save();
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

void RecentComparisonsStore::remove(const RecentComparison& entry)
{
    QList<RecentComparison> recents = m_recents;
    recents.removeIf([&entry](const RecentComparison& existing) { return existing.id == entry.id; });
    setRecents(std::move(recents));
    save();
}

void RecentComparisonsStore::clearAll()
{
    setRecents({});
    save();
}

} // namespace varnel
