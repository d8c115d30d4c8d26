// SPDX-License-Identifier: GPL-3.0-or-later

#include "core/diffengine.h"

#include <gtest/gtest.h>

#include <random>

using namespace varnel;

namespace {

struct Row {
    DiffLineType type;
    std::optional<qint64> left;
    std::optional<qint64> right;
    QString content;
    std::optional<qint64> hidden;

    friend bool operator==(const Row&, const Row&) = default;
    friend std::ostream& operator<<(std::ostream& os, const Row& row)
    {
        return os << int(row.type) << ' ' << row.left.value_or(-1) << ' ' << row.right.value_or(-1) << " '"
                  << row.content.toStdString() << "' " << row.hidden.value_or(-1);
    }
};

Row unchanged(qint64 l, qint64 r, const char* text)
{
    return {DiffLineType::unchanged, l, r, QString::fromUtf8(text), {}};
}
Row removed(qint64 l, const char* text)
{
    return {DiffLineType::removed, l, {}, QString::fromUtf8(text), {}};
}
Row added(qint64 r, const char* text)
{
    return {DiffLineType::added, {}, r, QString::fromUtf8(text), {}};
}
Row placeholder(qint64 l, qint64 r, qint64 k)
{
    return {DiffLineType::contextCollapsed, l, r, QString(), k};
}

std::vector<Row> rowsOf(const DiffResult& result)
{
    std::vector<Row> rows;
    for (const DiffLine& line : result.lines())
        rows.push_back(
            {line.type(), line.leftLineNumber(), line.rightLineNumber(), line.contentString(), line.hiddenCount()});
    return rows;
}

QStringList numbered(int from, int to)
{
    QStringList lines;
    for (int i = from; i <= to; ++i)
        lines << QString::number(i);
    return lines;
}

void expectCounts(const DiffResult& result, qint64 added, qint64 removed, qint64 modified)
{
    EXPECT_EQ(result.addedCount(), added);
    EXPECT_EQ(result.removedCount(), removed);
    EXPECT_EQ(result.modifiedCount(), modified);
}

// Length of a longest common subsequence, the plain O(NM) way.
qint64 lcsLength(const QStringList& a, const QStringList& b)
{
    std::vector<qint64> previous(size_t(b.size()) + 1, 0), current(size_t(b.size()) + 1, 0);
    for (qsizetype i = 1; i <= a.size(); ++i) {
        for (qsizetype j = 1; j <= b.size(); ++j) {
            current[size_t(j)] = a[i - 1] == b[j - 1] ? previous[size_t(j) - 1] + 1
                                                      : std::max(previous[size_t(j)], current[size_t(j) - 1]);
        }
        std::swap(previous, current);
    }
    return previous[size_t(b.size())];
}

// Everything a full result promises about its rows.
void checkFullResult(const DiffResult& result, const QStringList& a, const QStringList& b)
{
    QStringList left, right;
    qint64 addedRows = 0, removedRows = 0, pairs = 0;
    const DiffRows& lines = result.lines();
    for (qsizetype k = 0; k < lines.size(); ++k) {
        const DiffLine& line = lines[k];
        switch (line.type()) {
        case DiffLineType::unchanged:
            left << line.contentString();
            right << line.contentString();
            ASSERT_EQ(line.leftLineNumber(), left.size());
            ASSERT_EQ(line.rightLineNumber(), right.size());
            break;
        case DiffLineType::removed:
            left << line.contentString();
            ASSERT_EQ(line.leftLineNumber(), left.size());
            ASSERT_FALSE(line.rightLineNumber());
            ++removedRows;
            if (k + 1 < lines.size() && lines[k + 1].type() == DiffLineType::added)
                ++pairs;
            break;
        case DiffLineType::added:
            right << line.contentString();
            ASSERT_EQ(line.rightLineNumber(), right.size());
            ASSERT_FALSE(line.leftLineNumber());
            ++addedRows;
            break;
        case DiffLineType::contextCollapsed: FAIL() << "a full result has no placeholders";
        }
    }
    EXPECT_EQ(left, a);
    EXPECT_EQ(right, b);
    EXPECT_EQ(pairs, result.modifiedCount());
    EXPECT_EQ(addedRows, result.addedCount() + result.modifiedCount());
    EXPECT_EQ(removedRows, result.removedCount() + result.modifiedCount());
    EXPECT_EQ(addedRows + removedRows, a.size() + b.size() - 2 * lcsLength(a, b)) << "not a minimal script";
}

// The collapsed result is the full one with every unchanged run further than three rows
// from a change folded into one placeholder.
void checkCollapsed(const DiffResult& collapsed, const DiffResult& full)
{
    EXPECT_EQ(collapsed.addedCount(), full.addedCount());
    EXPECT_EQ(collapsed.removedCount(), full.removedCount());
    EXPECT_EQ(collapsed.modifiedCount(), full.modifiedCount());

    const DiffRows& rows = full.lines();
    std::vector<bool> near(size_t(rows.size()), false);
    for (qsizetype k = 0; k < rows.size(); ++k) {
        if (rows[k].type() != DiffLineType::unchanged) {
            for (qsizetype d = std::max<qsizetype>(0, k - 3); d <= std::min(rows.size() - 1, k + 3); ++d)
                near[size_t(d)] = true;
        }
    }
    if (!full.hasChanges())
        std::fill(near.begin(), near.end(), true);

    qsizetype k = 0;
    bool previousWasPlaceholder = false;
    for (const DiffLine& line : collapsed.lines()) {
        ASSERT_LT(k, rows.size());
        if (line.type() == DiffLineType::contextCollapsed) {
            ASSERT_FALSE(previousWasPlaceholder);
            const qint64 hidden = *line.hiddenCount();
            ASSERT_GT(hidden, 0);
            EXPECT_EQ(line.leftLineNumber(), rows[k].leftLineNumber());
            EXPECT_EQ(line.rightLineNumber(), rows[k].rightLineNumber());
            EXPECT_TRUE(line.content().isEmpty());
            for (qint64 h = 0; h < hidden; ++h, ++k) {
                ASSERT_EQ(rows[k].type(), DiffLineType::unchanged);
                ASSERT_FALSE(near[size_t(k)]);
            }
            previousWasPlaceholder = true;
        } else {
            ASSERT_TRUE(near[size_t(k)]);
            EXPECT_EQ(line.type(), rows[k].type());
            EXPECT_EQ(line.leftLineNumber(), rows[k].leftLineNumber());
            EXPECT_EQ(line.rightLineNumber(), rows[k].rightLineNumber());
            EXPECT_EQ(line.content(), rows[k].content());
            ++k;
            previousWasPlaceholder = false;
        }
    }
    EXPECT_EQ(k, rows.size());
}

QStringList randomLines(std::mt19937& random, int count, int alphabet)
{
    QStringList lines;
    std::uniform_int_distribution<int> pick(0, alphabet - 1);
    for (int i = 0; i < count; ++i)
        lines << QString(QChar(u'a' + pick(random)));
    return lines;
}

} // namespace

