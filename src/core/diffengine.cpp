#include "core/diffengine.h"

#include "core/compaction.h"
#include "core/lineinterner.h"
#include "core/uuidgenerator.h"

#include <algorithm>

namespace varnel {

namespace {

struct Counts {
    qint64 added = 0;
    qint64 removed = 0;
    qint64 modified = 0;
};

// Walks both documents along the edit script and emits one row per line. Where the walk
// stands on a removed left line and an inserted right line at once, it emits them as a
// pair (removed, then added) that counts as one modification; so a block of r removals
// and a insertions gives min(r, a) pairs and then the rest of the longer side.
// Asks the cancel check once every kRowsPerPoll rows (a few milliseconds at most), and
// remembers its answer.
class RowPoll {
public:
    explicit RowPoll(const CancelCheck& cancel) : m_cancel(cancel) {}
    bool stop(qsizetype row)
    {
        if (!m_stopped && m_cancel && (row & (kRowsPerPoll - 1)) == 0)
            m_stopped = m_cancel();
        return m_stopped;
    }
    bool stopped() const { return m_stopped; }

private:
    static constexpr qsizetype kRowsPerPoll = 1 << 13;
    const CancelCheck& m_cancel;
    bool m_stopped = false;
};

QList<DiffLine> walk(const TextLines& left, const TextLines& right, const EditScript& script, UuidGenerator& ids,
                     Counts& counts, RowPoll& poll)
{
    const qsizetype n = left.size();
    const qsizetype m = right.size();
    QList<DiffLine> rows;
    rows.reserve(m + qsizetype(script.removed.count()));
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < n || j < m) {
        if (poll.stop(rows.size()))
            return {};
        const bool removal = i < n && script.removed.test(size_t(i));
        const bool insertion = j < m && script.inserted.test(size_t(j));
        if (removal && insertion) {
            rows.emplace_back(ids.next(), i + 1, std::nullopt, left.utf8(i), DiffLineType::removed);
            rows.emplace_back(ids.next(), std::nullopt, j + 1, right.utf8(j), DiffLineType::added);
            ++i;
            ++j;
            ++counts.modified;
        } else if (insertion) {
            rows.emplace_back(ids.next(), std::nullopt, j + 1, right.utf8(j), DiffLineType::added);
            ++j;
            ++counts.added;
        } else if (removal) {
            rows.emplace_back(ids.next(), i + 1, std::nullopt, left.utf8(i), DiffLineType::removed);
            ++i;
            ++counts.removed;
        } else {
            // A consistent script leaves no line unpaired here: when one side is used up,
            // every remaining line of the other is a removal or an insertion.
            Q_ASSERT(i < n && j < m);
            rows.emplace_back(ids.next(), i + 1, j + 1, left.utf8(i), DiffLineType::unchanged);
            ++i;
            ++j;
        }
    }
    return rows;
}

// Folds unchanged rows further than `context` rows from every change into placeholders.
// Rows kept are copied under new ids from `ids`, so the outcome is an independent
// result. A diff without changes comes back whole.
QList<DiffLine> collapseUnchanged(const QList<DiffLine>& rows, qint64 context, UuidGenerator& ids, RowPoll& poll)
{
    const qsizetype n = rows.size();
    // shown[k]: row k is a change, or within `context` rows of one. Two sweeps, one
    // carrying the distance from the last change forwards, one from the next backwards.
    std::vector<std::uint8_t> shown(size_t(n), 0);
    bool anyChange = false;
    qint64 sinceChange = context + 1;
    for (qsizetype k = 0; k < n; ++k) {
        if (rows[k].type() != DiffLineType::unchanged) {
            sinceChange = 0;
            anyChange = true;
        } else if (sinceChange <= context) {
            ++sinceChange;
        }
        shown[size_t(k)] = sinceChange <= context;
    }
    QList<DiffLine> out;
    if (!anyChange) {
        out.reserve(n);
        for (const DiffLine& row : rows) {
            if (poll.stop(out.size()))
                return {};
            out.append(row.withId(ids.next()));
        }
        return out;
    }
    qint64 untilChange = context + 1;
    for (qsizetype k = n - 1; k >= 0; --k) {
        if (rows[k].type() != DiffLineType::unchanged)
            untilChange = 0;
        else if (untilChange <= context)
            ++untilChange;
        shown[size_t(k)] |= untilChange <= context;
    }

    for (qsizetype k = 0; k < n;) {
        if (poll.stop(k))
            return {};
        if (shown[size_t(k)]) {
            out.append(rows[k].withId(ids.next()));
            ++k;
            continue;
        }
        const qsizetype start = k;
        while (k < n && !shown[size_t(k)])
            ++k;
        out.emplace_back(ids.next(), rows[start].leftLineNumber(), rows[start].rightLineNumber(), QUtf8StringView(),
                         DiffLineType::contextCollapsed, k - start);
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
        const LineInterner::Ids ids = LineInterner::intern(original, revised, &LineInterner::hash, &control);
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
    return editScript(original, revised, DiffOptions{cancel, {}, DiffAlgorithm::automatic, true});
}

std::optional<DiffResult> DiffEngine::compute(SharedLines original, SharedLines revised, bool collapseContext,
                                              const CancelCheck& cancel)
{
    const std::optional<EditScript> script = editScript(*original, *revised, cancel);
    if (!script)
        return std::nullopt;
    UuidGenerator ids;
    Counts counts;
    RowPoll poll(cancel);
    QList<DiffLine> rows = walk(*original, *revised, *script, ids, counts, poll);
    if (collapseContext && !poll.stopped())
        rows = collapseUnchanged(rows, kContextLines, ids, poll);
    if (poll.stopped())
        return std::nullopt;
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
                       DiffOptions{cancel, {}, DiffAlgorithm::automatic, true});
}

std::optional<DiffEngine::Results> DiffEngine::computeBoth(SharedLines original, SharedLines revised,
                                                           const DiffOptions& options)
{
    const std::optional<EditScript> script = editScript(*original, *revised, options);
    if (!script)
        return std::nullopt;
    UuidGenerator ids;
    Counts counts;
    RowPoll poll(options.cancel);
    QList<DiffLine> full = walk(*original, *revised, *script, ids, counts, poll);
    if (poll.stopped() || (options.cancel && options.cancel()))
        return std::nullopt;
    QList<DiffLine> collapsed = collapseUnchanged(full, kContextLines, ids, poll);
    if (poll.stopped())
        return std::nullopt;
    return Results{
        DiffResult(std::move(collapsed), counts.added, counts.removed, counts.modified, original, revised),
        DiffResult(std::move(full), counts.added, counts.removed, counts.modified, std::move(original),
                   std::move(revised)),
    };
}

} // namespace varnel
