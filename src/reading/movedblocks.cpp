// SPDX-License-Identifier: GPL-3.0-or-later

// Blocks that were moved: removed in one place and added, line for line, in another.
//
// The idea: every removed line is hashed into one sorted index. Walking the added lines
// in order, each added line looks up the removed lines equal to it, and a pair that does
// not continue a pair before it on the same diagonal (the previous removed line against
// the previous added line) starts a run of equal lines, followed to its end. Lines that
// occur more than kMaxCandidates times among the removed ones start nothing (blank lines,
// braces), but runs go on through them. Runs on one diagonal separated by at most
// kMaxEditedRun lines that pair as edits of each other (the pairing that gives a modified
// line its within-line spans: LineSpans finds an edit, not a rewrite) are joined, and a
// run of two equal lines or more takes up to kMaxEditedRun edited lines at either end.
// Then the longest runs are taken first; a run that overlaps one already taken keeps only
// its longest free stretch and waits its turn again. A run becomes a move when its equal
// lines hold at least kMinLines lines that are not blank and kMinCharacters characters
// that are not white space, and outnumber its edited lines. A removed line and an
// added line of the same change block never pair: that is an edit in place.
//
// The cost: O(R log R + A log A) for R removed and A added lines (two sorts by hash, then
// one merge, so no lookup searches), plus the length of the runs found (each diagonal is
// walked once: a run that reaches back to an earlier starting point is left to it), plus
// at most four word-by-word comparisons per run found. Memory: 32 bytes per changed line,
// 16 per removed line for the index, 16 per added line for where its equals stand (and 16
// more while sorting), and at most kRunsPerLine + 1 runs of 24 bytes per added line: once
// that many are kept, only lines with a single equal start runs.
//
// The invariant: blocks are disjoint on each side; within a block, the k-th removed line
// and the k-th added line are equal or pair as an edit; a block never holds an unchanged
// row, a row set aside by -B or -I, nor a removed and an added row of one change block.
#include "reading/movedblocks.h"

#include "reading/linespans.h"

#include <QHash>
#include <queue>

#include <algorithm>
#include <cstring>
#include <new>

namespace varnel {

struct MovedBlocks::Data {
    std::vector<MovedBlock> blocks; // by left line
    std::vector<qsizetype> byRight; // indexes into blocks, by right line
    Work work;
};

namespace {

// One removed or added line of a change.
struct Line {
    const char* data = nullptr;
    qint64 size = 0;
    qint64 number = 0; // 1-based
    qint64 group = 0;  // the change block it belongs to
};

// A run of pairs on one diagonal: removed[i + k] against added[j + k] for k < length.
struct Run {
    qint64 i = 0;
    qint64 j = 0;
    qint64 length = 0;
};

void collect(const DiffResult& result, std::vector<Line>& removed, std::vector<Line>& added)
{
    const DiffRows& rows = result.lines();
    const std::vector<DiffRows::Run>& runs = rows.runs();
    if (!runs.empty() && result.original() && result.revised()) {
        qint64 group = 0;
        for (const DiffRows::Run& run : runs) {
            if (run.kind != DiffRows::Run::Kind::change || run.ignored != IgnoredReason::none)
                continue;
            ++group;
            for (qint64 k = 0; k < run.removed; ++k) {
                const QUtf8StringView text = result.original()->utf8(run.left + k);
                removed.push_back({text.data(), text.size(), run.left + k + 1, group});
            }
            for (qint64 k = 0; k < run.inserted; ++k) {
                const QUtf8StringView text = result.revised()->utf8(run.right + k);
                added.push_back({text.data(), text.size(), run.right + k + 1, group});
            }
        }
        return;
    }
    // Rows made by hand: a change block is a stretch of removed and added rows.
    qint64 group = 1;
    for (const DiffLine row : rows) {
        const bool change = row.type() == DiffLineType::added || row.type() == DiffLineType::removed;
        if (!change || row.ignored() != IgnoredReason::none) {
            ++group;
            continue;
        }
        const QUtf8StringView text = row.content();
        if (row.type() == DiffLineType::removed)
            removed.push_back({text.data(), text.size(), row.leftLineNumber().value_or(0), group});
        else
            added.push_back({text.data(), text.size(), row.rightLineNumber().value_or(0), group});
    }
    // Hand-made rows may come in any order; runs need each side in line order.
    const auto byNumber = [](const Line& a, const Line& b) { return a.number < b.number; };
    std::stable_sort(removed.begin(), removed.end(), byNumber);
    std::stable_sort(added.begin(), added.end(), byNumber);
}

std::size_t hashOf(const Line& line)
{
    return qHash(QByteArrayView(line.data, line.size));
}

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

// Characters that are not white space (code points: UTF-8 continuation bytes do not count).
qint64 visibleCharacters(const Line& line)
{
    qint64 count = 0;
    for (qint64 k = 0; k < line.size; ++k) {
        const auto byte = static_cast<unsigned char>(line.data[k]);
        if (!isSpace(line.data[k]) && (byte & 0xC0) != 0x80)
            ++count;
    }
    return count;
}

class Finder {
public:
    Finder(const std::vector<Line>& removed, const std::vector<Line>& added, MovedBlocks::Work& work)
        : m_removed(removed)
        , m_added(added)
        , m_work(work)
    {
        m_index.reserve(removed.size());
        for (std::size_t i = 0; i < removed.size(); ++i)
            m_index.emplace_back(hashOf(removed[i]), qint64(i));
        std::sort(m_index.begin(), m_index.end());
        findBuckets();
    }

