// SPDX-License-Identifier: GPL-3.0-or-later

#include "viewmodel/comparisonviewmodel.h"

#include <QFile>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>

using namespace varnel;

namespace {

class ViewModelTest : public ::testing::Test {
protected:
    QUrl file(const QString& name, const QByteArray& data)
    {
        QFile out(m_dir.filePath(name));
        EXPECT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(data);
        return QUrl::fromLocalFile(out.fileName());
    }

    static void waitIdle(const ComparisonViewModel& model)
    {
        ASSERT_TRUE(QTest::qWaitFor([&] { return !model.isComparing(); }, 20000));
    }

    QTemporaryDir m_dir;
};

// A comparator that waits at a gate, so tests decide when a comparison finishes.
struct Gate {
    QSemaphore open;
    std::atomic<int> started{0};
    std::atomic<int> sawCancel{0};

    ComparisonViewModel::Comparator comparator()
    {
        return [this](const FileItem& left, const FileItem& right, const CancelCheck& cancel) {
            ++started;
            open.acquire();
            if (cancel())
                ++sawCancel;
            return Comparison::perform(left, right);
        };
    }
};

} // namespace

TEST_F(ViewModelTest, OneFileIsShownAndNothingRuns)
{
    ComparisonViewModel model;
    QSignalSpy leftSpy(&model, &ComparisonViewModel::leftFileChanged);
    QSignalSpy resultSpy(&model, &ComparisonViewModel::diffResultChanged);
    model.loadFile(file("a.txt", "x\n"), FileSide::left);
    ASSERT_TRUE(model.leftFile());
    EXPECT_EQ(model.leftFile()->name, "a.txt");
    EXPECT_EQ(model.leftFile()->mode, DiffMode::text());
    EXPECT_FALSE(model.bothFilesLoaded());
    EXPECT_FALSE(model.isComparing());
    EXPECT_FALSE(model.diffResult());
    EXPECT_EQ(leftSpy.count(), 1);
    EXPECT_EQ(resultSpy.count(), 1); // cleared, which notifies too
}

TEST_F(ViewModelTest, FilesOfDifferentKindsGiveTheDocumentedError)
{
    ComparisonViewModel model;
    model.loadFile(file("report.pdf", "%PDF"), FileSide::left);
    model.loadFile(file("notes.txt", "x"), FileSide::right);
    EXPECT_TRUE(model.isComparing());
    waitIdle(model);
    EXPECT_EQ(model.comparisonError(),
              "Cannot compare a PDF file with a text file. Please drop two files of the same type.");
    EXPECT_FALSE(model.diffResult());
    EXPECT_FALSE(model.fullDiffResult());

    // A reader's error passes through, and loading again clears it.
    model.loadFile(QUrl::fromLocalFile(m_dir.filePath("missing.txt")), FileSide::left);
    EXPECT_FALSE(model.comparisonError());
    waitIdle(model);
    EXPECT_EQ(model.comparisonError(), "The file \"missing.txt\" could not be read: No such file or directory.");
}

TEST_F(ViewModelTest, IdenticalFilesHaveNothingToNavigate)
{
    ComparisonViewModel model;
    const QUrl same = file("same.txt", "a\nb\n");
    model.loadFile(same, FileSide::left);
    model.loadFile(same, FileSide::right);
    waitIdle(model);
    ASSERT_TRUE(model.diffResult());
    EXPECT_FALSE(model.diffResult()->hasChanges());
    EXPECT_TRUE(model.changeLineRows().isEmpty());
    model.moveToNextChange();
    model.moveToPreviousChange();
    EXPECT_FALSE(model.focusedChangeIndex());
    EXPECT_FALSE(model.focusedChangeRow());
}

