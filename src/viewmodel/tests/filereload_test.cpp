// SPDX-License-Identifier: GPL-3.0-or-later

// Files that change under an open comparison: real files in a temporary folder, the real
// comparison, and the event loop to deliver the system's notices.

#include "viewmodel/comparisonviewmodel.h"
#include "viewmodel/filereload.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>

using namespace varnel;

namespace {

constexpr int kPatience = 20000;

class FileReloadTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Preferences().setString(Preferences::kReloadAutomatically, QStringLiteral("true"));
        write("left.txt", lines(1, 40));
        write("right.py", lines(1, 40));
        m_model = std::make_unique<ComparisonViewModel>(ComparisonViewModel::Comparator(
            [runs = m_runs](const FileItem& left, const FileItem& right, const CancelCheck& cancel) {
                ++*runs;
                return Comparison::perform(left, right, cancel);
            }));
        m_model->loadFile(QUrl::fromLocalFile(path("left.txt")), FileSide::left);
        m_model->loadFile(QUrl::fromLocalFile(path("right.py")), FileSide::right);
        waitIdle();
        *m_runs = 0;
    }

    QString path(const QString& name) const { return m_dir.filePath(name); }

    // Lines "line N" from `first` to `last`.
    static QByteArray lines(int first, int last, const QByteArray& edit = {}, int at = -1)
    {
        QByteArray text;
        for (int n = first; n <= last; ++n)
            text += n == at ? edit + '\n' : "line " + QByteArray::number(n) + '\n';
        return text;
    }

    void write(const QString& name, const QByteArray& data)
    {
        QFile out(path(name));
        ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write(data);
    }

    // A new file renamed over the old one, as editors and code generators save.
    void replace(const QString& name, const QByteArray& data)
    {
        QSaveFile out(path(name));
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(data);
        ASSERT_TRUE(out.commit());
    }

    void waitIdle()
    {
        ASSERT_TRUE(QTest::qWaitFor([&] { return !m_model->isComparing(); }, kPatience));
    }

    // Waits until the result shows `count` changed rows (a modified pair is two).
    bool waitForChanges(qint64 count)
    {
        return QTest::qWaitFor(
            [&] {
                const std::optional<DiffResult>& full = m_model->fullDiffResult();
                return !m_model->isComparing() && full &&
                       full->addedCount() + full->removedCount() + 2 * full->modifiedCount() == count;
            },
            kPatience);
    }

    // The text of line `number` of the right file, as the last result shows it.
    QString rightLine(qint64 number) const
    {
        if (const std::optional<DiffResult>& full = m_model->fullDiffResult()) {
            for (const DiffLine& line : full->lines()) {
                if (line.rightLineNumber() == number)
                    return line.rightContent().toString();
            }
        }
        return {};
    }

    FileReload& reload() { return m_model->reload(); }

    QTemporaryDir m_dir;
    std::shared_ptr<std::atomic<int>> m_runs = std::make_shared<std::atomic<int>>(0);
    std::unique_ptr<ComparisonViewModel> m_model;
};

} // namespace

TEST_F(FileReloadTest, EveryWayOfWritingAFileComparesItAgain)
{
    // Renamed over: the watch must follow the path, not the inode it started on.
    replace("right.py", lines(1, 40, "edited", 10));
    ASSERT_TRUE(waitForChanges(2));
    EXPECT_EQ(reload().notice(), "right.py changed on disk and was compared again.");
    EXPECT_FALSE(reload().replaceableSide());

    // Renamed over a second time: the first rename must not have ended the watch.
    replace("right.py", lines(1, 40, "again", 10));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !m_model->isComparing() && rightLine(10) == "again"; }, kPatience));

    // In place.
    write("right.py", lines(1, 40));
    ASSERT_TRUE(waitForChanges(0));

    // Truncated to nothing.
    write("left.txt", {});
    ASSERT_TRUE(waitForChanges(40));
    EXPECT_EQ(m_model->comparisonError(), std::nullopt);

    // Both at once.
    reload().dismissNotice();
    write("left.txt", lines(1, 3));
    write("right.py", lines(1, 4));
    ASSERT_TRUE(waitForChanges(1));
    EXPECT_TRUE(QTest::qWaitFor([&] { return reload().notice().startsWith("Both files changed on disk"); }, kPatience))
        << reload().notice().toStdString();
}

