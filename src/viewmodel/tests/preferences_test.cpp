// SPDX-License-Identifier: GPL-3.0-or-later

#include "core/nativepath.h"
#include "viewmodel/preferences.h"
#include "viewmodel/recentcomparisonsstore.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace varnel;

namespace {

class StoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Every test starts without stored preferences.
        QSettings(QSettings::IniFormat, QSettings::UserScope, "Varnel", "Varnel").clear();
    }

    QUrl file(const QString& relative, const QByteArray& data = "x")
    {
        const QString path = m_dir.filePath(relative);
        QDir().mkpath(QFileInfo(path).path());
        QFile out(path);
        EXPECT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(data);
        return QUrl::fromLocalFile(path);
    }

    QTemporaryDir m_dir;
};

} // namespace

TEST_F(StoreTest, PreferencesLiveInTheTestHomeNotTheUsersConfiguration)
{
    Preferences preferences;
    preferences.setString(Preferences::kDiffViewMode, "inline");
    const QString path = QSettings(QSettings::IniFormat, QSettings::UserScope, "Varnel", "Varnel").fileName();
    EXPECT_TRUE(path.startsWith(QString::fromLocal8Bit(qgetenv("HOME")))) << path.toStdString();
    EXPECT_TRUE(QFile::exists(path));
}

TEST_F(StoreTest, StringsBlobsAndDefaults)
{
    Preferences preferences;
    EXPECT_EQ(preferences.string(Preferences::kAppearanceMode, "system"), "system");
    EXPECT_FALSE(preferences.data(Preferences::kRecentComparisons));
    EXPECT_FALSE(QSettings(QSettings::IniFormat, QSettings::UserScope, "Varnel", "Varnel")
                     .contains(Preferences::kAppearanceMode)); // the default is not written back

    preferences.setString(Preferences::kAppearanceMode, "dark");
    preferences.setData(Preferences::kRecentComparisons, QByteArray("\x00\xFF[]", 4));
    Preferences other;
    EXPECT_EQ(other.string(Preferences::kAppearanceMode, "system"), "dark");
    EXPECT_EQ(other.data(Preferences::kRecentComparisons), QByteArray("\x00\xFF[]", 4));

    // A value of the wrong kind reads as absent.
    preferences.setString(Preferences::kRecentComparisons, "not a blob");
    EXPECT_FALSE(other.data(Preferences::kRecentComparisons));
}

TEST_F(StoreTest, AWriteThroughOneHolderNotifiesEveryHolder)
{
    Preferences writer, reader;
    QSignalSpy spy(&reader, &Preferences::valueChanged);
    writer.setString(Preferences::kDiffViewMode, "inline");
    writer.setString(Preferences::kDiffViewMode, "inline");
    ASSERT_EQ(spy.count(), 2);
    EXPECT_EQ(spy.at(0).at(0).toString(), Preferences::kDiffViewMode);
}

TEST_F(StoreTest, RecordingKeepsFiveNewestPairsByPath)
{
    RecentComparisonsStore store;
    QSignalSpy spy(&store, &RecentComparisonsStore::recentsChanged);
    const QUrl a = file("a.txt"), b = file("b.txt");
    store.record(a, b);
    const QUuid firstId = store.recents().front().id;
    store.record(a, b);
    ASSERT_EQ(store.recents().size(), 1);
    EXPECT_NE(store.recents().front().id, firstId);

    store.record(b, a); // the other order is another pair
    EXPECT_EQ(store.recents().size(), 2);
    store.record(file("elsewhere/a.txt"), file("elsewhere/b.txt")); // same names, other files
    ASSERT_EQ(store.recents().size(), 3);
    EXPECT_EQ(store.recents().front().leftBookmark, m_dir.filePath("elsewhere/a.txt").toUtf8());
    EXPECT_EQ(store.recents().back().leftBookmark, m_dir.filePath("a.txt").toUtf8());

    for (int i = 0; i < 6; ++i)
        store.record(file(QStringLiteral("l%1.txt").arg(i)), b);
    ASSERT_EQ(store.recents().size(), 5);
    EXPECT_EQ(store.recents().front().leftName, "l5.txt");
    EXPECT_EQ(store.recents().back().leftName, "l1.txt");
    EXPECT_EQ(spy.count(), 10);

    RecentComparisonsStore reloaded; // what was saved comes back, in order
    ASSERT_EQ(reloaded.recents().size(), 5);
    EXPECT_EQ(reloaded.recents().front().id, store.recents().front().id);
    EXPECT_EQ(reloaded.recents().back().leftName, "l1.txt");

    store.record(QUrl::fromLocalFile(m_dir.filePath("gone.txt")), b); // no bookmark, no change
    EXPECT_EQ(store.recents().front().leftName, "l5.txt");
}

