// SPDX-License-Identifier: GPL-3.0-or-later

// Files that change under an open comparison: real files in a temporary folder, the real
// comparison, and the event loop to deliver the system's notices.

#include "viewmodel/comparisonviewmodel.h"
#include "viewmodel/filereload.h"
#include "viewmodel/reportrequest.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>

using namespace varnel;

namespace {

constexpr int kPatience = 20000;

// Lines "line 1" to "line 40", line `at` replaced by `edit`.
QByteArray lines(const QByteArray& edit = {}, int at = 10)
{
    QByteArray text;
    for (int n = 1; n <= 40; ++n)
        text += n == at && !edit.isEmpty() ? edit + '\n' : "line " + QByteArray::number(n) + '\n';
    return text;
}

// Held, each comparison waits for a pass before it starts.
struct Gate {
    std::atomic<bool> held{false};
    QSemaphore passes;
};

class FileReloadTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Preferences().setString(Preferences::kReloadAutomatically, QStringLiteral("true"));
        write("left.txt", lines());
        write("right.py", lines());
        m_model = std::make_unique<ComparisonViewModel>(ComparisonViewModel::Comparator(
            [runs = m_runs, gate = m_gate](const FileItem& left, const FileItem& right, const CancelCheck& cancel) {
                ++*runs;
                if (gate->held)
                    gate->passes.acquire();
                return Comparison::perform(left, right, cancel);
            }));
        m_model->loadFile(QUrl::fromLocalFile(path("left.txt")), FileSide::left);
        m_model->loadFile(QUrl::fromLocalFile(path("right.py")), FileSide::right);
        EXPECT_TRUE(waitFor([&] { return !m_model->isComparing(); }));
        *m_runs = 0;
    }
    void TearDown() override
    {
        m_gate->held = false;
        m_gate->passes.release(100);
    }

    QString path(const QString& name) const { return m_dir.filePath(name); }
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
    static bool waitFor(const std::function<bool()>& done) { return QTest::qWaitFor(done, kPatience); }
    // Waits for a result whose right file's line `number` reads `text`.
    bool waitForLine(qint64 number, const QString& text)
    {
        return waitFor([&] {
            const std::optional<DiffResult>& full = m_model->fullDiffResult();
            if (m_model->isComparing() || !full)
                return false;
            for (const DiffLine& line : full->lines()) {
                if (line.rightLineNumber() == number)
                    return line.rightContent().toString() == text;
            }
            return text.isEmpty();
        });
    }
    FileReload& reload() { return m_model->reload(); }

    QTemporaryDir m_dir;
    std::shared_ptr<std::atomic<int>> m_runs = std::make_shared<std::atomic<int>>(0);
    std::shared_ptr<Gate> m_gate = std::make_shared<Gate>();
    std::unique_ptr<ComparisonViewModel> m_model;
};

} // namespace

TEST_F(FileReloadTest, EveryWayOfWritingAFileComparesItAgain)
{
    // Renamed over, twice: the watch follows the path, not the inode it started on.
    replace("right.py", lines("edited"));
    ASSERT_TRUE(waitForLine(10, "edited"));
    EXPECT_EQ(reload().notice(), "right.py changed on disk and was compared again.");
    EXPECT_FALSE(reload().replaceableSide());
    replace("right.py", lines("again"));
    ASSERT_TRUE(waitForLine(10, "again"));
    write("right.py", lines("in place")); // written in place
    ASSERT_TRUE(waitForLine(10, "in place"));
    write("right.py", {}); // truncated
    ASSERT_TRUE(waitForLine(1, {}));
    EXPECT_EQ(m_model->fullDiffResult()->removedCount(), 40);
    write("left.txt", {});
    ASSERT_TRUE(waitFor([&] { return reload().notice().startsWith("Both files changed on disk and were"); }));
}