TEST(DiffEngine, EmptyInputsGiveNoRows)
{
    for (bool collapse : {false, true}) {
        const DiffResult result = DiffEngine::compute(QStringList(), QStringList(), collapse);
        EXPECT_TRUE(result.lines().isEmpty());
        expectCounts(result, 0, 0, 0);
        EXPECT_FALSE(result.hasChanges());
    }
}

TEST(DiffEngine, IdenticalInputsAreNeverCollapsed)
{
    const QStringList lines = numbered(1, 40);
    for (bool collapse : {false, true}) {
        const DiffResult result = DiffEngine::compute(lines, lines, collapse);
        ASSERT_EQ(result.lines().size(), 40);
        for (qint64 i = 0; i < 40; ++i)
            EXPECT_EQ(rowsOf(result)[size_t(i)], unchanged(i + 1, i + 1, qPrintable(lines[i])));
        expectCounts(result, 0, 0, 0);
    }
}

TEST(DiffEngine, OneSideEmpty)
{
    const DiffResult insertions = DiffEngine::compute(QStringList(), {"x", "y", "z"}, false);
    EXPECT_EQ(rowsOf(insertions), (std::vector<Row>{added(1, "x"), added(2, "y"), added(3, "z")}));
    expectCounts(insertions, 3, 0, 0);

    const DiffResult removals = DiffEngine::compute({"x", "y", "z"}, QStringList(), true);
    EXPECT_EQ(rowsOf(removals), (std::vector<Row>{removed(1, "x"), removed(2, "y"), removed(3, "z")}));
    expectCounts(removals, 0, 3, 0);
}

