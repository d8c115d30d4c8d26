// SPDX-License-Identifier: GPL-3.0-or-later

#include "core/diffengine.h"

#include "core/compaction.h"
#include "core/ignoredrows.h"
#include "core/lineinterner.h"

#include <algorithm>

namespace varnel {

namespace {

struct Counts {
    qint64 added = 0;
    qint64 removed = 0;
    qint64 modified = 0;
};

// Asks the cancel check each time another kLinesPerPoll lines have been walked (a few
// milliseconds at most), and remembers its answer.
class RowPoll {
public:
    explicit RowPoll(const CancelCheck& cancel) : m_cancel(cancel) {}
    bool stop(qint64 done)
    {
        if (!m_stopped && m_cancel && done >= m_next) {
            m_next = done + kLinesPerPoll;
            m_stopped = m_cancel();
        }
        return m_stopped;
    }
    bool stopped() const { return m_stopped; }

private:
    static constexpr qint64 kLinesPerPoll = 1 << 13;
    const CancelCheck& m_cancel;
    qint64 m_next = 0;
    bool m_stopped = false;
};

using Run = DiffRows::Run;

// Walks both documents along the edit script and cuts them into runs of rows: a maximal
// run of unchanged lines, or a change block where the walk stands on removed left lines
// and inserted right lines. A block of r removals and a insertions shows as min(r, a)
// pairs (removed, then added), each counting as one modification, then the rest of the
// longer side. Runs alternate, so every unchanged run between two others has a change on
// both sides. Costs O(n + m) time, and memory per run, not per line. Empty when
// cancelled.
std::vector<Run> walk(const TextLines& left, const TextLines& right, const EditScript& script, Counts& counts,
                      RowPoll& poll)
{
    const qsizetype n = left.size();
    const qsizetype m = right.size();
    const auto removed = [&](qsizetype i) { return i < n && script.removed.test(size_t(i)); };
    const auto inserted = [&](qsizetype j) { return j < m && script.inserted.test(size_t(j)); };
    constexpr qsizetype kStride = 1 << 13; // long runs ask the cancel check as they go
    std::vector<Run> runs;
    qsizetype i = 0;
    qsizetype j = 0;
    qint64 row = 0;
    while (i < n || j < m) {
        if (poll.stop(i + j))
            return {};
        Run run;
        run.firstRow = row;
        run.left = i;
        run.right = j;
        if (removed(i) || inserted(j)) {
            qsizetype r = 0;
            while (removed(i + r)) {
                if (++r % kStride == 0 && poll.stop(i + j + r))
                    return {};
            }
            qsizetype a = 0;
            while (inserted(j + a)) {
                if (++a % kStride == 0 && poll.stop(i + j + r + a))
                    return {};
            }
            const qint64 pairs = std::min(r, a);
            counts.modified += pairs;
            counts.removed += r - pairs;
            counts.added += a - pairs;
            run.kind = Run::Kind::change;
            run.removed = r;
            run.inserted = a;
        } else {
            qsizetype u = 0;
            while (i + u < n && j + u < m && !removed(i + u) && !inserted(j + u)) {
                if (++u % kStride == 0 && poll.stop(i + j + 2 * u))
                    return {};
            }
            // A consistent script leaves no line unpaired here: when one side is used up,
            // every remaining line of the other is a removal or an insertion.
            Q_ASSERT(u > 0);
            if (u == 0)
                break;
            run.kind = Run::Kind::unchanged;
            run.removed = u;
        }
        i += run.removed;
        j += run.kind == Run::Kind::change ? run.inserted : run.removed;
        row += run.rows();
        runs.push_back(run);
    }
    return runs;
}

// The counts of the change blocks that were not set aside.
Counts countChanges(const std::vector<Run>& runs)
{
    Counts counts;
    for (const Run& run : runs) {
        if (run.kind != Run::Kind::change || run.ignored != IgnoredReason::none)
            continue;
        const qint64 pairs = std::min(run.removed, run.inserted);
        counts.modified += pairs;
        counts.removed += run.removed - pairs;
        counts.added += run.inserted - pairs;
    }
    return counts;
}

// The stretches of rows in the unchanged run that starts at left line `left` and holds
// `length` lines, as [first, end) row offsets into the run, in order.
std::vector<std::pair<qint64, qint64>> markedIn(const std::vector<DiffRows::IgnoredStretch>* marked, qint64 left,
                                                qint64 length)
{
    std::vector<std::pair<qint64, qint64>> found;
    if (!marked)
        return found;
    auto it = std::upper_bound(marked->begin(), marked->end(), left,
                               [](qint64 line, const DiffRows::IgnoredStretch& s) { return line < s.left; });
    if (it != marked->begin() && std::prev(it)->left + std::prev(it)->length > left)
        --it;
    for (; it != marked->end() && it->left < left + length; ++it)
        found.emplace_back(std::max<qint64>(0, it->left - left), std::min(length, it->left + it->length - left));
    return found;
}

// Folds unchanged rows further than `context` rows from every change and from every row
// marked as differing in an ignored way into placeholders: an unchanged run keeps
// `context` rows after the change before it and before the change after it, and its
// marked rows with `context` rows around them, and the rest becomes placeholders. What the
// options ignored is shown, never folded away. A diff without changes comes back whole.
// Costs O(runs + marked stretches).
std::vector<Run> collapseUnchanged(const std::vector<Run>& runs, qint64 context, RowPoll& poll,
                                   const std::vector<DiffRows::IgnoredStretch>* marked = nullptr)
{
    const bool anyChange =
        std::any_of(runs.begin(), runs.end(), [](const Run& run) { return run.kind == Run::Kind::change; });
    if (!anyChange)
        return runs;
    std::vector<Run> out;
    out.reserve(runs.size() * 3 / 2 + 1);
    qint64 row = 0;
    const auto emit = [&](Run run) {
        run.firstRow = row;
        row += run.rows();
        out.push_back(run);
    };
    // Rows [from, to) of an unchanged run, shown or folded; shown rows that follow shown
    // rows of the same run extend them.
    const auto emitPart = [&](const Run& run, qint64 from, qint64 to, Run::Kind kind) {
        if (to <= from)
            return;
        Run* last = out.empty() ? nullptr : &out.back();
        if (kind == Run::Kind::unchanged && last && last->kind == kind &&
            last->left + last->removed == run.left + from) {
            last->removed += to - from;
            row += to - from;
            return;
        }
        emit(Run{0, run.left + from, run.right + from, to - from, 0, kind});
    };
    for (size_t index = 0; index < runs.size(); ++index) {
        if (poll.stop(qint64(index)))
            return {};
        const Run& run = runs[index];
        if (run.kind != Run::Kind::unchanged) {
            emit(run);
            continue;
        }
        const qint64 length = run.removed;
        // The rows kept, as [first, end) in order: after the change before, around each
        // marked stretch, before the change after.
        std::vector<std::pair<qint64, qint64>> kept;
        if (index > 0)
            kept.emplace_back(0, std::min(context, length));
        for (const auto& [first, end] : markedIn(marked, run.left, length))
            kept.emplace_back(std::max<qint64>(0, first - context), std::min(length, end + context));
        if (index + 1 < runs.size())
            kept.emplace_back(std::max<qint64>(0, length - context), length);
        qint64 done = 0;
        for (const auto& [first, end] : kept) {
            if (first > done)
                emitPart(run, done, first, Run::Kind::placeholder);
            if (end > done) {
                emitPart(run, std::max(done, first), end, Run::Kind::unchanged);
                done = end;
            }
        }
        emitPart(run, done, length, Run::Kind::placeholder);
    }
    return out;
}

} // namespace

// Prepares the problem the way xdiff does, but keeps only the steps that cannot cost
// minimality:
//  1. intern every line to an integer, so that comparing lines is comparing integers;
//  2. trim the common head and tail, which every shortest script leaves alone;
//  3. set aside lines that occur nowhere in the other side's remaining region: no common
//     subsequence can use them, so each is a removal (or an insertion) in every
//     shortest script, and dropping them leaves the longest common subsequence as is;
//  4. solve what remains (lcssolver.cpp) and map its marks back to the real lines;
//  5. slide runs of changes to where they read best (compaction.cpp).
std::optional<EditScript> DiffEngine::editScript(const TextLines& original, const TextLines& revised,
                                                 const DiffOptions& options)
{
    const size_t n = size_t(original.size());
    const size_t m = size_t(revised.size());
    DiffControl control(options.cancel, options.progress, n + m);
    try {
        control.checkNow(); // a comparison superseded before it started does no work at all
        const LineInterner::Ids ids =
            LineInterner::intern(original, revised, &LineInterner::hash, &control, options.compare);
        const std::vector<std::uint32_t>& a = ids.original;
        const std::vector<std::uint32_t>& b = ids.revised;

        size_t head = 0;
        while (head < n && head < m && a[head] == b[head])
            ++head;
        size_t tail = 0;
        while (tail < n - head && tail < m - head && a[n - 1 - tail] == b[m - 1 - tail])
            ++tail;
        const size_t endA = n - tail;
        const size_t endB = m - tail;
        control.settle(2 * (head + tail));

        std::vector<std::uint8_t> inA(ids.distinct, 0);
        std::vector<std::uint8_t> inB(ids.distinct, 0);
        for (size_t i = head; i < endA; ++i)
            inA[a[i]] = 1;
        for (size_t j = head; j < endB; ++j)
            inB[b[j]] = 1;

        std::vector<std::uint8_t> removedAll(n, 0), insertedAll(m, 0);
        std::vector<std::uint32_t> coreA, coreB;   // ids of lines with a partner
        std::vector<std::uint32_t> whereA, whereB; // their line indices
        for (size_t i = head; i < endA; ++i) {
            if (inB[a[i]]) {
                coreA.push_back(a[i]);
                whereA.push_back(std::uint32_t(i));
            } else {
                removedAll[i] = 1;
            }
        }
        for (size_t j = head; j < endB; ++j) {
            if (inA[b[j]]) {
                coreB.push_back(b[j]);
                whereB.push_back(std::uint32_t(j));
            } else {
                insertedAll[j] = 1;
            }
        }
        control.settle((endA - head - coreA.size()) + (endB - head - coreB.size()));

        std::vector<std::uint8_t> removed(coreA.size(), 0);
        std::vector<std::uint8_t> inserted(coreB.size(), 0);
        if (!minimalDiff(coreA, coreB, removed, inserted, control, options.algorithm))
            return std::nullopt;
        for (size_t r = 0; r < removed.size(); ++r)
            removedAll[whereA[r]] = removed[r];
        for (size_t r = 0; r < inserted.size(); ++r)
            insertedAll[whereB[r]] = inserted[r];

        if (options.slide) {
            compactChanges(CompactionSide{a.data(), &original, &removedAll},
                           CompactionSide{b.data(), &revised, &insertedAll}, control);
        }
        EditScript script{BitVector(n), BitVector(m)};
        for (size_t i = 0; i < n; ++i) {
            if (removedAll[i])
                script.removed.set(i);
        }
        for (size_t j = 0; j < m; ++j) {
            if (insertedAll[j])
                script.inserted.set(j);
        }
        control.checkNow();
        control.report();
        return script;
    } catch (const DiffCancelled&) {
        return std::nullopt;
    }
}

std::optional<EditScript> DiffEngine::editScript(const TextLines& original, const TextLines& revised,
                                                 const CancelCheck& cancel)
{
    return editScript(original, revised, DiffOptions{cancel, {}, DiffAlgorithm::automatic, true, {}});
}

std::optional<DiffResult> DiffEngine::compute(SharedLines original, SharedLines revised, bool collapseContext,
                                              const CancelCheck& cancel)
{
    const std::optional<EditScript> script = editScript(*original, *revised, cancel);
    if (!script)
        return std::nullopt;
    Counts counts;
    RowPoll poll(cancel);
    std::vector<Run> runs = walk(*original, *revised, *script, counts, poll);
    if (collapseContext && !poll.stopped())
        runs = collapseUnchanged(runs, kContextLines, poll);
    if (poll.stopped())
        return std::nullopt;
    DiffRows rows = DiffRows::fromRuns(std::move(runs), original, revised);
    return DiffResult(std::move(rows), counts.added, counts.removed, counts.modified, std::move(original),
                      std::move(revised));
}

DiffResult DiffEngine::compute(SharedLines original, SharedLines revised, bool collapseContext)
{
    return *compute(std::move(original), std::move(revised), collapseContext, CancelCheck());
}

DiffResult DiffEngine::compute(const QStringList& original, const QStringList& revised, bool collapseContext)
{
    return compute(TextLines::share(TextLines::fromStrings(original)),
                   TextLines::share(TextLines::fromStrings(revised)), collapseContext);
}

std::optional<DiffEngine::Results> DiffEngine::computeBoth(SharedLines original, SharedLines revised,
                                                           const CancelCheck& cancel)
{
    return computeBoth(std::move(original), std::move(revised),
                       DiffOptions{cancel, {}, DiffAlgorithm::automatic, true, {}});
}

std::optional<DiffEngine::Results> DiffEngine::computeBoth(SharedLines original, SharedLines revised,
                                                           const DiffOptions& options)
{
    const std::optional<EditScript> script = editScript(*original, *revised, options);
    if (!script)
        return std::nullopt;
    Counts counts;
    RowPoll poll(options.cancel);
    std::vector<Run> full = walk(*original, *revised, *script, counts, poll);
    if (poll.stopped() || (options.cancel && options.cancel()))
        return std::nullopt;
    // What the options hid, marked once on the full runs; the collapsed ones copy the
    // marks of their change blocks and share the marked stretches.
    std::shared_ptr<const std::vector<DiffRows::IgnoredStretch>> stretches;
    qint64 ignoredCount = 0;
    if (options.compare.ignoresAnything()) {
        std::optional<IgnoredRows> ignored =
            markIgnoredRows(full, *original, *revised, options.compare, options.cancel);
        if (!ignored)
            return std::nullopt;
        counts = countChanges(full);
        ignoredCount = ignored->count;
        stretches = std::make_shared<const std::vector<DiffRows::IgnoredStretch>>(std::move(ignored->stretches));
    }
    std::vector<Run> collapsed = collapseUnchanged(full, kContextLines, poll, stretches.get());
    if (poll.stopped())
        return std::nullopt;
    DiffRows fullRows = DiffRows::fromRuns(std::move(full), original, revised, stretches);
    DiffRows collapsedRows = DiffRows::fromRuns(std::move(collapsed), original, revised, stretches);
    Results results{
        DiffResult(std::move(collapsedRows), counts.added, counts.removed, counts.modified, original, revised),
        DiffResult(std::move(fullRows), counts.added, counts.removed, counts.modified, std::move(original),
                   std::move(revised)),
    };
    results.collapsed.setIgnoredCount(ignoredCount);
    results.full.setIgnoredCount(ignoredCount);
    return results;
}

} // namespace varnel
