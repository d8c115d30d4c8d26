// SPDX-License-Identifier: GPL-3.0-or-later

// Recents shared by several processes, rows that would read the same, and pairs whose
// files went away.
#include "viewmodel/recentcomparisonsstore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace varnel;

namespace {

class RecentsTest : public ::testing::Test {
protected:
    void SetUp() override { QSettings(QSettings::IniFormat, QSettings::UserScope, "Varnel", "Varnel").clear(); }

    QString file(const QString& relative)
    {
        QString path = m_dir.filePath(relative);
        QDir().mkpath(QFileInfo(path).path());
        QFile out(path);
        EXPECT_TRUE(out.open(QIODevice::WriteOnly));
        return path;
    }

    // This test program again, as another process recording `pairs` (left, right, ...).
    std::unique_ptr<QProcess> recordElsewhere(const QStringList& pairs)
    {
        auto process = std::make_unique<QProcess>();
        process->setProcessChannelMode(QProcess::ForwardedChannels);
        process->start(QCoreApplication::applicationFilePath(), QStringList{"--record-recents"} + pairs);
        return process;
    }

    static QStringList leftPaths(const QList<RecentComparison>& recents)
    {
        QStringList paths;
        for (const RecentComparison& entry : recents)
            paths.append(QString::fromUtf8(entry.leftBookmark));
        return paths;
    }

    QTemporaryDir m_dir;
};

} // namespace

TEST_F(RecentsTest, NoProcessLosesAnothersPairs)
{
    // This process holds its list from before the others record, as the main instance does
    // while a `varnel --wait` runs beside it.
    RecentComparisonsStore store;
    const QString b = file("b.txt");
    auto first = recordElsewhere({file("p1.txt"), b, file("p2.txt"), b});
    auto second = recordElsewhere({file("q1.txt"), b, file("q2.txt"), b});
    for (QProcess* process : {first.get(), second.get()}) {
        ASSERT_TRUE(process->waitForFinished(30000));
        ASSERT_EQ(process->exitStatus(), QProcess::NormalExit);
        ASSERT_EQ(process->exitCode(), 0);
    }
    store.record(QUrl::fromLocalFile(file("mine.txt")), QUrl::fromLocalFile(b));

    QStringList expected{file("mine.txt"), file("p1.txt"), file("p2.txt"), file("q1.txt"), file("q2.txt")};
    QStringList stored = leftPaths(RecentComparisonsStore().recents());
    EXPECT_EQ(stored.front(), expected.front());
    stored.sort();
    expected.sort();
    EXPECT_EQ(stored, expected);
    EXPECT_EQ(leftPaths(store.recents()).size(), 5);

    // A store that only reads takes the others' changes when it reloads.
    RecentComparisonsStore reader;
    auto third = recordElsewhere({file("r.txt"), b});
    ASSERT_TRUE(third->waitForFinished(30000));
    reader.reload();
    EXPECT_EQ(leftPaths(reader.recents()).front(), file("r.txt"));
}

TEST_F(RecentsTest, RowsShowFoldersWhenTheyWouldReadTheSame)
{
    RecentComparisonsStore store;
    const auto record = [&](const QString& left, const QString& right) {
        store.record(QUrl::fromLocalFile(file(left)), QUrl::fromLocalFile(file(right)));
    };
    record("x/a.txt", "x/b.txt");
    record("y/a.txt", "y/b.txt");
    record("y/c.txt", "x/b.txt");
    ASSERT_EQ(store.recents().size(), 3);
    const QList<RecentRowText> rows = RecentComparisonsStore::rowTexts(store.recents());
    const QString x = m_dir.filePath("x"), y = m_dir.filePath("y");
    EXPECT_EQ(rows[0].left, "c.txt"); // alone with its names: names only
    EXPECT_EQ(rows[0].right, "b.txt");
    EXPECT_EQ(rows[0].toolTip, QStringLiteral("c.txt in %1\n\u2192 b.txt in %2").arg(y, x));
    EXPECT_EQ(rows[1].left, QStringLiteral("a.txt (%1)").arg(y));
    EXPECT_EQ(rows[1].right, QStringLiteral("b.txt (%1)").arg(y));
    EXPECT_EQ(rows[2].left, QStringLiteral("a.txt (%1)").arg(x));

    // The home folder reads as "~" (the tests' home is a throw-away folder).
    const QString home = QDir::homePath() + "/recents-home";
    QDir().mkpath(home);
    EXPECT_TRUE(QFile(home + "/h.txt").open(QIODevice::WriteOnly));
    store.record(QUrl::fromLocalFile(home + "/h.txt"), QUrl::fromLocalFile(file("x/b.txt")));
    EXPECT_TRUE(RecentComparisonsStore::rowTexts(store.recents())[0].toolTip.startsWith("h.txt in ~/recents-home\n"));
}

TEST_F(RecentsTest, AMissingFileIsNamed)
{
    RecentComparisonsStore store;
    const QString left = file("left.txt"), right = file("right.txt");
    store.record(QUrl::fromLocalFile(left), QUrl::fromLocalFile(right));
    const RecentComparison entry = store.recents().front();
    EXPECT_FALSE(store.missingFileMessage(entry));
    ASSERT_TRUE(QFile::remove(right));
    const std::optional<QString> message = store.missingFileMessage(entry);
    ASSERT_TRUE(message);
    EXPECT_TRUE(message->contains(QStringLiteral("\"%1\"").arg(right))) << message->toStdString();
    EXPECT_FALSE(message->contains(left));
}

// A pair seen again by another path ("link/..") is one row.
TEST_F(RecentsTest, APairByAnyPathIsOneRow)
{
    RecentComparisonsStore store;
    const QString left = file("real/a.txt"), right = file("b.txt");
    ASSERT_TRUE(QDir(m_dir.path()).mkpath("real/inner"));
    ASSERT_TRUE(QFile::link(m_dir.filePath("real/inner"), m_dir.filePath("link")));
    store.record(QUrl::fromLocalFile(left), QUrl::fromLocalFile(right));
    store.record(QUrl::fromLocalFile(m_dir.filePath("link/../a.txt")), QUrl::fromLocalFile(right));
    ASSERT_EQ(store.recents().size(), 1);
    EXPECT_TRUE(store.recents().front().leftBookmark.endsWith("/link/../a.txt")); // the newer spelling
}