TEST_F(FileReloadTest, AFileGoneKeepsTheResultUntilItComesBack)
{
    replace("right.py", lines("edited"));
    ASSERT_TRUE(waitForLine(10, "edited"));
    const int runs = *m_runs;
    ASSERT_TRUE(QFile::remove(path("right.py")));
    ASSERT_TRUE(waitFor([&] { return reload().replaceableSide().has_value(); }));
    EXPECT_EQ(reload().notice(), "right.py was deleted; the last comparison stays on screen.");
    EXPECT_EQ(reload().replaceableSide(), FileSide::right);
    ASSERT_TRUE(QDir(m_dir.path()).mkdir("right.py"));
    ASSERT_TRUE(waitFor([&] { return reload().notice().contains("was replaced by a folder"); }));
    EXPECT_EQ(m_model->fullDiffResult()->modifiedCount(), 1); // the last result, kept
    EXPECT_EQ(*m_runs, runs);                                 // nothing to compare with

    ASSERT_TRUE(QDir(m_dir.path()).rmdir("right.py"));
    write("right.py", lines("back"));
    ASSERT_TRUE(waitForLine(10, "back"));
    EXPECT_EQ(reload().notice(), "right.py changed on disk and was compared again.");
}

TEST_F(FileReloadTest, AStormOfWritesIsComparedAFewTimesAndTheLastWins)
{
    // Seen one by one, each write a size of its own so that no two stamps are alike.
    reload().watch().setNoticesFollowed(false);
    reload().setMinimumInterval(60 * 60 * 1000);
    const auto rewrite = [this](int i) {
        const QByteArray text = lines(QByteArray(i, 'x'));
        i % 2 ? write("right.py", text) : replace("right.py", text);
        reload().windowActivated();
    };
    rewrite(1); // compared at once
    ASSERT_TRUE(waitForLine(10, QString(1, u'x')));
    for (int i = 2; i <= 50; ++i)
        rewrite(i); // these wait for the interval to pass
    EXPECT_FALSE(m_model->isComparing());
    EXPECT_EQ(*m_runs, 1);
    reload().setMinimumInterval(0);
    ASSERT_TRUE(waitForLine(10, QString(50, u'x')));
    EXPECT_EQ(*m_runs, 2);
}

TEST_F(FileReloadTest, WritesFasterThanTheComparisonStillShowResultsAndTheLastWins)
{
    reload().watch().setNoticesFollowed(false);
    reload().setMinimumInterval(0);
    QStringList published;
    QObject::connect(m_model.get(), &ComparisonViewModel::comparedAgain, [&] {
        for (const DiffLine& line : m_model->fullDiffResult()->lines()) {
            if (line.rightLineNumber() == 10)
                published << line.rightContent().toString();
        }
    });
    m_gate->held = true;
    replace("right.py", lines("first"));
    reload().windowActivated();
    ASSERT_TRUE(waitFor([&] { return *m_runs == 1; }));
    // The last result stays in view, but it is not the files' any more.
    EXPECT_EQ(reload().notice(), "right.py changed on disk; comparing again\u2026");
    EXPECT_TRUE(m_model->activeDiffResult());
    EXPECT_FALSE(reportRequest(*m_model));
    for (const QByteArray& edit : {QByteArray("second"), QByteArray("third")}) {
        replace("right.py", lines(edit));
        reload().windowActivated();
    }
    // The writes meanwhile did not stop the comparison: its result shows (whatever it
    // read), and then one more, of the last write.
    m_gate->passes.release();
    ASSERT_TRUE(waitFor([&] { return published.size() == 1; }));
    m_gate->passes.release();
    ASSERT_TRUE(waitFor([&] { return published.size() == 2 && !m_model->isComparing(); }));
    EXPECT_EQ(published.back(), "third");
    EXPECT_EQ(*m_runs, 2);
    EXPECT_EQ(reload().notice(), "right.py changed on disk and was compared again.");
    EXPECT_TRUE(reportRequest(*m_model));
}

TEST_F(FileReloadTest, AFileAgainstTextHeldInMemoryIsComparedAgain)
{
    m_model->loadText(FileItem::fromText(lines("held"), "Clipboard", "the clipboard").value(), FileSide::left);
    ASSERT_TRUE(waitForLine(10, "line 10"));
    replace("right.py", lines("edited"));
    ASSERT_TRUE(waitForLine(10, "edited"));
    EXPECT_EQ(reload().notice(), "right.py changed on disk and was compared again.");
}

