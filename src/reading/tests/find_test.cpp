// SPDX-License-Identifier: GPL-3.0-or-later

#include "core/diffengine.h"
#include "reading/foldedrows.h"
#include "reading/matchindex.h"

#include <gtest/gtest.h>

#include <random>

using namespace varnel;

namespace {

TEST(TextMatcher, FindsEveryOccurrenceFromTheLeftIgnoringCaseUnlessAsked)
{
    const TextMatcher insensitive(QStringLiteral("ab"), Qt::CaseInsensitive);
    EXPECT_EQ(insensitive.find(u"xAbab aB"), (QList<TextSpan>{{1, 2}, {3, 2}, {6, 2}}));
    EXPECT_EQ(insensitive.count(QUtf8StringView("xAbab aB")), 3);
    const TextMatcher sensitive(QStringLiteral("ab"), Qt::CaseSensitive);
    EXPECT_EQ(sensitive.find(u"xAbab aB"), (QList<TextSpan>{{3, 2}}));
    EXPECT_EQ(sensitive.count(QUtf8StringView("xAbab aB")), 1);
    // Occurrences do not overlap.
    EXPECT_EQ(TextMatcher(QStringLiteral("aa"), Qt::CaseInsensitive).count(QUtf8StringView("aaaaa")), 2);
    // Beyond ASCII, case folds too.
    const TextMatcher umlaut(QStringLiteral("ÜBER"), Qt::CaseInsensitive);
    EXPECT_EQ(umlaut.count(QUtf8StringView("über Über uber")), 2);
    EXPECT_EQ(umlaut.find(u"über Über uber"), (QList<TextSpan>{{0, 4}, {5, 4}}));
    EXPECT_EQ(TextMatcher().count(QUtf8StringView("anything")), 0);
    EXPECT_TRUE(TextMatcher().find(u"anything").isEmpty());
}

TEST(TextMatcher, CountingUtf8AgreesWithFindingInUtf16)
{
    const QStringList pieces = {"a", "A", "b",      "B", "ab", " ",          "é", "É",
                                "K", "k", "\u212A", "ß", "漢", "\U0001F600", "_"};
    const QStringList queries = {"a", "ab", "AB", "k", "é", "Ab ", "ß", "漢a", "\U0001F600", "aa", "aBa"};
    std::mt19937 random(9);
    for (int round = 0; round < 3000; ++round) {
        QString line;
        for (int n = int(random() % 16); n > 0; --n)
            line += pieces[qsizetype(random() % pieces.size())];
        const QByteArray utf8 = line.toUtf8();
        for (const QString& query : queries) {
            for (Qt::CaseSensitivity cs : {Qt::CaseInsensitive, Qt::CaseSensitive}) {
                const TextMatcher matcher(query, cs);
                const QList<TextSpan> all = matcher.find(line);
                ASSERT_EQ(matcher.count(QUtf8StringView(utf8)), all.size())
                    << line.toStdString() << " / " << query.toStdString();
                // A stretch of the line, as a painted row asks: the same occurrences, at most `cap`.
                const qsizetype from = qsizetype(random() % (line.size() + 1));
                const qsizetype to = from + 1 + qsizetype(random() % 8);
                const qsizetype cap = 1 + qsizetype(random() % 3);
                QList<TextSpan> meeting;
                for (const TextSpan& span : all) {
                    if (span.end() > from && span.start < to && meeting.size() < cap)
                        meeting.append(span);
                }
                ASSERT_EQ(matcher.findIn(line, from, to, cap), meeting) << line.toStdString() << " / " << from;
                const qsizetype n = qsizetype(random() % (all.size() + 1));
                ASSERT_EQ(matcher.nth(line, n), n < all.size() ? std::optional(all[n]) : std::nullopt);
            }
        }
    }
}

DiffResult resultOf(const QStringList& left, const QStringList& right, bool collapse)
{
    return DiffEngine::compute(left, right, collapse);
}

TEST(MatchIndex, NumbersEveryOccurrenceAndWrapsAround)
{
    const DiffResult result = resultOf({"foo", "bar", "foo foo", "baz"}, {"foo", "bar", "qux", "baz foo"}, false);
    // Rows: foo, bar, -"foo foo", +qux, -baz? The engine decides; find the rows by text.
    const std::optional<MatchIndex> index =
        MatchIndex::build(result.lines(), TextMatcher(QStringLiteral("FOO"), Qt::CaseInsensitive));
    ASSERT_TRUE(index);
    qint64 expected = 0;
    std::vector<qint64> rowsWithFoo;
    for (qsizetype row = 0; row < result.lines().size(); ++row) {
        const qint64 n = result.lines()[row].contentString().count(QStringLiteral("foo"));
        EXPECT_EQ(index->countIn(row), n);
        if (n > 0)
            rowsWithFoo.push_back(row);
        expected += n;
    }
    ASSERT_EQ(index->total(), expected);
    ASSERT_EQ(expected, 4);
    // Numbered in row order, then within a row.
    for (qint64 i = 0; i < index->total(); ++i) {
        const MatchIndex::Match match = index->at(i);
        EXPECT_EQ(match.index, i);
        if (i > 0) {
            const MatchIndex::Match before = index->at(i - 1);
            EXPECT_TRUE(before.row < match.row || (before.row == match.row && before.inRow + 1 == match.inRow));
        }
    }
    // From a row: the first at or after it, wrapping to the first of all.
    EXPECT_EQ(index->firstFrom(0)->index, 0);
    EXPECT_EQ(index->firstFrom(rowsWithFoo.back())->row, rowsWithFoo.back());
    EXPECT_EQ(index->firstFrom(rowsWithFoo.back() + 1)->index, 0);
    // Before a row: the last occurrence of an earlier row, wrapping to the last of all.
    EXPECT_EQ(index->lastBefore(0)->index, 3);
    EXPECT_EQ(index->lastBefore(rowsWithFoo[1] + 1)->row, rowsWithFoo[1]);
    EXPECT_EQ(index->lastBefore(rowsWithFoo[1] + 1)->inRow, index->countIn(rowsWithFoo[1]) - 1);

    const std::optional<MatchIndex> none =
        MatchIndex::build(result.lines(), TextMatcher(QStringLiteral("absent"), Qt::CaseInsensitive));
    ASSERT_TRUE(none);
    EXPECT_EQ(none->total(), 0);
    EXPECT_EQ(none->firstFrom(0), std::nullopt);
    EXPECT_EQ(none->lastBefore(0), std::nullopt);

    // An unchanged row whose files hold it in different bytes: each line is searched.
    const DiffResult equal = resultOf({QStringLiteral("caf\u00E9 x")}, {QStringLiteral("cafe\u0301 x")}, false);
    for (const auto& [query, count] : {std::pair("caf\u00E9", 1), std::pair("e\u0301", 1), std::pair("x", 2)})
        EXPECT_EQ(MatchIndex::build(equal.lines(), TextMatcher(query, Qt::CaseSensitive))->total(), count) << query;
}

TEST(MatchIndex, StopsWhenAskedTo)
{
    QStringList lines;
    for (int i = 0; i < 20000; ++i)
        lines.append(QStringLiteral("line %1").arg(i));
    const DiffResult result = resultOf(lines, lines, false);
    int asked = 0;
    const auto stop = [&asked] { return ++asked > 2; };
    EXPECT_EQ(MatchIndex::build(result.lines(), TextMatcher(QStringLiteral("line"), Qt::CaseInsensitive), stop),
              std::nullopt);
    EXPECT_EQ(asked, 3);
    EXPECT_EQ(MatchIndex::build(result.lines(), TextMatcher(QStringLiteral("line"), Qt::CaseInsensitive))->total(),
              20000);
}

TEST(FoldedRows, MapsTheCollapsedRowsOntoTheFullOnes)
{
    QStringList left;
    for (int i = 1; i <= 40; ++i)
        left.append(QStringLiteral("line %1").arg(i));
    QStringList right = left;
    right[0] = QStringLiteral("changed 1");
    right[20] = QStringLiteral("changed 21");
    right.removeAt(35);
    const DiffResult collapsed = resultOf(left, right, true);
    const DiffResult full = resultOf(left, right, false);
    const FoldedRows folded = FoldedRows::build(collapsed.lines());
    ASSERT_GE(folded.placeholderCount(), 2);

    qint64 shown = 0;
    for (qint64 row = 0; row < full.lines().size(); ++row) {
        const std::optional<qint64> c = folded.toCollapsed(row);
        if (!c) {
            // Hidden: its placeholder stands among the collapsed rows.
            const std::optional<qint64> placeholder = folded.placeholderOf(row);
            ASSERT_TRUE(placeholder);
            EXPECT_EQ(collapsed.lines()[*placeholder].type(), DiffLineType::contextCollapsed);
            continue;
        }
        ++shown;
        EXPECT_EQ(folded.placeholderOf(row), std::nullopt);
        EXPECT_EQ(folded.toFull(*c), row);
        EXPECT_EQ(collapsed.lines()[*c].content(), full.lines()[row].content());
        EXPECT_EQ(collapsed.lines()[*c].type(), full.lines()[row].type());
    }
    EXPECT_EQ(shown, collapsed.lines().size() - folded.placeholderCount());
    // A placeholder's full row is the first it hides.
    for (qint64 row = 0; row < collapsed.lines().size(); ++row) {
        if (collapsed.lines()[row].hiddenCount()) {
            EXPECT_EQ(folded.placeholderOf(folded.toFull(row)), row);
        }
    }
}

} // namespace
