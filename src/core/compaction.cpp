// SPDX-License-Identifier: GPL-3.0-or-later

// The slide pass: of the many shortest scripts, the one that reads best.
//
// The idea (as in xdiff's change compaction): a run of changed lines whose first line
// equals the line after it can slide down by one, and one whose last line equals the
// line before it can slide up, without changing the script's length. Each run is first
// slid as far up and then as far down as it goes, merging with runs it meets. If some
// position lines it up with a run of changes on the other side, it goes there (a
// replacement reads better than a removal next to an insertion). Otherwise it goes to
// the position whose two ends score best: ends at blank lines, and at lines indented
// less than what follows, the way a reader splits code into blocks. So a function added
// between two others starts at the blank line before it, not at the previous one's
// closing brace.
//
// The cost: O(N + M) plus the distance each run slides; the scoring looks at most 100
// positions per run, and at most 20 blank lines around each end.
//
// The invariant: the number of changed lines on each side never changes, and after
// every step the unchanged lines of the two sides still pair up in order, so the marks
// remain a shortest script.
#include "core/compaction.h"

#include <algorithm>

namespace varnel {

namespace {

constexpr int kMaxIndent = 200;
constexpr int kMaxBlanks = 20;
constexpr std::int64_t kMaxSliding = 100;

// The weights of the score, tuned on real code by the xdiff authors: a blank line near a
// split is good, and so is a split just before a line that is indented no deeper than
// what precedes it.
constexpr int kStartOfFilePenalty = 1;
constexpr int kEndOfFilePenalty = 21;
constexpr int kTotalBlankWeight = -30;
constexpr int kPostBlankWeight = 6;
constexpr int kRelativeIndentPenalty = -4;
constexpr int kRelativeIndentWithBlankPenalty = 10;
constexpr int kRelativeOutdentPenalty = 24;
constexpr int kRelativeOutdentWithBlankPenalty = 17;
constexpr int kRelativeDedentPenalty = 23;
constexpr int kRelativeDedentWithBlankPenalty = 17;
constexpr int kIndentWeight = 60;

// The marks of one side with a zero before the first line and after the last, so that
// runs can be walked without bounds checks.
class Side {
public:
    explicit Side(const CompactionSide& side)
        : m_ids(side.ids)
        , m_text(side.text)
        , m_size(side.text->size())
        , m_changed(size_t(m_size) + 2, 0)
        , m_indent(size_t(m_size), kUnknown)
    {
        std::copy(side.changed->begin(), side.changed->end(), m_changed.begin() + 1);
    }

    void store(std::vector<std::uint8_t>& out) const
    {
        std::copy(m_changed.begin() + 1, m_changed.end() - 1, out.begin());
    }

    std::int64_t size() const { return m_size; }
    bool changed(std::int64_t i) const { return m_changed[size_t(i + 1)] != 0; }
    void setChanged(std::int64_t i, bool value) { m_changed[size_t(i + 1)] = value; }
    bool same(std::int64_t i, std::int64_t j) const { return m_ids[i] == m_ids[j]; }

