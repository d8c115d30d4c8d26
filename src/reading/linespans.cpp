// SPDX-License-Identifier: GPL-3.0-or-later

// The changes within a modified line, as a reader wants to see them.
//
// The idea: compare the two lines as sequences of words and single characters
// (wordtokens.cpp) with a shortest edit script (tokendiff.cpp). Each stretch of changed
// tokens becomes one span per side; stretches separated only by blanks are joined, so
// "quick brown" against "slow red" is one span, not two with a gap. A single word
// replaced by a single word that shares its start or end with it (`computeTotal` against
// `computeSum`, `v2` against `v3`) is narrowed to the graphemes that differ, when the
// part they share is at least half of the longer word; numbers are always shown whole.
// When more than half of the non-blank text of the two lines changed, the line was
// rewritten rather than edited, and nothing is marked: the row's tint says it all.
//
// The cost: O(N + M) for tokens and hashing, plus the token diff, bounded by kBudget;
// nothing for lines over kMaxLength.
//
// The invariant: spans are sorted, do not overlap or touch, lie inside their line and
// start and end on grapheme boundaries; outside the spans, the tokens of the two lines
// are equal in order.
#include "reading/linespans.h"

#include "reading/tokendiff.h"
#include "reading/wordtokens.h"

#include <QHash>

#include <algorithm>

namespace varnel {

namespace {

constexpr std::uint32_t kNoId = ~std::uint32_t(0);

// One stretch of changed tokens: a[aFrom, aTo) was replaced by b[bFrom, bTo).
struct Hunk {
    std::size_t aFrom, aTo, bFrom, bTo;
};

bool isBlank(QStringView text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.isSpace(); });
}

qsizetype nonBlank(QStringView text)
{
    return std::count_if(text.begin(), text.end(), [](QChar c) { return !c.isSpace(); });
}

bool isNumber(QStringView text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.isDigit(); });
}

TextSpan spanOf(const std::vector<WordToken>& tokens, std::size_t from, std::size_t to)
{
    return {tokens[from].start, tokens[to - 1].end() - tokens[from].start};
}

// Narrows a word replaced by a word to the graphemes that differ, when they share at
// least half of the longer one at their ends. Either side may become empty (an
// insertion within a word).
void refineWord(QStringView a, QStringView b, TextSpan& spanA, TextSpan& spanB)
{
    const QStringView wordA = a.sliced(spanA.start, spanA.length);
    const QStringView wordB = b.sliced(spanB.start, spanB.length);
    if (isNumber(wordA) || isNumber(wordB))
        return;
    const std::vector<qsizetype> ga = graphemeBoundaries(wordA);
    const std::vector<qsizetype> gb = graphemeBoundaries(wordB);
    const auto grapheme = [](QStringView word, const std::vector<qsizetype>& bounds, std::size_t i) {
        return word.sliced(bounds[i], bounds[i + 1] - bounds[i]);
    };
    const std::size_t countA = ga.size() - 1;
    const std::size_t countB = gb.size() - 1;
    std::size_t prefix = 0;
    while (prefix < countA && prefix < countB && grapheme(wordA, ga, prefix) == grapheme(wordB, gb, prefix))
        ++prefix;
    std::size_t suffix = 0;
    while (suffix < countA - prefix && suffix < countB - prefix &&
           grapheme(wordA, ga, countA - 1 - suffix) == grapheme(wordB, gb, countB - 1 - suffix))
        ++suffix;
    const qsizetype shared = qsizetype(prefix) + qsizetype(suffix);
    if (shared == 0 || 2 * shared < qsizetype(std::max(countA, countB)))
        return;
    spanA = {spanA.start + ga[prefix], ga[countA - suffix] - ga[prefix]};
    spanB = {spanB.start + gb[prefix], gb[countB - suffix] - gb[prefix]};
}

} // namespace

