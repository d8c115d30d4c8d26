// SPDX-License-Identifier: GPL-3.0-or-later

#include "highlight/guards.h"

namespace varnel::highlight {

namespace {

bool isPrefixLetter(char16_t c)
{
    return c == u'f' || c == u'F' || c == u'b' || c == u'B' || c == u'r' || c == u'R' || c == u'u' || c == u'U';
}

// The class [\w:.-] of XML names.
bool isNameChar(QChar c)
{
    return isWordChar(c) || c == u':' || c == u'.' || c == u'-';
}

} // namespace

bool isLineBreak(char16_t c)
{
    return (c >= 0x0A && c <= 0x0D) || c == 0x85 || c == 0x2028 || c == 0x2029;
}

bool isWordChar(QChar c)
{
    return c == u'_' || c.isLetterOrNumber();
}

bool isSpaceChar(QChar c)
{
    return c.isSpace() || c.unicode() == 0x180E || c.category() == QChar::Separator_Space;
}

bool isValidUtf16(QStringView text)
{
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = text[i].unicode();
        if (c < 0xD800 || c > 0xDFFF)
            continue;
        if (c > 0xDBFF || i + 1 >= n || text[i + 1].unicode() < 0xDC00 || text[i + 1].unicode() > 0xDFFF)
            return false;
        ++i;
    }
    return true;
}

const std::vector<std::int32_t>& LineFacts::closingTable(char16_t quote)
{
    for (const auto& [q, table] : m_closing) {
        if (q == quote)
            return table;
    }
    // ends[j]: where a string scan standing at j (inside the string, no escape
    // pending) finds its closing quote: kUnclosed when it runs off the end, kMaybe
    // where it depends on how the engine treats a line break after a backslash.
    const qsizetype n = m_line.size();
    std::vector<std::int32_t> ends(size_t(n) + 2, kUnclosed);
    for (qsizetype j = n - 1; j >= 0; --j) {
        const char16_t c = m_line[j].unicode();
        if (c == quote)
            ends[size_t(j)] = std::int32_t(j);
        else if (c == u'\\')
            ends[size_t(j)] = j + 1 >= n                             ? kUnclosed
                              : isLineBreak(m_line[j + 1].unicode()) ? kMaybe
                                                                     : ends[size_t(j) + 2];
        else
            ends[size_t(j)] = ends[size_t(j) + 1];
    }
    m_closing.emplace_back(quote, std::move(ends));
    return m_closing.back().second;
}

std::optional<qsizetype> Guard::opening(QStringView line, qsizetype p) const
{
    qsizetype o = p;
    if (prefixLetters) {
        while (o < line.size() && o < p + 2 && isPrefixLetter(line[o].unicode()))
            ++o;
    }
    if (o < line.size() && line[o] == quote)
        return o;
    return std::nullopt;
}

std::optional<qsizetype> Guard::decidingRunEnd(LineFacts& facts, qsizetype p) const
{
    if (kind == Kind::number)
        return facts.runEnd(kDigitRun, p, [](QChar c) { return c.isDigit(); });
    if (kind == Kind::attributeName)
        return facts.runEnd(kNameRun, p, isNameChar);
    return std::nullopt;
}

qsizetype Guard::decide(LineFacts& facts, qsizetype p, int index) const
{
    const QStringView line = facts.line();
    const char16_t c = line[p].unicode();
    switch (kind) {
    case Kind::number: {
        // After "\b", every branch but 0x/0b/0o takes the whole digit run and then
        // looks only at what follows it: inside one run the outcome is the same.
        if (!line[p].isDigit())
            return kNoMatch;
        const qsizetype end = *decidingRunEnd(facts, p);
        const bool radix = c == u'0' && p + 1 == end && end < line.size() && line[end].unicode() < 128 &&
                           chars.test(line[end].unicode());
        return radix || !facts.failedAt(index, end) ? kAsk : kNoMatch;
    }
    case Kind::attributeName: {
        // [A-Za-z_] then the whole name run, then "\s*=" must follow.
        if (!((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'_'))
            return kNoMatch;
        const qsizetype end = *decidingRunEnd(facts, p);
        if (facts.failedAt(index, end) || facts.lastIndexOf(u"=") < end)
            return kNoMatch;
        qsizetype after = end;
        while (after < line.size() && isSpaceChar(line[after]))
            ++after;
        return after < line.size() && line[after] == u'=' ? kAsk : kNoMatch;
    }
    case Kind::firstChar: return (c < 128 ? chars.test(c) : nonAscii) ? kAsk : kNoMatch;
    case Kind::lineComment:
        if (!line.sliced(p).startsWith(opener))
            return kNoMatch;
        // ".*" stops only at a line break, which lines rarely hold.
        return facts.hasLineBreak() ? kAsk : line.size() - p;
    case Kind::keywords:
        if (c >= 128)
            return kNoMatch;
        // "\b(w1|w2|...)\b": the first word, in the expression's order, that stands
        // here and is not followed by a word character. ("\b" before it holds: the
        // view starts here.)
        for (const QString& word : wordsByFirst[c]) {
            if (!line.sliced(p).startsWith(word))
                continue;
            const qsizetype after = p + word.size();
            if (!isWordChar(word.back()) || after == line.size() || !isWordChar(line[after]))
                return word.size();
        }
        return kNoMatch;
    case Kind::escapedString:
    case Kind::jsonKey: {
        const std::optional<qsizetype> o = opening(line, p);
        if (!o)
            return kNoMatch;
        const std::int32_t close = facts.closingIndex(quote, *o + 1);
        if (close == LineFacts::kUnclosed)
            return kNoMatch;
        if (close == LineFacts::kMaybe)
            return kAsk;
        if (kind == Kind::escapedString)
            return close + 1 - p;
        qsizetype after = close + 1;
        while (after < line.size() && isSpaceChar(line[after]))
            ++after;
        return after < line.size() && line[after] == u':' ? after + 1 - p : kNoMatch;
    }
    case Kind::tripleQuoted: {
        const std::optional<qsizetype> o = opening(line, p);
        if (!o)
            return kNoMatch;
        const QString three(3, QChar(quote));
        return line.sliced(*o).startsWith(three) && facts.lastIndexOf(three) >= *o + 3 ? kAsk : kNoMatch;
    }
    case Kind::quoted: {
        if (c >= 128 || !chars.test(c) || facts.lastIndexOf(line.sliced(p, 1)) <= p)
            return kNoMatch;
        // "[^q]*" is a class, which takes line breaks too: the next quote closes it.
        return line.indexOf(QChar(c), p + 1) + 1 - p;
    }
    case Kind::blockComment:
        return line.sliced(p).startsWith(u"/*") && facts.lastIndexOf(u"*/") >= p + 2 ? kAsk : kNoMatch;
    }
    return kAsk;
}

} // namespace varnel::highlight