TEST_F(FileReloadTest, AWriteWhileANoticeIsHandledIsNoticedToo)
{
    FileWatch watch;
    watch.setPaths(path("left.txt"), std::nullopt);
    int seen = 0;
    QObject::connect(&watch, &FileWatch::changed, [&] {
        if (++seen == 1)
            write("left.txt", lines("second"));
    });
    write("left.txt", lines("first"));
    EXPECT_TRUE(waitFor([&] { return seen == 2; }));
}

TEST_F(FileReloadTest, ActivationSeesWhatTheNoticesMissed)
{
    reload().watch().setNoticesFollowed(false);
    replace("right.py", lines("edited"));
    QCoreApplication::processEvents();
    EXPECT_EQ(*m_runs, 0);
    reload().windowActivated();
    ASSERT_TRUE(waitForLine(10, "edited"));
    reload().windowActivated(); // nothing changed since
    EXPECT_FALSE(m_model->isComparing());
    EXPECT_EQ(*m_runs, 1);
    QFile::remove(path("left.txt"));
    reload().windowActivated();
    EXPECT_EQ(reload().replaceableSide(), FileSide::left);
}

TEST_F(FileReloadTest, TheFocusStaysNearTheResultInViewAndTheRecentsUnmoved)
{
    int recorded = 0;
    m_model->onComparisonSucceeded = [&](const QUrl&, const QUrl&) { ++recorded; };
    replace("right.py", QByteArray(lines("first")).replace("line 30\n", "thirty\n"));
    ASSERT_TRUE(waitForLine(30, "thirty"));
    m_model->moveToPreviousChange(); // the change at line 30
    int emptied = 0;
    QObject::connect(m_model.get(), &ComparisonViewModel::diffResultChanged,
                     [&] { emptied += !m_model->diffResult(); });

    // A line put in at the top moves line 30 down; the focus follows it.
    replace("right.py", "new\n" + QByteArray(lines("first")).replace("line 30\n", "thirty!\n"));
    ASSERT_TRUE(waitForLine(31, "thirty!"));
    const std::optional<qint64> row = m_model->focusedChangeRow();
    ASSERT_TRUE(row);
    EXPECT_EQ(m_model->activeDiffResult()->lines()[*row].rightLineNumber(), 31);
    EXPECT_EQ(emptied, 0); // in view until the new result came
    EXPECT_EQ(recorded, 0);
}

TEST_F(FileReloadTest, OffItOnlySaysAndF5Compares)
{
    reload().setAutomatic(false);
    replace("right.py", lines("edited"));
    ASSERT_TRUE(waitFor([&] { return !reload().notice().isEmpty(); }));
    EXPECT_EQ(reload().notice(), "right.py changed on disk \u2014 press F5 to compare again.");
    EXPECT_FALSE(m_model->isComparing());
    EXPECT_EQ(*m_runs, 0);
    reload().compareAgain();
    ASSERT_TRUE(waitForLine(10, "edited"));
    EXPECT_TRUE(reload().notice().isEmpty());
    // Another window turns it back on: this one follows.
    Preferences().setString(Preferences::kReloadAutomatically, QStringLiteral("true"));
    EXPECT_TRUE(reload().isAutomatic());
}

TEST_F(FileReloadTest, AFileThatCannotBeReadAgainSaysWhyAndComesBack)
{
    // Known by its content, and binary now: refused as it would be if chosen so.
    write("notes", lines());
    m_model->loadFile(QUrl::fromLocalFile(path("notes")), FileSide::right);
    ASSERT_TRUE(waitForLine(10, "line 10"));
    replace("notes", QByteArray(4096, '\0'));
    ASSERT_TRUE(waitFor([&] { return m_model->comparisonError().has_value(); }));
    EXPECT_TRUE(m_model->comparisonError()->contains("notes")) << m_model->comparisonError()->toStdString();
    EXPECT_FALSE(m_model->diffResult());
    replace("notes", lines("fixed"));
    ASSERT_TRUE(waitForLine(10, "fixed"));
    EXPECT_EQ(pathOnDisk(FileItem{QUrl("clipboard:left"), "Clipboard", DiffMode::text()}), std::nullopt);
}
