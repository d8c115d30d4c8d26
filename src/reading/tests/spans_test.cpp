// SPDX-License-Identifier: GPL-3.0-or-later

#include "core/diffengine.h"
#include "reading/changeruns.h"
#include "reading/linespans.h"
#include "reading/tokendiff.h"
#include "reading/wordtokens.h"

#include <QTextBoundaryFinder>

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

using namespace varnel;

namespace {

QList<DiffLine> rowsOf(const char* kinds)
{
    // 'r' removed, 'a' added, 'u' unchanged, 'c' a placeholder.
    QList<DiffLine> rows;
    for (const char* k = kinds; *k; ++k) {
        switch (*k) {
        case 'r': rows.append(DiffLine(1, std::nullopt, {}, DiffLineType::removed)); break;
        case 'a': rows.append(DiffLine(std::nullopt, 1, {}, DiffLineType::added)); break;
        case 'c': rows.append(DiffLine(std::nullopt, std::nullopt, {}, DiffLineType::contextCollapsed, 5)); break;
        default: rows.append(DiffLine(1, 1, {}, DiffLineType::unchanged)); break;
        }
    }
    return rows;
}

// partner(row) for every row, -1 for none.
std::vector<qint64> partners(const char* kinds)
{
    const ChangeRuns runs = ChangeRuns::find(rowsOf(kinds));
    std::vector<qint64> out;
    for (qint64 row = 0; row < runs.rowCount(); ++row)
        out.push_back(runs.partner(row).value_or(-1));
    return out;
}

TEST(ChangeRuns, PairsTheKthRemovedRowWithTheKthAddedRowOfABlock)
{
    // Three removed over two added: the third removed row stays alone.
    EXPECT_EQ(partners("urrraau"), (std::vector<qint64>{-1, 4, 5, -1, 1, 2, -1}));
    // One removed over three added.
    EXPECT_EQ(partners("raaa"), (std::vector<qint64>{1, 0, -1, -1}));
    // Added before removed is no replacement; nor are runs that an unchanged row parts.
    EXPECT_EQ(partners("aarr"), (std::vector<qint64>{-1, -1, -1, -1}));
    EXPECT_EQ(partners("rura"), (std::vector<qint64>{-1, -1, 3, 2}));
    // The engine writes modified lines as removed, added, removed, added …
    EXPECT_EQ(partners("rarar"), (std::vector<qint64>{1, 0, 3, 2, -1}));
    EXPECT_EQ(partners("rcau"), (std::vector<qint64>{-1, -1, -1, -1}));
    EXPECT_EQ(partners(""), (std::vector<qint64>{}));

    const ChangeRuns runs = ChangeRuns::find(rowsOf("urrraauc"));
    ASSERT_EQ(runs.runs().size(), 2u);
    EXPECT_EQ(runs.runs()[0].start, 1);
    EXPECT_EQ(runs.runs()[0].length, 3);
    EXPECT_EQ(runs.runs()[1].type, DiffLineType::added);
    EXPECT_EQ(runs.runAt(3), std::optional<std::size_t>(0));
    EXPECT_EQ(runs.runAt(0), std::nullopt);
    EXPECT_EQ(runs.runAt(7), std::nullopt);
}

TEST(ChangeRuns, RowsStoredAsRunsGiveTheSameRunsAsTheRowsOneByOne)
{
    // Random edits, so change blocks have every shape: more removed, more added, equal.
    std::mt19937 random(3);
    for (int round = 0; round < 50; ++round) {
        QStringList left;
        QStringList right;
        for (int i = 0; i < 200; ++i) {
            const unsigned what = random() % 10;
            if (what != 0)
                left << QStringLiteral("line %1").arg(i);
            if (what != 1)
                right << (what == 2 ? QStringLiteral("edited %1").arg(i) : QStringLiteral("line %1").arg(i));
        }
        for (const bool collapse : {false, true}) {
            const DiffResult result = DiffEngine::compute(left, right, collapse);
            ASSERT_FALSE(result.lines().runs().empty());
            const ChangeRuns fromRuns = ChangeRuns::find(result.lines());
            QList<DiffLine> oneByOne;
            for (const DiffLine line : result.lines())
                oneByOne.append(line);
            const ChangeRuns fromRows = ChangeRuns::find(DiffRows(oneByOne));
            ASSERT_EQ(fromRuns.runs().size(), fromRows.runs().size());
            for (std::size_t i = 0; i < fromRuns.runs().size(); ++i) {
                EXPECT_EQ(fromRuns.runs()[i].start, fromRows.runs()[i].start);
                EXPECT_EQ(fromRuns.runs()[i].length, fromRows.runs()[i].length);
                EXPECT_EQ(fromRuns.runs()[i].type, fromRows.runs()[i].type);
            }
            for (qint64 row = 0; row < result.lines().size(); ++row)
                EXPECT_EQ(fromRuns.partner(row), fromRows.partner(row));
        }
    }
}

TEST(WordTokens, WordsAreRunsOfLettersDigitsAndUnderscoresAndTheRestStandsAlone)
{
    const QString text = QStringLiteral("x_1 += foo(42);");
    QStringList shown;
    for (const WordToken& token : wordTokens(text))
        shown.append((token.word ? QStringLiteral("w:") : QStringLiteral("o:")) + text.mid(token.start, token.length));
    EXPECT_EQ(shown, (QStringList{"w:x_1", "o: ", "o:+", "o:=", "o: ", "w:foo", "o:(", "w:42", "o:)", "o:;"}));

    // A combining mark stays with its letter; an emoji with its modifier is one token.
    const QString marks = QStringLiteral("cafe\u0301 \U0001F44D\U0001F3FD!");
    const std::vector<WordToken> tokens = wordTokens(marks);
    ASSERT_EQ(tokens.size(), 4u);
    EXPECT_EQ(marks.mid(tokens[0].start, tokens[0].length), QStringLiteral("cafe\u0301"));
    EXPECT_EQ(tokens[2].length, 4); // two surrogate pairs
    EXPECT_FALSE(tokens[2].word);
}

// A shortest script's length, by dynamic programming.
qsizetype editDistance(const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b)
{
    std::vector<std::vector<qsizetype>> lcs(a.size() + 1, std::vector<qsizetype>(b.size() + 1, 0));
    for (std::size_t i = 1; i <= a.size(); ++i)
        for (std::size_t j = 1; j <= b.size(); ++j)
            lcs[i][j] = a[i - 1] == b[j - 1] ? lcs[i - 1][j - 1] + 1 : std::max(lcs[i - 1][j], lcs[i][j - 1]);
    return qsizetype(a.size() + b.size()) - 2 * lcs[a.size()][b.size()];
}

TEST(TokenDiff, FindsAShortestScriptOrGivesUpOverBudget)
{
    std::mt19937 random(11);
    for (int round = 0; round < 300; ++round) {
        std::vector<std::uint32_t> a(random() % 30);
        std::vector<std::uint32_t> b(random() % 30);
        const std::uint32_t alphabet = 1 + random() % 5;
        for (auto& x : a)
            x = random() % alphabet;
        for (auto& x : b)
            x = random() % alphabet;
        std::vector<bool> removed;
        std::vector<bool> inserted;
        ASSERT_TRUE(diffTokens(a, b, removed, inserted, 1'000'000));
        std::vector<std::uint32_t> keptA;
        std::vector<std::uint32_t> keptB;
        qsizetype edits = 0;
        for (std::size_t i = 0; i < a.size(); ++i)
            removed[i] ? ++edits : (keptA.push_back(a[i]), 0);
        for (std::size_t j = 0; j < b.size(); ++j)
            inserted[j] ? ++edits : (keptB.push_back(b[j]), 0);
        EXPECT_EQ(keptA, keptB);
        EXPECT_EQ(edits, editDistance(a, b));
    }
    std::vector<std::uint32_t> a(2000);
    std::vector<std::uint32_t> b(2000);
    for (std::uint32_t i = 0; i < 2000; ++i) {
        a[i] = i;
        b[i] = i + 5000;
    }
    std::vector<bool> removed;
    std::vector<bool> inserted;
    EXPECT_FALSE(diffTokens(a, b, removed, inserted, 10'000));
}

// The spans as the strings they cover.
QStringList covered(const QString& text, const QList<TextSpan>& spans)
{
    QStringList out;
    for (const TextSpan& span : spans)
        out.append(text.mid(span.start, span.length));
    return out;
}

struct SpanCase {
    const char* name;
    QString removed;
    QString added;
    QStringList removedSpans;
    QStringList addedSpans;
};

TEST(LineSpans, MarkWhatAReaderWouldCallTheChange)
{
    const std::vector<SpanCase> cases = {
        {"renamed identifier", "    int count = items.size();", "    int total = items.size();", {"count"}, {"total"}},
        {"identifier renamed at its end",
         "return computeTotal(items);",
         "return computeSum(items);",
         {"Total"},
         {"Sum"}},
        {"changed number", "  \"weight\": 1024,", "  \"weight\": 2048,", {"1024"}, {"2048"}},
        {"number with shared digits stays whole", "timeout = 1500;", "timeout = 1600;", {"1500"}, {"1600"}},
        {"inserted argument", "call(a, b);", "call(a, c, b);", {}, {"c, "}},
        {"whitespace only: indentation", "  value();", "    value();", {}, {"  "}},
        {"whitespace only: inside", "a = b + c;", "a = b  + c;", {}, {" "}},
        {"whitespace only: a tab for spaces", "\tx = 1;", "    x = 1;", {"\t"}, {"    "}},
        {"words joined across blanks",
         "the quick brown fox jumps over the lazy dog",
         "the slow red fox jumps over the lazy dog",
         {"quick brown"},
         {"slow red"}},
        {"CJK", QStringLiteral("今日は良い天気です。"), QStringLiteral("今日は悪い天気です。"), {"良"}, {"悪"}},
        {"accent added as a combining mark",
         QStringLiteral("name = \"Jose\";"),
         QStringLiteral("name = \"Jose\u0301\";"),
         {"e"},
         {"e\u0301"}},
        {"combining mark in a long word",
         QStringLiteral("resume_builder_version"),
         QStringLiteral("resume\u0301_builder_version"),
         {"e"},
         {"e\u0301"}},
    };
    for (const SpanCase& c : cases) {
        const LineSpans spans = LineSpans::compute(c.removed, c.added);
        EXPECT_EQ(covered(c.removed, spans.removed), c.removedSpans) << c.name;
        EXPECT_EQ(covered(c.added, spans.added), c.addedSpans) << c.name;
    }
}

TEST(LineSpans, MarkNothingWhenMoreThanHalfChangedOrTheLineIsTooLong)
{
    // Rewritten: almost every word differs.
    EXPECT_TRUE(LineSpans::compute(u"let a = compute(x);", u"return fetch(y, z) || b;").isEmpty());
    // Exactly half of the non-blank text changed ("ab" of "ab cd" twice): still marked.
    const LineSpans half = LineSpans::compute(u"ab cd", u"xy cd");
    EXPECT_EQ(half.removed, (QList<TextSpan>{{0, 2}}));
    // Just over half: nothing.
    EXPECT_TRUE(LineSpans::compute(u"abc d", u"xyz d").isEmpty());
    // Equal lines have nothing to mark.
    EXPECT_TRUE(LineSpans::compute(u"same", u"same").isEmpty());

    // Up to the limit a long line is marked; one unit more, and it is not.
    const QString longLine = QStringLiteral("ab ").repeated(3333) + QLatin1Char('a');
    ASSERT_EQ(longLine.size(), LineSpans::kMaxLength);
    QString longChanged = longLine;
    longChanged.replace(3, 2, QStringLiteral("cd"));
    EXPECT_EQ(LineSpans::compute(longLine, longChanged).added, (QList<TextSpan>{{3, 2}}));
    EXPECT_TRUE(LineSpans::compute(longLine + QLatin1Char('x'), longChanged + QLatin1Char('x')).isEmpty());
}

// Every grapheme boundary of `text`.
std::vector<qsizetype> boundariesOf(const QString& text)
{
    std::vector<qsizetype> bounds{0};
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype at = 0;
    while ((at = finder.toNextBoundary()) > 0)
        bounds.push_back(at);
    return bounds;
}

QString without(const QString& text, const QList<TextSpan>& spans)
{
    QString out = text;
    for (auto it = spans.crbegin(); it != spans.crend(); ++it)
        out.remove(it->start, it->length);
    return out;
}

TEST(LineSpans, OutsideTheSpansBothLinesAreEqualAndSpansKeepGraphemesWhole)
{
    // Edits of random lines made of words, punctuation, blanks, accents and CJK.
    const QStringList pieces = {"foo",     "bar_2", "42",         " ", "  ",      "(",  ")", ",",
                                "e\u0301", "漢字",  "\U0001F600", "x", "Ünïcode", "\t", "=", "baz"};
    std::mt19937 random(5);
    const auto line = [&] {
        QString text;
        const int n = 2 + int(random() % 12);
        for (int i = 0; i < n; ++i)
            text += pieces[qsizetype(random() % pieces.size())];
        return text;
    };
    int marked = 0;
    for (int round = 0; round < 2000; ++round) {
        const QString a = line();
        QString b = a;
        for (int edits = 1 + int(random() % 3); edits > 0; --edits) {
            const std::vector<qsizetype> bounds = boundariesOf(b);
            const qsizetype at = bounds[random() % bounds.size()];
            b.insert(at, pieces[qsizetype(random() % pieces.size())]);
        }
        const LineSpans spans = LineSpans::compute(a, b);
        if (spans.isEmpty())
            continue;
        ++marked;
        EXPECT_EQ(without(a, spans.removed), without(b, spans.added)) << a.toStdString() << " / " << b.toStdString();
        for (const auto& [text, list] : {std::pair(a, spans.removed), std::pair(b, spans.added)}) {
            const std::vector<qsizetype> bounds = boundariesOf(text);
            const auto isBoundary = [&bounds](qsizetype at) {
                return std::binary_search(bounds.begin(), bounds.end(), at);
            };
            qsizetype end = -1;
            for (const TextSpan& span : list) {
                EXPECT_GT(span.length, 0);
                EXPECT_GT(span.start, end) << "spans in order, apart";
                EXPECT_TRUE(isBoundary(span.start) && isBoundary(span.end())) << text.toStdString();
                end = span.end();
            }
            EXPECT_LE(end, text.size());
        }
    }
    EXPECT_GT(marked, 1000);
}

} // namespace