TEST_F(FileReloadTest, AFileGoneKeepsTheResultUntilItComesBack)
{
    replace("right.py", lines(1, 40, "edited", 5));
    ASSERT_TRUE(waitForChanges(2));
    const int runs = *m_runs;

    ASSERT_TRUE(QFile::remove(path("right.py")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !reload().notice().isEmpty() && reload().replaceableSide(); }, kPatience));
    EXPECT_EQ(reload().notice(), "right.py was deleted; the last comparison stays on screen.");
    EXPECT_EQ(reload().replaceableSide(), FileSide::right);
    ASSERT_TRUE(m_model->fullDiffResult());
    EXPECT_EQ(m_model->fullDiffResult()->modifiedCount(), 1);
    EXPECT_EQ(*m_runs, runs); // nothing to compare with

    // Made a folder, then a file again.
    ASSERT_TRUE(QDir(m_dir.path()).mkdir("right.py"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return reload().notice().contains("replaced by a folder"); }, kPatience))
        << reload().notice().toStdString();
    EXPECT_TRUE(m_model->fullDiffResult());
    EXPECT_EQ(*m_runs, runs);
    ASSERT_TRUE(QDir(m_dir.path()).rmdir("right.py"));
    write("right.py", lines(1, 40));
    ASSERT_TRUE(waitForChanges(0));
    EXPECT_EQ(reload().notice(), "right.py changed on disk and was compared again.");

    // Dismissed, the notice goes; other files chosen, it goes too.
    reload().dismissNotice();
    EXPECT_TRUE(reload().notice().isEmpty());
}

TEST_F(FileReloadTest, AStormOfWritesIsComparedAFewTimesAndTheLastWins)
{
    QElapsedTimer clock;
    clock.start();
    for (int i = 1; i <= 100; ++i) {
        (i % 2 ? write("right.py", lines(1, 40, "write " + QByteArray::number(i), 20))
               : replace("right.py", lines(1, 40, "write " + QByteArray::number(i), 20)));
        QTest::qWait(10);
    }
    const qint64 spent = clock.elapsed();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !m_model->isComparing() && rightLine(20) == "write 100"; }, kPatience))
        << rightLine(20).toStdString();
    QTest::qWait(2 * FileReload::kMinimumIntervalMs);
    EXPECT_EQ(rightLine(20), "write 100");
    // Two a second while the writes went on, and the one after them; a slow machine
    // stretches the writes, not the rule.
    EXPECT_LE(*m_runs, int(spent / FileReload::kMinimumIntervalMs) + 3) << "spent " << spent << " ms";
    EXPECT_GE(*m_runs, 1);
}

TEST_F(FileReloadTest, ActivationSeesWhatTheNoticesMissed)
{
    reload().watch().setNoticesFollowed(false);
    replace("right.py", lines(1, 40, "edited", 10));
    QTest::qWait(300);
    EXPECT_EQ(*m_runs, 0);
    reload().windowActivated();
    ASSERT_TRUE(waitForChanges(2));
    EXPECT_EQ(*m_runs, 1);

    // Nothing changed since: activating again compares nothing.
    reload().windowActivated();
    QTest::qWait(300);
    EXPECT_EQ(*m_runs, 1);

    QFile::remove(path("left.txt"));
    reload().windowActivated();
    EXPECT_EQ(reload().notice(), "left.txt was deleted; the last comparison stays on screen.");
    EXPECT_EQ(reload().replaceableSide(), FileSide::left);
}