TEST_F(ViewModelTest, NavigationWrapsAroundAndFollowsTheContextSwitch)
{
    ComparisonViewModel model;
    model.loadFile(file("l.txt", "a\nb\nc\n"), FileSide::left);
    model.loadFile(file("r.txt", "a\nx\nc\nd\n"), FileSide::right);
    waitIdle(model);
    ASSERT_EQ(model.changeLineRows().size(), 3); // -b, +x, +d

    model.moveToNextChange();
    EXPECT_EQ(model.focusedChangeIndex(), 0);
    model.moveToNextChange();
    EXPECT_EQ(model.focusedChangeIndex(), 1);
    model.moveToPreviousChange();
    model.moveToPreviousChange();
    EXPECT_EQ(model.focusedChangeIndex(), 2); // from the first, back to the last
    model.moveToNextChange();
    EXPECT_EQ(model.focusedChangeIndex(), 0); // from the last, on to the first
    EXPECT_EQ(model.focusedChangeRow(), model.changeLineRows()[0]);

    // Each change is named by its row of the active result, known without a search.
    const auto rowsAreChanges = [&model] {
        const DiffRows& lines = model.activeDiffResult()->lines();
        return std::all_of(model.changeLineRows().begin(), model.changeLineRows().end(), [&lines](qint64 row) {
            return lines[row].type() == DiffLineType::added || lines[row].type() == DiffLineType::removed;
        });
    };
    EXPECT_TRUE(rowsAreChanges());
    EXPECT_EQ(model.focusedChangeRow(), 1); // a, -b, +x, c, +d

    model.setShowAllContext(true);
    EXPECT_EQ(&*model.activeDiffResult(), &*model.fullDiffResult());
    EXPECT_EQ(model.changeLineRows().size(), 3);
    EXPECT_TRUE(rowsAreChanges());
    model.moveToNextChange();
    model.moveToNextChange();
    EXPECT_EQ(model.focusedChangeRow(), 4);

    ComparisonViewModel fresh;
    fresh.loadFile(file("l2.txt", "a\n"), FileSide::left);
    fresh.loadFile(file("r2.txt", "b\nc\n"), FileSide::right);
    waitIdle(fresh);
    fresh.moveToPreviousChange();
    EXPECT_EQ(fresh.focusedChangeIndex(), fresh.changeLineRows().size() - 1);
}

TEST_F(ViewModelTest, SwappingWithAResultComparesAgainTheOtherWayRound)
{
    ComparisonViewModel model;
    model.loadFile(file("old.txt", "a\n"), FileSide::left);
    model.loadFile(file("new.txt", "a\nb\n"), FileSide::right);
    waitIdle(model);
    model.moveToNextChange();
    model.setShowAllContext(true);

    model.swapFiles();
    EXPECT_FALSE(model.diffResult());
    EXPECT_FALSE(model.focusedChangeIndex());
    EXPECT_FALSE(model.showAllContext());
    EXPECT_TRUE(model.isComparing());
    EXPECT_EQ(model.leftFile()->name, "new.txt");
    waitIdle(model);
    ASSERT_TRUE(model.diffResult());
    EXPECT_EQ(model.diffResult()->removedCount(), 1);
    EXPECT_EQ(model.diffResult()->addedCount(), 0);
}

// The options reach the line interner: "é" precomposed and decomposed are one line only
// under canonical equivalence.
TEST_F(ViewModelTest, NewCompareOptionsCompareAgainWithThem)
{
    ComparisonViewModel model;
    model.loadFile(file("a.txt", "caf\xC3\xA9\n"), FileSide::left);
    model.loadFile(file("b.txt", "cafe\xCC\x81\n"), FileSide::right);
    waitIdle(model);
    ASSERT_TRUE(model.diffResult());
    EXPECT_FALSE(model.diffResult()->hasChanges());

    model.setCompareOptions(model.compareOptions()); // the same options: nothing to do
    EXPECT_FALSE(model.isComparing());
    model.setShowAllContext(true);
    model.setCompareOptions(CompareOptions{.canonicalEquivalence = false});
    EXPECT_TRUE(model.isComparing());
    EXPECT_TRUE(model.showAllContext());
    waitIdle(model);
    ASSERT_TRUE(model.diffResult());
    EXPECT_TRUE(model.diffResult()->hasChanges());
}