    // The width of a line's leading white space (a tab to the next multiple of 8), at
    // most kMaxIndent; -1 for a line of white space only.
    int indent(std::int64_t i)
    {
        int& cached = m_indent[size_t(i)];
        if (cached != kUnknown)
            return cached;
        const QUtf8StringView line = m_text->utf8(i);
        int width = 0;
        cached = -1;
        for (const char c : QByteArrayView(line.data(), line.size())) {
            if (c == ' ')
                ++width;
            else if (c == '\t')
                width += 8 - width % 8;
            else if (c == '\f' || c == '\v' || c == '\r' || c == '\n')
                continue;
            else {
                cached = width;
                break;
            }
            if (width >= kMaxIndent) {
                cached = kMaxIndent;
                break;
            }
        }
        return cached;
    }

private:
    static constexpr int kUnknown = -2;
    const std::uint32_t* m_ids;
    const TextLines* m_text;
    std::int64_t m_size;
    std::vector<std::uint8_t> m_changed;
    std::vector<int> m_indent;
};

// A run of changed lines [start, end), possibly empty: the empty run at a position
// stands between two unchanged lines.
struct Group {
    std::int64_t start = 0;
    std::int64_t end = 0;
};

Group firstGroup(const Side& side)
{
    Group g;
    while (side.changed(g.end))
        ++g.end;
    return g;
}

bool nextGroup(const Side& side, Group& g)
{
    if (g.end == side.size())
        return false;
    g.start = g.end + 1;
    for (g.end = g.start; side.changed(g.end); ++g.end) {
    }
    return true;
}

bool previousGroup(const Side& side, Group& g)
{
    if (g.start == 0)
        return false;
    g.end = g.start - 1;
    for (g.start = g.end; side.changed(g.start - 1); --g.start) {
    }
    return true;
}

bool slideDown(Side& side, Group& g)
{
    if (g.end < side.size() && side.same(g.start, g.end)) {
        side.setChanged(g.start++, false);
        side.setChanged(g.end++, true);
        while (side.changed(g.end))
            ++g.end;
        return true;
    }
    return false;
}

bool slideUp(Side& side, Group& g)
{
    if (g.start > 0 && side.same(g.start - 1, g.end - 1)) {
        side.setChanged(--g.start, true);
        side.setChanged(--g.end, false);
        while (side.changed(g.start - 1))
            --g.start;
        return true;
    }
    return false;
}

struct Measurement {
    bool endOfFile = false;
    int indent = -1;     // of the line just after the split, -1 if blank
    int preBlank = 0;    // blank lines just before the split
    int preIndent = -1;  // of the first non-blank line before them
    int postBlank = 0;   // blank lines after the line just after the split
    int postIndent = -1; // of the first non-blank line after them
};

Measurement measureSplit(Side& side, std::int64_t split)
{
    Measurement m;
    if (split >= side.size()) {
        m.endOfFile = true;
    } else {
        m.indent = side.indent(split);
    }
    for (std::int64_t i = split - 1; i >= 0; --i) {
        m.preIndent = side.indent(i);
        if (m.preIndent != -1)
            break;
        if (++m.preBlank == kMaxBlanks) {
            m.preIndent = 0;
            break;
        }
    }
    for (std::int64_t i = split + 1; i < side.size(); ++i) {
        m.postIndent = side.indent(i);
        if (m.postIndent != -1)
            break;
        if (++m.postBlank == kMaxBlanks) {
            m.postIndent = 0;
            break;
        }
    }
    return m;
}

struct Score {
    int effectiveIndent = 0;
    int penalty = 0;
};

void addSplit(const Measurement& m, Score& s)
{
    if (m.preIndent == -1 && m.preBlank == 0)
        s.penalty += kStartOfFilePenalty;
    if (m.endOfFile)
        s.penalty += kEndOfFilePenalty;
    const int postBlank = m.indent == -1 ? 1 + m.postBlank : 0;
    const int totalBlank = m.preBlank + postBlank;
    s.penalty += kTotalBlankWeight * totalBlank + kPostBlankWeight * postBlank;
    const int indent = m.indent != -1 ? m.indent : m.postIndent;
    const bool anyBlanks = totalBlank != 0;
    s.effectiveIndent += indent;
    if (indent == -1 || m.preIndent == -1) {
    } else if (indent > m.preIndent) {
        s.penalty += anyBlanks ? kRelativeIndentWithBlankPenalty : kRelativeIndentPenalty;
    } else if (indent == m.preIndent) {
    } else if (m.postIndent != -1 && m.postIndent > indent) {
        s.penalty += anyBlanks ? kRelativeOutdentWithBlankPenalty : kRelativeOutdentPenalty;
    } else {
        s.penalty += anyBlanks ? kRelativeDedentWithBlankPenalty : kRelativeDedentPenalty;
    }
}

// Negative when s1 is better (lower).
int compare(const Score& s1, const Score& s2)
{
    const int indents = (s1.effectiveIndent > s2.effectiveIndent) - (s1.effectiveIndent < s2.effectiveIndent);
    return kIndentWeight * indents + (s1.penalty - s2.penalty);
}

void compactSide(Side& side, Side& other, DiffControl& control)
{
    Group g = firstGroup(side);
    Group go = firstGroup(other);
    for (;;) {
        if (g.end != g.start) {
            std::int64_t groupSize = 0;
            std::int64_t earliestEnd = 0;
            std::int64_t endMatchingOther = -1;
            do {
                groupSize = g.end - g.start;
                endMatchingOther = -1;
                while (slideUp(side, g)) {
                    previousGroup(other, go);
                    control.tick(1);
                }
                earliestEnd = g.end;
                if (go.end > go.start)
                    endMatchingOther = g.end;
                while (slideDown(side, g)) {
                    nextGroup(other, go);
                    control.tick(1);
                    if (go.end > go.start)
                        endMatchingOther = g.end;
                }
            } while (groupSize != g.end - g.start);

            if (g.end == earliestEnd) {
                // It cannot move.
            } else if (endMatchingOther != -1) {
                // Line it up with the change on the other side.
                while (go.end == go.start) {
                    slideUp(side, g);
                    previousGroup(other, go);
                }
            } else {
                std::int64_t shift = std::max({earliestEnd, g.end - groupSize - 1, g.end - kMaxSliding});
                std::int64_t bestShift = -1;
                Score best;
                for (; shift <= g.end; ++shift) {
                    Score score;
                    addSplit(measureSplit(side, shift), score);
                    addSplit(measureSplit(side, shift - groupSize), score);
                    if (bestShift == -1 || compare(score, best) <= 0) {
                        best = score;
                        bestShift = shift;
                    }
                }
                control.tick(std::uint64_t(kMaxSliding));
                while (g.end > bestShift) {
                    slideUp(side, g);
                    previousGroup(other, go);
                }
            }
        }
        if (!nextGroup(side, g))
            break;
        nextGroup(other, go);
    }
}

} // namespace

void compactChanges(CompactionSide left, CompactionSide right, DiffControl& control)
{
    Side a(left);
    Side b(right);
    compactSide(a, b, control);
    compactSide(b, a, control);
    a.store(*left.changed);
    b.store(*right.changed);
}

} // namespace varnel