    // Runs of equal lines, each once; empty when cancelled.
    std::optional<std::vector<Run>> equalRuns(const CancelCheck& cancel)
    {
        std::vector<Run> runs;
        const qint64 budget = MovedBlocks::kRunsPerLine * qint64(m_added.size()) + MovedBlocks::kRunsSlack;
        bool previousSeeds = false;
        for (qint64 j = 0; j < qint64(m_added.size()); ++j) {
            if ((j & 4095) == 0 && cancel && cancel())
                return std::nullopt;
            const auto [first, last] = candidates(j);
            const qint64 count = qint64(last - first);
            const bool seeds = count > 0 && count <= MovedBlocks::kMaxCandidates &&
                               (count == 1 || qint64(runs.size()) + count <= budget);
            if (seeds) {
                for (auto it = first; it != last; ++it) {
                    if (const std::optional<Run> run = runFrom(it->second, j, previousSeeds))
                        runs.push_back(*run);
                }
            }
            previousSeeds = seeds;
        }
        m_work.segments = qint64(runs.size());
        return runs;
    }

    // Joins runs of one diagonal across a few edited lines, then lets runs of two lines or
    // more take a few edited lines at either end.
    std::optional<std::vector<Run>> joinEdits(std::vector<Run> runs, const CancelCheck& cancel)
    {
        std::sort(runs.begin(), runs.end(), [](const Run& a, const Run& b) {
            return a.i - a.j != b.i - b.j ? a.i - a.j < b.i - b.j : a.j < b.j;
        });
        std::vector<Run> joined;
        for (const Run& run : runs) {
            if (!joined.empty() && joinable(joined.back(), run))
                joined.back().length = run.j + run.length - joined.back().j;
            else
                joined.push_back(run);
        }
        for (std::size_t n = 0; n < joined.size(); ++n) {
            if ((n & 4095) == 0 && cancel && cancel())
                return std::nullopt;
            Run& run = joined[n];
            if (run.length < 2)
                continue;
            for (qint64 k = 0;
                 k < MovedBlocks::kMaxEditedRun && continues(run.i + run.length, run.j + run.length, true); ++k)
                ++run.length;
            for (qint64 k = 0; k < MovedBlocks::kMaxEditedRun && precedes(run.i, run.j, true); ++k) {
                --run.i;
                --run.j;
                ++run.length;
            }
        }
        return joined;
    }