TEST(DiffEngine, ReplacedLinesPairUpThenTheLongerSideContinues)
{
    const DiffResult middle = DiffEngine::compute({"a", "x", "b"}, {"a", "y", "b"}, false);
    EXPECT_EQ(rowsOf(middle),
              (std::vector<Row>{unchanged(1, 1, "a"), removed(2, "x"), added(2, "y"), unchanged(3, 3, "b")}));
    expectCounts(middle, 0, 0, 1);

    const DiffResult longer = DiffEngine::compute({"a", "b", "c"}, {"z"}, false);
    EXPECT_EQ(rowsOf(longer), (std::vector<Row>{removed(1, "a"), added(1, "z"), removed(2, "b"), removed(3, "c")}));
    expectCounts(longer, 0, 2, 1);
}

TEST(DiffEngine, CollapsesFarContextIntoPlaceholders)
{
    QStringList right = numbered(1, 20);
    right[9] = QStringLiteral("ten");
    const DiffResult result = DiffEngine::compute(numbered(1, 20), right, true);
    EXPECT_EQ(rowsOf(result),
              (std::vector<Row>{placeholder(1, 1, 6), unchanged(7, 7, "7"), unchanged(8, 8, "8"), unchanged(9, 9, "9"),
                                removed(10, "10"), added(10, "ten"), unchanged(11, 11, "11"), unchanged(12, 12, "12"),
                                unchanged(13, 13, "13"), placeholder(14, 14, 7)}));
    expectCounts(result, 0, 0, 1);

    QStringList first = numbered(1, 10);
    first[0] = QStringLiteral("one");
    EXPECT_EQ(rowsOf(DiffEngine::compute(numbered(1, 10), first, true)),
              (std::vector<Row>{removed(1, "1"), added(1, "one"), unchanged(2, 2, "2"), unchanged(3, 3, "3"),
                                unchanged(4, 4, "4"), placeholder(5, 5, 6)}));

    // Three unchanged lines before the first change stay; six between two changes stay;
    // seven fold into three, a placeholder of one, and three.
    QStringList gaps = numbered(1, 16);
    gaps[3] = QStringLiteral("four"); // after 3 unchanged lines
    gaps[15] = QStringLiteral("end"); // after 11 unchanged lines (5..15)
    const std::vector<Row> rows = rowsOf(DiffEngine::compute(numbered(1, 16), gaps, true));
    ASSERT_EQ(rows.size(), 3u + 2 + 3 + 1 + 3 + 2);
    EXPECT_EQ(rows[0], unchanged(1, 1, "1"));
    EXPECT_EQ(rows[8], placeholder(8, 8, 5));

    QStringList seven = numbered(1, 9);
    seven[0] = QStringLiteral("x");
    seven[8] = QStringLiteral("y");
    const std::vector<Row> sevenRows = rowsOf(DiffEngine::compute(numbered(1, 9), seven, true));
    ASSERT_EQ(sevenRows.size(), 2u + 3 + 1 + 3 + 2);
    EXPECT_EQ(sevenRows[5], placeholder(5, 5, 1));
}