TEST_F(ViewModelTest, TheLeftTextFileNamesTheLanguage)
{
    ComparisonViewModel model;
    EXPECT_FALSE(model.language());
    model.loadFile(QUrl::fromLocalFile("/x/Info.PLIST"), FileSide::left);
    EXPECT_EQ(model.language(), Language::xml);
    model.loadFile(QUrl::fromLocalFile("/x/b.py"), FileSide::right); // the right file has no say
    EXPECT_EQ(model.language(), Language::xml);
    model.swapFiles();
    EXPECT_EQ(model.language(), Language::python);
    for (const char* name : {"/x/a.yaml", "/x/a.pdf", "/x/a.json.docx", "/x/json"}) {
        model.loadFile(QUrl::fromLocalFile(name), FileSide::left);
        EXPECT_FALSE(model.language()) << name;
    }
}

TEST_F(ViewModelTest, ResetDuringAComparisonLeavesNothingBehind)
{
    Gate gate;
    ComparisonViewModel model(gate.comparator());
    model.loadFile(file("l.txt", "a\n"), FileSide::left);
    model.loadFile(file("r.txt", "b\n"), FileSide::right);
    ASSERT_TRUE(QTest::qWaitFor([&] { return gate.started == 1; }));
    model.resetFiles();
    EXPECT_FALSE(model.leftFile());
    EXPECT_FALSE(model.rightFile());
    EXPECT_FALSE(model.isComparing());

    QSignalSpy resultSpy(&model, &ComparisonViewModel::diffResultChanged);
    QSignalSpy errorSpy(&model, &ComparisonViewModel::comparisonErrorChanged);
    QSignalSpy comparingSpy(&model, &ComparisonViewModel::isComparingChanged);
    gate.open.release();
    QTest::qWait(200);
    EXPECT_EQ(resultSpy.count(), 0);
    EXPECT_EQ(errorSpy.count(), 0);
    EXPECT_EQ(comparingSpy.count(), 0);
    EXPECT_FALSE(model.diffResult());
    EXPECT_EQ(gate.sawCancel, 1); // the worker was told to stop
}

TEST_F(ViewModelTest, SuccessCallbackRunsOnceAfterPublishingAndBeforeComparingClears)
{
    ComparisonViewModel model;
    int calls = 0;
    bool resultsWerePublished = false;
    bool stillComparing = false;
    QUrl left, right;
    model.onComparisonSucceeded = [&](const QUrl& l, const QUrl& r) {
        ++calls;
        resultsWerePublished = model.diffResult() && model.fullDiffResult();
        stillComparing = model.isComparing();
        left = l;
        right = r;
    };
    // The signal carries the same news at the same moment, after the callback.
    QList<QUrl> signalled;
    QObject::connect(&model, &ComparisonViewModel::comparisonSucceeded, [&](const QUrl& l, const QUrl& r) {
        EXPECT_EQ(calls, 1);
        EXPECT_TRUE(model.isComparing());
        signalled << l << r;
    });
    const QUrl a = file("a.txt", "1\n");
    const QUrl b = file("b.txt", "2\n");
    model.loadFile(a, FileSide::left);
    model.loadFile(b, FileSide::right);
    waitIdle(model);
    QTest::qWait(50);
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(resultsWerePublished);
    EXPECT_TRUE(stillComparing);
    EXPECT_EQ(left, a);
    EXPECT_EQ(right, b);
    EXPECT_EQ(signalled, (QList<QUrl>{a, b}));
}