    // The longest runs first, each line in one move at most.
    std::optional<std::vector<MovedBlock>> choose(const std::vector<Run>& runs, const CancelCheck& cancel)
    {
        const auto shorter = [](const Run& a, const Run& b) {
            if (a.length != b.length)
                return a.length < b.length;
            return a.j != b.j ? a.j > b.j : a.i > b.i;
        };
        std::priority_queue<Run, std::vector<Run>, decltype(shorter)> queue(shorter);
        for (const Run& run : runs) {
            if (run.length >= MovedBlocks::kMinLines)
                queue.push(run);
        }
        std::vector<bool> removedTaken(m_removed.size());
        std::vector<bool> addedTaken(m_added.size());
        std::vector<MovedBlock> blocks;
        for (std::uint64_t n = 0; !queue.empty(); ++n) {
            if ((n & 4095) == 0 && cancel && cancel())
                return std::nullopt;
            const Run run = queue.top();
            queue.pop();
            const Run free = longestFree(run, removedTaken, addedTaken);
            if (free.length < run.length) {
                if (free.length >= MovedBlocks::kMinLines)
                    queue.push(free);
                continue;
            }
            if (!isMove(run))
                continue;
            for (qint64 k = 0; k < run.length; ++k) {
                removedTaken[std::size_t(run.i + k)] = true;
                addedTaken[std::size_t(run.j + k)] = true;
            }
            blocks.push_back({m_removed[std::size_t(run.i)].number, m_added[std::size_t(run.j)].number, run.length});
        }
        return blocks;
    }

private:
    using Entry = std::pair<std::size_t, qint64>; // hash, removed index
    using Range = std::pair<std::vector<Entry>::const_iterator, std::vector<Entry>::const_iterator>;

    // Where each added line's equals stand in the index: the added lines sorted by hash
    // and merged with it, so that no lookup searches (a binary search per line is a cache
    // miss per step on a large index, seconds on a million lines).
    void findBuckets()
    {
        std::vector<Entry> added;
        added.reserve(m_added.size());
        for (std::size_t j = 0; j < m_added.size(); ++j)
            added.emplace_back(hashOf(m_added[j]), qint64(j));
        std::sort(added.begin(), added.end());
        m_bucketStart.assign(m_added.size(), 0);
        m_bucketSize.assign(m_added.size(), 0);
        std::size_t from = 0;
        for (std::size_t k = 0; k < added.size();) {
            const std::size_t hash = added[k].first;
            while (from < m_index.size() && m_index[from].first < hash)
                ++from;
            std::size_t to = from;
            while (to < m_index.size() && m_index[to].first == hash)
                ++to;
            for (; k < added.size() && added[k].first == hash; ++k) {
                m_bucketStart[std::size_t(added[k].second)] = qint64(from);
                m_bucketSize[std::size_t(added[k].second)] = qint64(to - from);
            }
            from = to;
        }
    }

    Range candidates(qint64 j) const
    {
        const auto first = m_index.begin() + m_bucketStart[std::size_t(j)];
        return {first, first + m_bucketSize[std::size_t(j)]};
    }

    bool seeds(qint64 j) const
    {
        const auto [first, last] = candidates(j);
        return last > first && last - first <= MovedBlocks::kMaxCandidates;
    }

    bool sameText(qint64 i, qint64 j)
    {
        ++m_work.comparisons;
        const Line& a = m_removed[std::size_t(i)];
        const Line& b = m_added[std::size_t(j)];
        return a.size == b.size && std::memcmp(a.data, b.data, std::size_t(a.size)) == 0;
    }

    bool editOf(qint64 i, qint64 j)
    {
        ++m_work.editChecks;
        const Line& a = m_removed[std::size_t(i)];
        const Line& b = m_added[std::size_t(j)];
        if (a.size > 4 * LineSpans::kMaxLength || b.size > 4 * LineSpans::kMaxLength)
            return false;
        return !LineSpans::compute(QString::fromUtf8(a.data, a.size), QString::fromUtf8(b.data, b.size)).isEmpty();
    }

    // Whether removed[i] and added[j] may stand in one move.
    bool pairs(qint64 i, qint64 j, bool edits)
    {
        if (m_removed[std::size_t(i)].group == m_added[std::size_t(j)].group)
            return false;
        return sameText(i, j) || (edits && editOf(i, j));
    }

