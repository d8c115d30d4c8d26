// SPDX-License-Identifier: GPL-3.0-or-later

#include "core/diffengine.h"
#include "viewmodel/comparisonviewmodel.h"
#include "viewmodel/findmodel.h"

#include <QSignalSpy>
#include <QTest>
#include <QThreadPool>

#include <gtest/gtest.h>

using namespace varnel;

namespace {

// A view model whose comparisons are made from lines in memory.
class FindTest : public ::testing::Test {
protected:
    void compare(const QStringList& left, const QStringList& right)
    {
        m_left = left;
        m_right = right;
        m_model.loadFile(QUrl::fromLocalFile(QStringLiteral("/tmp/left.txt")), FileSide::left);
        m_model.loadFile(QUrl::fromLocalFile(QStringLiteral("/tmp/right.txt")), FileSide::right);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !m_model.isComparing(); }, 20000));
        ASSERT_TRUE(m_model.fullDiffResult());
        // A superseded comparison may still be reading m_left and m_right on a worker:
        // it must end before they change or go.
        QThreadPool::globalInstance()->waitForDone();
    }

    void waitForCount()
    {
        ASSERT_TRUE(QTest::qWaitFor([&] { return !m_find.isCounting(); }, 20000));
    }

    // The text of the current match, read from the active result.
    QString currentText() const
    {
        const std::optional<FindModel::Highlight> at = m_find.currentHighlight();
        if (!at)
            return {};
        return m_model.activeDiffResult()->lines()[at->row].contentString().mid(at->span.start, at->span.length);
    }

    QStringList m_left;
    QStringList m_right;
    ComparisonViewModel m_model{
        [this](const FileItem&, const FileItem&, const CancelCheck&) -> Expected<ComparisonOutcome> {
            const auto both = DiffEngine::computeBoth(TextLines::share(TextLines::fromStrings(m_left)),
                                                      TextLines::share(TextLines::fromStrings(m_right)));
            return ComparisonOutcome{both->collapsed, both->full};
        }};
    FindModel m_find{m_model};
};

// An unchanged row whose files hold it in different bytes: the left line's matches, then
// the right one's, each placed in its own line.
TEST_F(FindTest, EqualLinesInOtherBytesAreSearchedOnEachSide)
{
    compare({QStringLiteral("caf\u00E9 x")}, {QStringLiteral("cafe\u0301 x")});
    m_find.setQuery(QStringLiteral("x"));
    waitForCount();
    EXPECT_EQ(m_find.total(), 2);
    m_find.moveToNext();
    EXPECT_EQ(m_find.currentHighlight(), (FindModel::Highlight{0, {5, 1}, PageSide::left}));
    m_find.moveToNext();
    EXPECT_EQ(m_find.currentHighlight(), (FindModel::Highlight{0, {6, 1}, PageSide::right}));
}

TEST_F(FindTest, CountsBothSidesAndMovesWithWrapAround)
{
    compare({"alpha", "Beta", "gamma beta", "delta"}, {"alpha", "BETA", "gamma beta", "epsilon"});
    m_find.setQuery(QStringLiteral("beta"));
    EXPECT_EQ(m_find.statusText(), QString(QChar(0x2026)));
    waitForCount();
    // The removed "Beta", the added "BETA" and the unchanged "gamma beta" once.
    EXPECT_EQ(m_find.total(), 3);
    EXPECT_EQ(m_find.statusText(), "3 matches");

    m_find.moveToNext();
    EXPECT_EQ(m_find.statusText(), "1 of 3");
    EXPECT_EQ(currentText(), "Beta");
    m_find.moveToNext();
    EXPECT_EQ(currentText(), "BETA");
    m_find.moveToNext();
    EXPECT_EQ(m_find.statusText(), "3 of 3");
    EXPECT_EQ(currentText(), "beta");
    m_find.moveToNext(); // wraps to the first
    EXPECT_EQ(m_find.currentIndex(), 0);
    m_find.moveToPrevious(); // and back to the last
    EXPECT_EQ(m_find.currentIndex(), 2);

    // With case: only the exact spelling, and the current match is forgotten.
    m_find.setCaseSensitive(true);
    waitForCount();
    EXPECT_EQ(m_find.total(), 1);
    EXPECT_EQ(m_find.currentIndex(), std::nullopt);
    m_find.moveToPrevious();
    EXPECT_EQ(currentText(), "beta");

    m_find.setQuery(QStringLiteral("nowhere"));
    waitForCount();
    EXPECT_EQ(m_find.statusText(), "No matches");
    m_find.moveToNext();
    EXPECT_EQ(m_find.currentIndex(), std::nullopt);
    m_find.setQuery(QString());
    EXPECT_EQ(m_find.statusText(), QString());
    EXPECT_FALSE(m_find.isCounting());
}

