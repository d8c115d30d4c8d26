// SPDX-License-Identifier: GPL-3.0-or-later

// Words and single characters: the units in which a changed line is compared with the
// line it replaces.
//
// The idea: a reader sees identifiers, numbers and words as wholes and punctuation as
// separate marks, so a change is shown word by word: `count` against `total`, not `c`
// and `t` as the one difference of letters in the middle. Words are runs of graphemes
// that start with a letter, a digit or '_'; any other grapheme (a space, an operator, a
// lone combining mark) is a token of its own.
//
// The cost: O(n). Text with no character at or above U+0300 (where combining marks and
// surrogates begin) has one grapheme per code unit and skips the boundary finder.
//
// The invariant: tokens cover the text in order without gaps, and every token boundary
// is a grapheme boundary.
#include "reading/wordtokens.h"

#include <QTextBoundaryFinder>

namespace varnel {

namespace {

constexpr char16_t kFirstCombining = 0x0300;

bool simpleText(QStringView text)
{
    for (QChar c : text)
        if (c.unicode() >= kFirstCombining)
            return false;
    return true;
}

bool startsWord(QStringView text, qsizetype at)
{
    const QChar c = text[at];
    if (c == u'_')
        return true;
    if (c.isHighSurrogate() && at + 1 < text.size() && text[at + 1].isLowSurrogate())
        return QChar::isLetterOrNumber(QChar::surrogateToUcs4(c, text[at + 1]));
    return c.isLetterOrNumber();
}

} // namespace

std::vector<qsizetype> graphemeBoundaries(QStringView text)
{
    std::vector<qsizetype> boundaries;
    boundaries.reserve(std::size_t(text.size()) + 1);
    if (simpleText(text)) {
        for (qsizetype i = 0; i <= text.size(); ++i)
            boundaries.push_back(i);
        return boundaries;
    }
    boundaries.push_back(0);
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text.data(), text.size());
    qsizetype at = 0;
    while ((at = finder.toNextBoundary()) > 0)
        boundaries.push_back(at);
    if (boundaries.back() != text.size())
        boundaries.push_back(text.size());
    return boundaries;
}

std::vector<WordToken> wordTokens(QStringView text)
{
    std::vector<WordToken> tokens;
    const std::vector<qsizetype> boundaries = graphemeBoundaries(text);
    for (std::size_t i = 0; i + 1 < boundaries.size(); ++i) {
        const qsizetype start = boundaries[i];
        const qsizetype end = boundaries[i + 1];
        const bool word = startsWord(text, start);
        if (word && !tokens.empty() && tokens.back().word && tokens.back().end() == start)
            tokens.back().length = end - tokens.back().start;
        else
            tokens.push_back({start, end - start, word});
    }
    return tokens;
}

} // namespace varnel