    // Whether the pair (i, j) continues the pair (i - 1, j - 1): both lines follow their
    // predecessors in their files, and they pair.
    bool continues(qint64 i, qint64 j, bool edits) { return continues(i, j, edits, i, j); }

    // Whether (i, j) follows (i - 1, j - 1) in both files, and the pair (pairI, pairJ),
    // one of the two, pairs.
    bool continues(qint64 i, qint64 j, bool edits, qint64 pairI, qint64 pairJ)
    {
        if (i <= 0 || j <= 0 || i >= qint64(m_removed.size()) || j >= qint64(m_added.size()))
            return false;
        if (m_removed[std::size_t(i)].number != m_removed[std::size_t(i - 1)].number + 1 ||
            m_added[std::size_t(j)].number != m_added[std::size_t(j - 1)].number + 1)
            return false;
        return pairs(pairI, pairJ, edits);
    }

    // Whether the pair (i - 1, j - 1) comes before (i, j) on its diagonal: both lines are
    // the predecessors of theirs in their files, and they pair.
    bool precedes(qint64 i, qint64 j, bool edits) { return continues(i, j, edits, i - 1, j - 1); }

    // The run of equal lines through (i, j), unless the pair is no pair or another
    // starting point owns the run: a pair before it on the diagonal that was itself a
    // starting point (its added line had few enough candidates).
    std::optional<Run> runFrom(qint64 i, qint64 j, bool previousSeeds)
    {
        ++m_work.candidates;
        if (!pairs(i, j, false))
            return std::nullopt;
        qint64 back = 0;
        if (precedes(i, j, false)) {
            if (previousSeeds)
                return std::nullopt;
            back = 1;
            while (precedes(i - back, j - back, false)) {
                if (seeds(j - back - 1))
                    return std::nullopt;
                ++back;
            }
        }
        qint64 ahead = 1;
        while (continues(i + ahead, j + ahead, false))
            ++ahead;
        return Run{i - back, j - back, back + ahead};
    }

    // Whether `next`, on the same diagonal as `run` and after it, is reached across at
    // most kMaxEditedRun edited lines.
    bool joinable(const Run& run, const Run& next)
    {
        if (run.i - run.j != next.i - next.j)
            return false;
        const qint64 end = run.j + run.length;
        if (next.j - end < 1 || next.j - end > MovedBlocks::kMaxEditedRun)
            return false;
        const qint64 d = run.i - run.j;
        for (qint64 j = end; j < next.j; ++j) {
            if (!continues(j + d, j, true))
                return false;
        }
        return continues(next.i, next.j, true);
    }

    static Run longestFree(const Run& run, const std::vector<bool>& removedTaken, const std::vector<bool>& addedTaken)
    {
        Run best{run.i, run.j, 0};
        qint64 start = 0;
        for (qint64 k = 0; k <= run.length; ++k) {
            const bool free =
                k < run.length && !removedTaken[std::size_t(run.i + k)] && !addedTaken[std::size_t(run.j + k)];
            if (free)
                continue;
            if (k - start > best.length)
                best = {run.i + start, run.j + start, k - start};
            start = k + 1;
        }
        return best;
    }

    // The thresholds count the block's equal lines only: edited lines pair too easily
    // (records that differ in a number, a function's signature and its neighbour's) to
    // carry a block, so they only ride along with equal lines that make one alone.
    bool isMove(const Run& run)
    {
        qint64 lines = 0;
        qint64 characters = 0;
        qint64 equal = 0;
        for (qint64 k = 0; k < run.length; ++k) {
            if (!sameText(run.i + k, run.j + k))
                continue;
            const qint64 visible = visibleCharacters(m_removed[std::size_t(run.i + k)]);
            ++equal;
            lines += visible > 0 ? 1 : 0;
            characters += visible;
        }
        return lines >= MovedBlocks::kMinLines && characters >= MovedBlocks::kMinCharacters && 2 * equal > run.length;
    }