LineSpans LineSpans::compute(QStringView a, QStringView b)
{
    if (a.size() > kMaxLength || b.size() > kMaxLength || a == b)
        return {};
    const std::vector<WordToken> tokensA = wordTokens(a);
    const std::vector<WordToken> tokensB = wordTokens(b);

    // Equal tokens get equal ids.
    QHash<QStringView, std::uint32_t> ids;
    ids.reserve(qsizetype(tokensA.size()) + qsizetype(tokensB.size()));
    const auto idsOf = [&ids](QStringView text, const std::vector<WordToken>& tokens) {
        std::vector<std::uint32_t> out;
        out.reserve(tokens.size());
        for (const WordToken& token : tokens) {
            const QStringView key = text.sliced(token.start, token.length);
            std::uint32_t id = ids.value(key, kNoId);
            if (id == kNoId) {
                id = std::uint32_t(ids.size());
                ids.insert(key, id);
            }
            out.push_back(id);
        }
        return out;
    };
    const std::vector<std::uint32_t> idsA = idsOf(a, tokensA);
    const std::vector<std::uint32_t> idsB = idsOf(b, tokensB);
    std::vector<bool> removed;
    std::vector<bool> inserted;
    if (!diffTokens(idsA, idsB, removed, inserted, kBudget))
        return {};

    // The stretches of changes, joined across blanks.
    std::vector<Hunk> hunks;
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < tokensA.size() || j < tokensB.size()) {
        if (i < tokensA.size() && j < tokensB.size() && !removed[i] && !inserted[j]) {
            ++i;
            ++j;
            continue;
        }
        Hunk hunk{i, i, j, j};
        while (hunk.aTo < tokensA.size() && removed[hunk.aTo])
            ++hunk.aTo;
        while (hunk.bTo < tokensB.size() && inserted[hunk.bTo])
            ++hunk.bTo;
        if (!hunks.empty()) {
            // Only equal blanks since the last stretch: one stretch.
            Hunk& last = hunks.back();
            bool blanks = true;
            for (std::size_t t = last.aTo; t < hunk.aFrom && blanks; ++t)
                blanks = isBlank(a.sliced(tokensA[t].start, tokensA[t].length));
            if (blanks) {
                last.aTo = hunk.aTo;
                last.bTo = hunk.bTo;
                i = hunk.aTo;
                j = hunk.bTo;
                continue;
            }
        }
        hunks.push_back(hunk);
        i = hunk.aTo;
        j = hunk.bTo;
    }

    LineSpans spans;
    qsizetype changed = 0;
    for (const Hunk& hunk : hunks) {
        const bool hasA = hunk.aTo > hunk.aFrom;
        const bool hasB = hunk.bTo > hunk.bFrom;
        TextSpan spanA = hasA ? spanOf(tokensA, hunk.aFrom, hunk.aTo) : TextSpan{};
        TextSpan spanB = hasB ? spanOf(tokensB, hunk.bFrom, hunk.bTo) : TextSpan{};
        if (hunk.aTo - hunk.aFrom == 1 && hunk.bTo - hunk.bFrom == 1 && tokensA[hunk.aFrom].word &&
            tokensB[hunk.bFrom].word)
            refineWord(a, b, spanA, spanB);
        if (spanA.length > 0) {
            spans.removed.append(spanA);
            changed += nonBlank(a.sliced(spanA.start, spanA.length));
        }
        if (spanB.length > 0) {
            spans.added.append(spanB);
            changed += nonBlank(b.sliced(spanB.start, spanB.length));
        }
    }

    // A rewritten line is marked by its row alone. Lines of blanks count every character.
    qsizetype total = nonBlank(a) + nonBlank(b);
    if (total == 0) {
        total = a.size() + b.size();
        changed = 0;
        for (const TextSpan& span : spans.removed)
            changed += span.length;
        for (const TextSpan& span : spans.added)
            changed += span.length;
    }
    if (2 * changed > total)
        return {};
    return spans;
}

} // namespace varnel