TEST_F(ViewModelTest, OnlyTheLastOfAStormOfLoadsPublishes)
{
    ComparisonViewModel model;
    int published = 0;
    model.onComparisonSucceeded = [&](const QUrl&, const QUrl&) { ++published; };
    int resultsSeen = 0;
    QObject::connect(&model, &ComparisonViewModel::diffResultChanged,
                     [&] { resultsSeen += model.diffResult() ? 1 : 0; });

    QByteArray big;
    for (int i = 0; i < 20000; ++i)
        big += "line " + QByteArray::number(i % 700) + '\n';
    model.loadFile(file("left.txt", big), FileSide::left);
    std::vector<QUrl> rights;
    rights.reserve(4);
    for (int i = 0; i < 4; ++i)
        rights.push_back(file(QStringLiteral("right%1.txt").arg(i), big + QByteArray::number(i) + '\n'));
    for (int i = 0; i < 200; ++i)
        model.loadFile(rights[size_t(i % 4)], FileSide::right);
    waitIdle(model);
    QTest::qWait(300); // superseded jobs finish and must stay silent
    EXPECT_EQ(published, 1);
    EXPECT_EQ(resultsSeen, 1);
    ASSERT_TRUE(model.fullDiffResult());
    EXPECT_EQ(model.fullDiffResult()->lines().back().contentString(), "3"); // 200th load: right3
}

TEST_F(ViewModelTest, EveryAssignmentNotifies)
{
    ComparisonViewModel model;
    QSignalSpy fontSpy(&model, &ComparisonViewModel::diffFontSizeChanged);
    QSignalSpy contextSpy(&model, &ComparisonViewModel::showAllContextChanged);
    EXPECT_EQ(model.diffFontSize(), 13);
    model.setDiffFontSize(13);
    model.setDiffFontSize(14);
    model.setShowAllContext(false);
    EXPECT_EQ(fontSpy.count(), 2);
    EXPECT_EQ(contextSpy.count(), 1);

    // The text-size commands stay within 10 to 24; reset gives 13 from anywhere.
    for (int i = 0; i < 20; ++i)
        model.increaseFontSize();
    EXPECT_EQ(model.diffFontSize(), 24);
    for (int i = 0; i < 20; ++i)
        model.decreaseFontSize();
    EXPECT_EQ(model.diffFontSize(), 10);
    model.resetFontSize();
    EXPECT_EQ(model.diffFontSize(), 13);
    EXPECT_FALSE(model.activeDiffResult());
    EXPECT_TRUE(model.changeLineRows().isEmpty());
}

TEST_F(ViewModelTest, ProgressIsPublishedWhileAComparisonRunsAndClearedWhenItEnds)
{
    // Shared with the workers, which may outlive the test's last line.
    auto finish = std::make_shared<QSemaphore>();
    ComparisonViewModel model(ComparisonViewModel::ProgressComparator(
        [finish](const FileItem& left, const FileItem& right, const CancelCheck&, const ProgressReport& progress) {
            progress(0.25);
            progress(0.4);
            finish->acquire();
            return Comparison::perform(left, right);
        }));
    QSignalSpy spy(&model, &ComparisonViewModel::progressChanged);
    EXPECT_FALSE(model.progress());
    model.loadFile(file("a.txt", "a\n"), FileSide::left);
    model.loadFile(file("b.txt", "b\n"), FileSide::right);
    ASSERT_TRUE(model.isComparing());
    ASSERT_TRUE(QTest::qWaitFor([&] { return model.progress() == 0.4; }, 5000));
    const qsizetype notified = spy.count();
    QTest::qWait(3 * ComparisonViewModel::kProgressPollMs);
    EXPECT_EQ(spy.count(), notified) << "an unchanged fraction notifies nobody";

    finish->release();
    waitIdle(model);
    EXPECT_TRUE(model.diffResult());
    EXPECT_FALSE(model.progress());

    // A reset in the middle of the next one clears it at once.
    model.swapFiles();
    ASSERT_TRUE(QTest::qWaitFor([&] { return model.progress() == 0.4; }, 5000));
    model.resetFiles();
    EXPECT_FALSE(model.progress());
    finish->release();
}