TEST_F(FileReloadTest, TheFocusStaysNearAndTheRecentsDoNotMove)
{
    int recorded = 0;
    m_model->onComparisonSucceeded = [&](const QUrl&, const QUrl&) { ++recorded; };
    replace("right.py", lines(1, 40, "first", 10));
    ASSERT_TRUE(waitForChanges(2));
    replace("right.py", QByteArray(lines(1, 40, "first", 10)).replace("line 30\n", "thirty\n"));
    ASSERT_TRUE(waitForChanges(4));
    m_model->moveToNextChange();
    m_model->moveToNextChange();
    m_model->moveToNextChange(); // the change at line 30
    ASSERT_EQ(m_model->focusedChangeIndex(), 2);

    // Lines put in at the top move line 30 down; the focus follows by line number.
    replace("right.py", "new\n" + QByteArray(lines(1, 40, "first", 10)).replace("line 30\n", "thirty!\n"));
    ASSERT_TRUE(waitForChanges(5));
    const std::optional<qint64> row = m_model->focusedChangeRow();
    ASSERT_TRUE(row);
    const DiffLine line = m_model->activeDiffResult()->lines()[*row];
    EXPECT_EQ(line.leftLineNumber(), 30);
    EXPECT_EQ(recorded, 0); // the same pair: nothing recorded again

    // The result stayed in view while the comparison ran: never cleared.
    int emptied = 0;
    QObject::connect(m_model.get(), &ComparisonViewModel::diffResultChanged,
                     [&] { emptied += !m_model->diffResult(); });
    reload().compareAgain(); // F5: by hand, whatever the watch saw
    waitIdle();
    EXPECT_EQ(emptied, 0);
    EXPECT_EQ(recorded, 0);
    EXPECT_TRUE(reload().notice().isEmpty());
}

TEST_F(FileReloadTest, OffItOnlySaysAndF5Compares)
{
    reload().setAutomatic(false);
    EXPECT_FALSE(reload().isAutomatic());
    EXPECT_EQ(Preferences().string(Preferences::kReloadAutomatically, {}), "false");
    replace("right.py", lines(1, 40, "edited", 10));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !reload().notice().isEmpty(); }, kPatience));
    EXPECT_EQ(reload().notice(), "right.py changed on disk \u2014 press F5 to compare again.");
    QTest::qWait(2 * FileReload::kMinimumIntervalMs);
    EXPECT_EQ(*m_runs, 0);

    reload().compareAgain();
    ASSERT_TRUE(waitForChanges(2));
    EXPECT_TRUE(reload().notice().isEmpty());

    // Another window turns it back on: this one follows.
    Preferences().setString(Preferences::kReloadAutomatically, QStringLiteral("true"));
    EXPECT_TRUE(reload().isAutomatic());
}

TEST_F(FileReloadTest, AFileThatCannotBeReadAgainSaysWhyAndComesBack)
{
    // A file known by its content, binary now: refused as a file chosen so would be,
    // naming it.
    write("notes", lines(1, 40));
    m_model->loadFile(QUrl::fromLocalFile(path("notes")), FileSide::right);
    waitIdle();
    ASSERT_TRUE(m_model->diffResult());
    replace("notes", QByteArray(4096, '\0'));
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_model->comparisonError().has_value(); }, kPatience));
    EXPECT_TRUE(m_model->comparisonError()->contains("notes")) << m_model->comparisonError()->toStdString();
    EXPECT_FALSE(m_model->diffResult());
    EXPECT_TRUE(reload().notice().isEmpty());

    // Text again: compared, and the error goes.
    replace("notes", lines(1, 40, "fixed", 3));
    ASSERT_TRUE(waitForChanges(2));
    EXPECT_EQ(m_model->comparisonError(), std::nullopt);
}

TEST_F(FileReloadTest, OnlyFilesOnDiskAreWatched)
{
    EXPECT_EQ(pathOnDisk(FileItem{QUrl::fromLocalFile("/tmp/a.txt"), "a.txt", DiffMode::text()}), "/tmp/a.txt");
    EXPECT_EQ(pathOnDisk(FileItem{QUrl("clipboard:left"), "Clipboard", DiffMode::text()}), std::nullopt);
    EXPECT_EQ(pathOnDisk(std::nullopt), std::nullopt);

    // Other files chosen: the old ones are no longer watched, and the notice goes.
    replace("right.py", lines(1, 40, "edited", 10));
    ASSERT_TRUE(waitForChanges(2));
    write("other.txt", lines(1, 40));
    m_model->loadFile(QUrl::fromLocalFile(path("other.txt")), FileSide::right);
    waitIdle();
    EXPECT_TRUE(reload().notice().isEmpty());
    const int runs = *m_runs;
    replace("right.py", lines(1, 2));
    QTest::qWait(2 * FileReload::kMinimumIntervalMs);
    EXPECT_EQ(*m_runs, runs);
}