    const std::vector<Line>& m_removed;
    const std::vector<Line>& m_added;
    MovedBlocks::Work& m_work;
    std::vector<Entry> m_index;
    std::vector<qint64> m_bucketStart; // per added line, into m_index
    std::vector<qint64> m_bucketSize;
};

} // namespace

MovedBlocks MovedBlocks::find(const DiffResult& result, const CancelCheck& cancel)
{
    // Moves are a reading over the result: when memory runs out they are left out, and the
    // comparison still shows, without them.
    try {
        return findOrThrow(result, cancel);
    } catch (const std::bad_alloc&) {
        return {};
    }
}

MovedBlocks MovedBlocks::findOrThrow(const DiffResult& result, const CancelCheck& cancel)
{
    auto data = std::make_shared<Data>();
    std::vector<Line> removed;
    std::vector<Line> added;
    collect(result, removed, added);
    data->work.removedLines = qint64(removed.size());
    data->work.addedLines = qint64(added.size());
    if (!removed.empty() && !added.empty()) {
        Finder finder(removed, added, data->work);
        std::optional<std::vector<Run>> runs = finder.equalRuns(cancel);
        if (runs)
            runs = finder.joinEdits(std::move(*runs), cancel);
        std::optional<std::vector<MovedBlock>> blocks;
        if (runs)
            blocks = finder.choose(*runs, cancel);
        if (!blocks)
            return {};
        data->blocks = std::move(*blocks);
    }
    std::sort(data->blocks.begin(), data->blocks.end(),
              [](const MovedBlock& a, const MovedBlock& b) { return a.left < b.left; });
    data->byRight.resize(data->blocks.size());
    for (std::size_t k = 0; k < data->byRight.size(); ++k)
        data->byRight[k] = qsizetype(k);
    std::sort(data->byRight.begin(), data->byRight.end(), [&data](qsizetype a, qsizetype b) {
        return data->blocks[std::size_t(a)].right < data->blocks[std::size_t(b)].right;
    });
    MovedBlocks found;
    found.m_data = std::move(data);
    return found;
}

const std::vector<MovedBlock>& MovedBlocks::blocks() const
{
    static const std::vector<MovedBlock> none;
    return m_data ? m_data->blocks : none;
}

MovedBlocks::Work MovedBlocks::work() const
{
    return m_data ? m_data->work : Work{};
}

std::optional<MoveEnd> MovedBlocks::removedAt(qint64 line) const
{
    const std::vector<MovedBlock>& all = blocks();
    const auto it =
        std::upper_bound(all.begin(), all.end(), line, [](qint64 l, const MovedBlock& b) { return l < b.left; });
    if (it == all.begin())
        return std::nullopt;
    const MovedBlock& block = *std::prev(it);
    if (line >= block.left + block.length)
        return std::nullopt;
    return MoveEnd{qsizetype(std::prev(it) - all.begin()), block.right + (line - block.left)};
}

std::optional<MoveEnd> MovedBlocks::addedAt(qint64 line) const
{
    if (!m_data)
        return std::nullopt;
    const std::vector<qsizetype>& order = m_data->byRight;
    const auto it = std::upper_bound(order.begin(), order.end(), line, [this](qint64 l, qsizetype b) {
        return l < m_data->blocks[std::size_t(b)].right;
    });
    if (it == order.begin())
        return std::nullopt;
    const qsizetype index = *std::prev(it);
    const MovedBlock& block = m_data->blocks[std::size_t(index)];
    if (line >= block.right + block.length)
        return std::nullopt;
    return MoveEnd{index, block.left + (line - block.right)};
}

std::optional<MoveEnd> MovedBlocks::of(const DiffLine& row) const
{
    if (row.ignored() != IgnoredReason::none)
        return std::nullopt;
    if (row.type() == DiffLineType::removed && row.leftLineNumber())
        return removedAt(*row.leftLineNumber());
    if (row.type() == DiffLineType::added && row.rightLineNumber())
        return addedAt(*row.rightLineNumber());
    return std::nullopt;
}

} // namespace varnel
