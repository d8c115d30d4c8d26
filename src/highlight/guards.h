// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QChar>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <algorithm>
#include <array>
#include <bitset>
#include <cstdint>
#include <optional>
#include <vector>

// Guards
//
// Trying every pattern at every position is what makes naive tokenizing slow, and on
// pathological lines (an unterminated string full of escaped quotes, thousands of "/*"
// without a "*/") quadratic. Each pattern therefore carries a guard: a cheap test that
// holds wherever the pattern can match. A guard only ever skips attempts that would fail,
// so the tokens are exactly those of trying every pattern everywhere; the tests check
// this against the plain algorithm.
//
// Cost: O(1) per attempt, after O(n) tables per line that are built on first use.

namespace varnel::highlight {

// Characters that "." may refuse, depending on how the engine treats line ends.
bool isLineBreak(char16_t c);
// "\w" with Unicode properties (PCRE2 10.42): letters, numbers and the underscore.
bool isWordChar(QChar c);
// "\s" with Unicode properties: separators, horizontal and vertical white space.
bool isSpaceChar(QChar c);
// No unpaired surrogate, so the engine may skip its own check. The cut at the colour limit
// may split a pair; that too counts as invalid.
bool isValidUtf16(QStringView text);

template <typename T, size_t N>
constexpr std::array<T, N> filledArray(T value)
{
    std::array<T, N> out{};
    out.fill(value);
    return out;
}

// Per-line facts the guards share, computed on first use.
class LineFacts {
public:
    explicit LineFacts(QStringView line) : m_line(line) {}

    QStringView line() const { return m_line; }

    static constexpr std::int32_t kUnclosed = -1;
    static constexpr std::int32_t kMaybe = -2;

    // Where a string opened by `quote` just before `from`, with backslash escapes, is
    // closed: the closing quote's index, kUnclosed, or kMaybe where that depends on how
    // the engine treats a line break after a backslash. Computed right to left, once per
    // quote character.
    std::int32_t closingIndex(char16_t quote, qsizetype from) { return closingTable(quote)[size_t(from)]; }

    bool hasLineBreak()
    {
        if (!m_hasLineBreak)
            m_hasLineBreak =
                std::any_of(m_line.begin(), m_line.end(), [](QChar c) { return isLineBreak(c.unicode()); });
        return *m_hasLineBreak;
    }

    // Where the run of characters satisfying `in` that contains `p` ends. Positions are
    // asked in increasing order, so remembering the last run keeps this linear.
    template <typename Predicate>
    qsizetype runEnd(int slot, qsizetype p, Predicate in)
    {
        Run& run = m_runs[size_t(slot)];
        if (p >= run.start && p < run.end)
            return run.end;
        qsizetype end = p;
        while (end < m_line.size() && in(m_line[end]))
            ++end;
        run = {p, end};
        return end;
    }

    // A pattern whose outcome depends only on where a run ends, and that failed there,
    // fails everywhere inside the same run.
    bool failedAt(int pattern, qsizetype runEnd) const { return m_failedRunEnd[size_t(pattern)] == runEnd; }
    void recordFailure(int pattern, qsizetype runEnd) { m_failedRunEnd[size_t(pattern)] = runEnd; }

    // The last position where `needle` starts, or -1.
    qsizetype lastIndexOf(QStringView needle)
    {
        for (const auto& [text, index] : m_lastIndex) {
            if (text == needle)
                return index;
        }
        const qsizetype index = m_line.lastIndexOf(needle);
        m_lastIndex.emplace_back(needle, index);
        return index;
    }

private:
    const std::vector<std::int32_t>& closingTable(char16_t quote);

    struct Run {
        qsizetype start = -1;
        qsizetype end = -1;
    };

    QStringView m_line;
    std::array<Run, 2> m_runs;
    std::array<qsizetype, 16> m_failedRunEnd = filledArray<qsizetype, 16>(-1);
    std::optional<bool> m_hasLineBreak;
    std::vector<std::pair<char16_t, std::vector<std::int32_t>>> m_closing;
    std::vector<std::pair<QStringView, qsizetype>> m_lastIndex;
};

struct Guard {
    enum class Kind {
        firstChar,     // the match starts with one of `chars` (or any non-ASCII if `nonAscii`)
        lineComment,   // `opener` here, then everything to the end of the line
        keywords,      // one of `words` starts here
        escapedString, // optional prefix letters, then `quote`, closed later with escapes
        tripleQuoted,  // optional prefix letters, three `quote`s, three more later
        quoted,        // `quote` here and again later, no escapes (chars: the quotes)
        blockComment,  // "/*" here and "*/" from two on
        jsonKey,       // a string as escapedString, then white space and a colon
        number,        // a digit run (or 0x, 0b, 0o) whose ending has not already failed
        attributeName, // an XML name whose ending has not already failed, "=" later on
    };
    // Slots of LineFacts::runEnd.
    static constexpr int kDigitRun = 0;
    static constexpr int kNameRun = 1;
    Kind kind = Kind::firstChar;
    std::bitset<128> chars;
    bool nonAscii = false;
    bool prefixLetters = false;
    char16_t quote = 0;
    QString opener;
    std::array<std::vector<QString>, 128> wordsByFirst;

    static Guard first(const char* ascii, bool anyNonAscii = false)
    {
        Guard g;
        for (const char* c = ascii; *c; ++c)
            g.chars.set(size_t(*c));
        g.nonAscii = anyNonAscii;
        return g;
    }
    static Guard lineComment(const char* opener)
    {
        Guard g = first(opener);
        g.kind = Kind::lineComment;
        g.opener = QString::fromLatin1(opener);
        return g;
    }
    static Guard words(const QString& alternation)
    {
        Guard g;
        g.kind = Kind::keywords;
        for (const QString& word : alternation.split(u'|'))
            g.wordsByFirst[word.front().unicode() & 0x7F].push_back(word);
        return g;
    }
    static Guard string(char16_t quote, bool prefixed = false)
    {
        Guard g;
        g.kind = Kind::escapedString;
        g.quote = quote;
        g.prefixLetters = prefixed;
        return g;
    }
    static Guard key()
    {
        Guard g = string(u'"');
        g.kind = Kind::jsonKey;
        return g;
    }
    static Guard triple(char16_t quote)
    {
        Guard g;
        g.kind = Kind::tripleQuoted;
        g.quote = quote;
        g.prefixLetters = true;
        return g;
    }
    static Guard quotes(const char* ascii)
    {
        Guard g = first(ascii);
        g.kind = Kind::quoted;
        return g;
    }
    static Guard numberRun(const char* radixLetters)
    {
        Guard g = first(radixLetters);
        g.kind = Kind::number;
        return g;
    }
    static Guard attribute()
    {
        Guard g;
        g.kind = Kind::attributeName;
        return g;
    }
    static Guard comment()
    {
        Guard g;
        g.kind = Kind::blockComment;
        return g;
    }

    // Where the opening quote stands after at most two prefix letters, if anywhere.
    std::optional<qsizetype> opening(QStringView line, qsizetype p) const;

    // The run whose end decides the outcome at p, for the kinds that remember failures.
    std::optional<qsizetype> decidingRunEnd(LineFacts& facts, qsizetype p) const;

    // What is known of a match at p without running the expression: kNoMatch, kAsk (it
    // may match; run the expression), or the length of the match when the guard alone
    // settles it exactly (literal word lists, strings, comments to the end of the line).
    static constexpr qsizetype kNoMatch = -1;
    static constexpr qsizetype kAsk = 0;

    qsizetype decide(LineFacts& facts, qsizetype p, int index) const;
};

} // namespace varnel::highlight