TEST_F(FindTest, StartsFromTheRowInViewAndWaitsForTheCount)
{
    QStringList lines;
    for (int i = 0; i < 10; ++i)
        lines.append(QStringLiteral("item %1").arg(i));
    QStringList changed = lines;
    changed[0] = QStringLiteral("first");
    compare(lines, changed);
    m_model.setShowAllContext(true);
    m_find.setQuery(QStringLiteral("item"));
    // Asked before the count is in: done once it is.
    m_find.moveToNext(5);
    waitForCount();
    ASSERT_EQ(m_find.currentHighlight()->row, 5);
    EXPECT_EQ(currentText(), "item");
    m_find.setQuery(QStringLiteral("item "));
    waitForCount();
    m_find.moveToPrevious(5);
    EXPECT_EQ(m_find.currentHighlight()->row, 4);
}

TEST_F(FindTest, MatchesInFoldedLinesCountAndMovingThereExpandsAllContext)
{
    QStringList left;
    for (int i = 1; i <= 60; ++i)
        left.append(QStringLiteral("line %1").arg(i));
    left[29] = QStringLiteral("needle in the middle");
    QStringList right = left;
    right[0] = QStringLiteral("changed first line");
    right[59] = QStringLiteral("changed last line");
    compare(left, right);
    ASSERT_FALSE(m_model.showAllContext());

    m_find.setQuery(QStringLiteral("NEEDLE"));
    waitForCount();
    EXPECT_EQ(m_find.total(), 1);
    QSignalSpy moved(&m_find, &FindModel::currentMoved);
    m_find.moveToNext();
    EXPECT_TRUE(m_model.showAllContext());
    EXPECT_EQ(moved.count(), 1);
    EXPECT_EQ(m_find.statusText(), "1 of 1");
    EXPECT_EQ(currentText(), "needle");

    // Folded again, the match is still the current one but not shown.
    m_model.setShowAllContext(false);
    EXPECT_EQ(m_find.currentHighlight(), std::nullopt);
    EXPECT_EQ(m_find.currentIndex(), 0);

    // A match in a line that stays shown does not expand anything.
    m_find.setQuery(QStringLiteral("changed last"));
    waitForCount();
    m_find.moveToNext();
    EXPECT_FALSE(m_model.showAllContext());
    EXPECT_EQ(currentText(), "changed last");
}

// Each run of folded lines says how many matches it hides; shown rows say nothing.
TEST_F(FindTest, FoldedLinesSayHowManyMatchesTheyHide)
{
    QStringList left;
    for (int i = 1; i <= 60; ++i)
        left.append(i == 15 ? QStringLiteral("needle, needle") : QStringLiteral("line %1").arg(i));
    left[35] = QStringLiteral("one needle");
    QStringList right = left;
    right[0] = QStringLiteral("changed");
    right[29] = QStringLiteral("changed");
    right[44] = QStringLiteral("changed needle");
    compare(left, right);
    m_find.setQuery(QStringLiteral("needle"));
    waitForCount();
    QStringList labels;
    for (qint64 row = 0; row < m_model.activeDiffResult()->lines().size(); ++row)
        labels.append(m_find.hiddenMatchesText(row));
    labels.removeAll(QString());
    EXPECT_EQ(labels, QStringList({"2 matches", "1 match"}));
}

TEST_F(FindTest, TypingStopsTheRunningCountAndOnlyTheLastQueryCounts)
{
    QStringList left;
    for (int i = 0; i < 200000; ++i)
        left.append(QStringLiteral("row %1 of the long file").arg(i));
    QStringList right = left;
    right[100] = QStringLiteral("changed");
    compare(left, right);

    QSignalSpy changes(&m_find, &FindModel::changed);
    for (const QString& typed : {QStringLiteral("r"), QStringLiteral("ro"), QStringLiteral("row"),
                                 QStringLiteral("row 1"), QStringLiteral("row 19999")}) {
        m_find.setQuery(typed);
        // Counting never happens while the keystroke is handled.
        EXPECT_TRUE(m_find.isCounting());
        EXPECT_EQ(m_find.statusText(), QString(QChar(0x2026)));
    }
    waitForCount();
    // "row 19999" and "row 199990" … "row 199999".
    EXPECT_EQ(m_find.total(), 11);
    // Superseded counts published nothing: every change so far was a restart, and one
    // more when the last count came in.
    EXPECT_EQ(changes.count(), 6);

    // A new result counts again with the same query.
    right[5] = QStringLiteral("row 19999 again");
    compare(left, right);
    waitForCount();
    EXPECT_EQ(m_find.total(), 12);
}

} // namespace