TEST_F(StoreTest, StoredFormIsTheDocumentedJson)
{
    RecentComparisonsStore store;
    store.record(file("left name.txt"), file("right.txt"));
    const QJsonArray array = QJsonDocument::fromJson(*Preferences().data(RecentComparisonsStore::defaultsKey)).array();
    ASSERT_EQ(array.size(), 1);
    const QJsonObject entry = array[0].toObject();
    EXPECT_EQ(entry.keys(), (QStringList{"id", "leftBookmark", "leftName", "rightBookmark", "rightName"}));
    const QString id = entry["id"].toString();
    EXPECT_EQ(id, id.toUpper());
    EXPECT_EQ(id.size(), 36);
    EXPECT_EQ(QByteArray::fromBase64(entry["leftBookmark"].toString().toLatin1()),
              m_dir.filePath("left name.txt").toUtf8());
    EXPECT_EQ(entry["leftName"].toString(), "left name.txt");
}

TEST_F(StoreTest, CorruptOrForeignDataReadsAsEmptyAndIsReplaced)
{
    const QByteArray valid = RecentComparisonsStore::encode({{QUuid::createUuid(), "/a", "/b", "a", "b"}});
    for (const QByteArray& stored :
         {QByteArray("not json"), QByteArray("{\"id\":1}"), QByteArray("[{\"id\":\"x\"}]"),
          QByteArray(valid).replace("\"leftName\"", "\"otherName\""),
          QByteArray("[{\"id\":\"") + QUuid::createUuid().toByteArray(QUuid::WithoutBraces) +
              "\",\"leftBookmark\":\"!!!\",\"rightBookmark\":\"\",\"leftName\":\"a\",\"rightName\":\"b\"}]",
          QByteArray("[1,2]")}) {
        Preferences().setData(RecentComparisonsStore::defaultsKey, stored);
        RecentComparisonsStore store;
        EXPECT_TRUE(store.recents().isEmpty()) << stored.toStdString();
        EXPECT_EQ(Preferences().data(RecentComparisonsStore::defaultsKey), stored); // left alone until a save
        store.record(file("a.txt"), file("b.txt"));
        EXPECT_EQ(RecentComparisonsStore().recents().size(), 1);
    }
    EXPECT_EQ(RecentComparisonsStore::decode(valid)->size(), 1);
}

TEST_F(StoreTest, ResolvingRemovingAndClearing)
{
    RecentComparisonsStore store;
    const QUrl a = file("a.txt"), b = file("b.txt");
    store.record(a, b);
    const auto pair = store.resolve(store.recents().front());
    ASSERT_TRUE(pair);
    EXPECT_EQ(pair->first, a);
    EXPECT_EQ(pair->second, b);

    QFile::remove(b.toLocalFile());
    EXPECT_FALSE(store.resolve(store.recents().front()));

    // A name that is not UTF-8 is remembered by its bytes and shown readably.
    const QByteArray latin1 = QFile::encodeName(m_dir.path()) + "/caf\xE9.txt";
    const int fd = ::open(latin1.constData(), O_WRONLY | O_CREAT | O_EXCL, 0600);
    ASSERT_GE(fd, 0);
    ::close(fd);
    store.record(fileUrl(pathFromNative(latin1)), a);
    EXPECT_EQ(store.recents().front().leftName, QStringLiteral("caf\uFFFD.txt"));
    const auto latinPair = RecentComparisonsStore().resolve(store.recents().front());
    ASSERT_TRUE(latinPair);
    EXPECT_EQ(nativePath(localPath(latinPair->first)), latin1);
    ::unlink(latin1.constData()); // QTemporaryDir cannot name it
    store.remove(store.recents().front());

    store.record(file("c.txt"), a);
    ASSERT_EQ(store.recents().size(), 2);
    store.remove(store.recents().back());
    ASSERT_EQ(store.recents().size(), 1);
    EXPECT_EQ(store.recents().front().leftName, "c.txt");
    store.clearAll();
    EXPECT_TRUE(store.recents().isEmpty());
    EXPECT_TRUE(RecentComparisonsStore().recents().isEmpty());
}