TEST(DiffEngine, LineEqualityIsCanonicalUnicodeAndNothingMore)
{
    const QString composed = QStringLiteral("caf\u00E9");
    const QString decomposed = QStringLiteral("cafe\u0301");
    const DiffResult result = DiffEngine::compute({composed, "x"}, {decomposed, "x"}, false);
    EXPECT_FALSE(result.hasChanges());
    // Equal, not the same bytes: each side keeps its own file's line.
    const DiffLine row = result.lines()[0];
    EXPECT_EQ(row.contentString(PageSide::left), composed);
    EXPECT_EQ(row.contentString(PageSide::right), decomposed);
    EXPECT_EQ(row.contentString(), composed);
    EXPECT_TRUE(row.sidesDiffer());
    EXPECT_FALSE(result.lines()[1].sidesDiffer());

    const DiffResult spaces = DiffEngine::compute({"a", "b", "Case"}, {"a ", "b", "case"}, false);
    expectCounts(spaces, 0, 0, 2);
    // Hangul syllables and jamo compose too.
    EXPECT_FALSE(
        DiffEngine::compute({QStringLiteral("\uD55C")}, {QStringLiteral("\u1112\u1161\u11AB")}, false).hasChanges());
}

TEST(DiffEngine, CancelledComputationGivesNothing)
{
    const SharedLines a = TextLines::share(TextLines::fromStrings(numbered(1, 100)));
    const SharedLines b = TextLines::share(TextLines::fromStrings(numbered(50, 150)));
    const CancelCheck cancelled = [] { return true; };
    EXPECT_FALSE(DiffEngine::compute(a, b, true, cancelled));
    EXPECT_FALSE(DiffEngine::computeBoth(a, b, cancelled));
    int polls = 0;
    const CancelCheck counting = [&polls] {
        ++polls;
        return false;
    };
    EXPECT_TRUE(DiffEngine::computeBoth(a, b, counting));
    EXPECT_GT(polls, 0);
}

// Random pairs over small alphabets: many repeated lines, many equally short scripts.
TEST(DiffEngineProperty, RandomPairsAreMinimalConsistentAndCollapseCorrectly)
{
    std::mt19937 random(20261207);
    for (int round = 0; round < 600; ++round) {
        const int alphabet = 1 + round % 7;
        const QStringList a = randomLines(random, int(random() % 40), alphabet);
        QStringList b = randomLines(random, int(random() % 40), alphabet);
        if (round % 5 == 0) { // related pairs: b is an edit of a
            b = a;
            for (int e = 0; e < 4 && !b.isEmpty(); ++e)
                b[qsizetype(random() % size_t(b.size()))] = QStringLiteral("z");
        }
        SCOPED_TRACE(QString(a.join(QString()) + u'|' + b.join(QString())).toStdString());
        const auto both = DiffEngine::computeBoth(TextLines::share(TextLines::fromStrings(a)),
                                                  TextLines::share(TextLines::fromStrings(b)));
        ASSERT_TRUE(both);
        checkFullResult(both->full, a, b);
        checkCollapsed(both->collapsed, both->full);
        checkCollapsed(DiffEngine::compute(a, b, true), DiffEngine::compute(a, b, false));
    }
}

// Long inputs with thousands of edits take the path that runs the two halves of the
// search on two threads.
TEST(DiffEngineProperty, LargeEditDistancesStayMinimal)
{
    std::mt19937 random(7);
    for (int alphabet : {2, 4, 30}) {
        const QStringList a = randomLines(random, 2500, alphabet);
        const QStringList b = randomLines(random, 2300, alphabet);
        const DiffResult result = DiffEngine::compute(a, b, false);
        checkFullResult(result, a, b);
    }
}
