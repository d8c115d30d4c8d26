// SPDX-License-Identifier: GPL-3.0-or-later

// Runs of changes and the pairing of a removed line with the added line that replaces it.
//
// The idea: the rows of a result come in runs of one kind. A run of removed rows that is
// directly followed by a run of added rows is one replacement, read in order: its first
// removed line became its first added line, and so on. Keeping the runs (not the rows)
// makes both the pairing and the change map independent of the unchanged rows.
//
// The cost: one pass over the result's change blocks (over the rows, for rows made by
// hand), and 16 bytes per run; a lookup is a binary search.
//
// The invariant: runs are in row order, do not overlap, never hold an unchanged row, a
// placeholder or a row of a block set aside by -B or -I, and two neighbouring runs of the
// same kind are always merged, so a removed run's partner is only ever the run that starts
// where it ends.
#include "reading/changeruns.h"

#include <algorithm>
#include <limits>

namespace varnel {

void ChangeRuns::add(qint64 start, qint64 length, DiffLineType type)
{
    constexpr qint64 kLongest = std::numeric_limits<std::int32_t>::max();
    while (length > 0) {
        if (!m_runs.empty()) {
            ChangeRun& last = m_runs.back();
            if (last.type == type && last.end() == start && last.length < kLongest) {
                const qint64 more = std::min(length, kLongest - last.length);
                last.length += std::int32_t(more);
                start += more;
                length -= more;
                continue;
            }
        }
        const qint64 now = std::min(length, kLongest);
        m_runs.push_back({start, std::int32_t(now), type});
        start += now;
        length -= now;
    }
}

ChangeRuns ChangeRuns::find(const DiffRows& lines)
{
    ChangeRuns found;
    found.m_rowCount = lines.size();
    const std::vector<DiffRows::Run>& runs = lines.runs();
    if (runs.empty()) {
        // Rows made by hand: one by one.
        qint64 row = -1;
        for (const DiffLine line : lines) {
            ++row;
            const DiffLineType type = line.type();
            if ((type == DiffLineType::added || type == DiffLineType::removed) && line.ignored() == IgnoredReason::none)
                found.add(row, 1, type);
        }
    } else {
        // A change block's rows are its pairs of a removed and an added row, then the rest
        // of the longer side; unchanged runs and placeholders hold no changes, nor do blocks
        // that -B or -I set aside.
        for (const DiffRows::Run& run : runs) {
            if (run.kind != DiffRows::Run::Kind::change || run.ignored != IgnoredReason::none)
                continue;
            const qint64 pairs = std::min(run.removed, run.inserted);
            for (qint64 k = 0; k < pairs; ++k) {
                found.add(run.firstRow + 2 * k, 1, DiffLineType::removed);
                found.add(run.firstRow + 2 * k + 1, 1, DiffLineType::added);
            }
            const qint64 rest = std::max(run.removed, run.inserted) - pairs;
            found.add(run.firstRow + 2 * pairs, rest,
                      run.removed > run.inserted ? DiffLineType::removed : DiffLineType::added);
        }
    }
    found.m_runs.shrink_to_fit();
    return found;
}

std::optional<std::size_t> ChangeRuns::runAt(qint64 row) const
{
    // The first run that ends after `row`.
    const auto it = std::upper_bound(m_runs.begin(), m_runs.end(), row,
                                     [](qint64 r, const ChangeRun& run) { return r < run.end(); });
    if (it == m_runs.end() || it->start > row)
        return std::nullopt;
    return std::size_t(it - m_runs.begin());
}

qint64 ChangeRuns::pairedWithNext(std::size_t run) const
{
    if (run + 1 >= m_runs.size())
        return 0;
    const ChangeRun& removed = m_runs[run];
    const ChangeRun& added = m_runs[run + 1];
    if (removed.type != DiffLineType::removed || added.type != DiffLineType::added || added.start != removed.end())
        return 0;
    return std::min(removed.length, added.length);
}

std::optional<qint64> ChangeRuns::partner(qint64 row) const
{
    const std::optional<std::size_t> at = runAt(row);
    if (!at)
        return std::nullopt;
    const ChangeRun& run = m_runs[*at];
    const qint64 k = row - run.start;
    if (run.type == DiffLineType::removed) {
        if (k >= pairedWithNext(*at))
            return std::nullopt;
        return run.end() + k;
    }
    if (*at == 0 || k >= pairedWithNext(*at - 1))
        return std::nullopt;
    return m_runs[*at - 1].start + k;
}

ChangeRuns::Counts ChangeRuns::countIn(qint64 first, qint64 end) const
{
    Counts counts;
    auto run = std::upper_bound(m_runs.begin(), m_runs.end(), first,
                                [](qint64 r, const ChangeRun& each) { return r < each.end(); });
    for (; run != m_runs.end() && run->start < end; ++run) {
        for (qint64 row = std::max(first, run->start); row < std::min(end, run->end()); ++row) {
            const std::optional<qint64> other = partner(row);
            if (!other)
                ++(run->type == DiffLineType::removed ? counts.removed : counts.added);
            else if (run->type == DiffLineType::removed || *other < first)
                ++counts.modified; // the pair's first row in the range counts it
        }
    }
    return counts;
}

} // namespace varnel
