// SPDX-License-Identifier: GPL-3.0-or-later

#include "viewmodel/comparisonviewmodel.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <gtest/gtest.h>

using namespace varnel;

namespace {

const QByteArray kBlock = "def moved(value):\n    doubled = value * 2\n    return doubled + 1\n";
const QByteArray kRest = "first = 1\nsecond = 2\nthird = 3\nfourth = 4\n";

class MoveDetectionTest : public ::testing::Test {
protected:
    void SetUp() override { MoveDetection().setEnabled(true); }
    void TearDown() override { MoveDetection().setEnabled(true); }

    void load(ComparisonViewModel& model, const QByteArray& left, const QByteArray& right)
    {
        model.loadFile(file("left.py", left), FileSide::left);
        model.loadFile(file("right.py", right), FileSide::right);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !model.isComparing(); }, 20000));
    }

    QUrl file(const QString& name, const QByteArray& data)
    {
        QFile out(m_dir.filePath(name));
        EXPECT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(data);
        return QUrl::fromLocalFile(out.fileName());
    }

    QTemporaryDir m_dir;
};

} // namespace

// The comparison's worker finds the moves, and they are there when the result arrives;
// a result without moves, or a new comparison, shows none.
TEST_F(MoveDetectionTest, MovesArriveWithTheResult)
{
    QThread* main = QThread::currentThread();
    std::atomic<QThread*> comparedOn = nullptr;
    ComparisonViewModel model([&](const FileItem& left, const FileItem& right, const CancelCheck& cancel) {
        comparedOn = QThread::currentThread();
        return Comparison::perform(left, right, cancel);
    });
    qsizetype movesAtResult = -1;
    QObject::connect(&model, &ComparisonViewModel::diffResultChanged, [&] {
        if (model.diffResult())
            movesAtResult = model.movedBlocks().size();
    });
    load(model, kBlock + kRest, kRest + kBlock);
    EXPECT_NE(comparedOn.load(), main);
    EXPECT_EQ(movesAtResult, 1);
    EXPECT_FALSE(model.moveDetection().isFinding());
    EXPECT_EQ(model.movedBlocks().blocks()[0], (MovedBlock{1, 5, 3}));

    load(model, kBlock + kRest, kBlock + kRest + "fifth = 5\n");
    EXPECT_TRUE(model.movedBlocks().isEmpty());
    EXPECT_EQ(movesAtResult, 0);
    model.resetFiles();
    EXPECT_TRUE(model.movedBlocks().isEmpty());
}

// Off hides the moves at once in every window and is remembered; on again shows them
// without searching again. A result compared while it was off has none, and turning it
// on finds them on a worker thread; a newer result drops a search still running.
TEST_F(MoveDetectionTest, TheToggleHidesAndFinds)
{
    ComparisonViewModel model;
    ComparisonViewModel other;
    load(model, kBlock + kRest, kRest + kBlock);
    ASSERT_EQ(model.movedBlocks().size(), 1);

    QSignalSpy changed(&model.moveDetection(), &MoveDetection::movesChanged);
    QSignalSpy otherFollows(&other.moveDetection(), &MoveDetection::enabledChanged);
    model.moveDetection().setEnabled(false);
    EXPECT_TRUE(model.movedBlocks().isEmpty());
    EXPECT_EQ(changed.count(), 1);
    EXPECT_FALSE(other.moveDetection().isEnabled());
    EXPECT_EQ(otherFollows.count(), 1);
    EXPECT_FALSE(MoveDetection().isEnabled()); // the next window starts with it off
    model.moveDetection().setEnabled(true);
    EXPECT_EQ(model.movedBlocks().size(), 1);
    EXPECT_FALSE(model.moveDetection().isFinding());

    model.moveDetection().setEnabled(false);
    load(model, kRest + kBlock, kBlock + kRest);
    EXPECT_TRUE(model.movedBlocks().isEmpty());
    changed.clear();
    model.moveDetection().setEnabled(true);
    EXPECT_TRUE(model.moveDetection().isFinding());
    EXPECT_TRUE(model.movedBlocks().isEmpty()); // not on this thread
    ASSERT_TRUE(changed.wait(10000));
    EXPECT_EQ(model.movedBlocks().blocks()[0], (MovedBlock{5, 1, 3}));

    // A search superseded by a new result publishes nothing.
    model.moveDetection().setEnabled(false);
    load(model, kBlock + kRest, kRest + kBlock);
    model.moveDetection().setEnabled(true);
    ASSERT_TRUE(model.moveDetection().isFinding());
    load(model, kBlock + kRest, kBlock + kRest + "fifth = 5\n");
    QTest::qWait(50);
    EXPECT_TRUE(model.movedBlocks().isEmpty());
    EXPECT_FALSE(model.moveDetection().isFinding());
}

// The other end of a move, from either end and from any of its rows; nothing from a row
// that was not moved, or with detection off.
TEST_F(MoveDetectionTest, TheFocusJumpsToTheOtherEnd)
{
    ComparisonViewModel model;
    load(model, kBlock + kRest + "gone = 0\n", kRest + kBlock);
    model.setShowAllContext(true);
    const DiffRows& rows = model.activeDiffResult()->lines();
    const auto focusedLine = [&] { return rows[*model.focusedChangeRow()]; };
    EXPECT_FALSE(model.moveToOtherEnd()); // no focus yet
    model.moveToNextChange();
    ASSERT_EQ(focusedLine().leftLineNumber(), 1);
    ASSERT_TRUE(model.moveToOtherEnd());
    EXPECT_EQ(focusedLine().type(), DiffLineType::added);
    EXPECT_EQ(focusedLine().rightLineNumber(), 5);
    ASSERT_TRUE(model.moveToOtherEnd());
    EXPECT_EQ(focusedLine().leftLineNumber(), 1);
    // From the block's last removed row to its last added one.
    qint64 third = 0;
    while (rows[third].leftLineNumber() != 3 || rows[third].type() != DiffLineType::removed)
        ++third;
    ASSERT_TRUE(model.moveToOtherEnd(third));
    EXPECT_EQ(focusedLine().rightLineNumber(), 7);
    qint64 gone = 0;
    while (rows[gone].content() != QUtf8StringView("gone = 0"))
        ++gone;
    EXPECT_FALSE(model.moveToOtherEnd(gone));
    model.moveDetection().setEnabled(false);
    EXPECT_FALSE(model.moveToOtherEnd());
}
