// SPDX-License-Identifier: GPL-3.0-or-later

// The occurrences of a query in a result, counted once and numbered.
//
// The idea: counting is a pass over every row's text, too long for a keystroke on a
// million rows, so it runs away from the window and can be abandoned. What it keeps is
// per matching row (the row and the number of occurrences before it), which is enough
// to number any occurrence, and to find any by number, with a binary search; the
// position of an occurrence within its row is found again from the row's text when
// needed.
//
// The cost: O(text) for the pass; 16 bytes per matching row; O(log rows) a lookup.
//
// The invariant: rows are increasing, `before` is strictly increasing and the last row's
// count is total − before.
#include "reading/matchindex.h"

#include <algorithm>

namespace varnel {

namespace {

constexpr qsizetype kRowsBetweenChecks = 4096;

} // namespace

std::optional<MatchIndex> MatchIndex::build(const DiffRows& rows, const TextMatcher& matcher,
                                            const std::function<bool()>& cancelled)
{
    MatchIndex index;
    if (matcher.isEmpty())
        return index;
    qsizetype row = -1;
    for (const DiffLine line : rows) { // in order: rows are made from their runs as they come
        ++row;
        if (row % kRowsBetweenChecks == 0 && cancelled && cancelled())
            return std::nullopt;
        qsizetype found = matcher.count(line.content());
        if (line.sidesDiffer())
            found += matcher.count(line.rightContent());
        if (found == 0)
            continue;
        index.m_rows.push_back({row, index.m_total});
        index.m_total += found;
    }
    index.m_rows.shrink_to_fit();
    return index;
}

MatchIndex::Match MatchIndex::first(std::size_t hitsIndex) const
{
    return {m_rows[hitsIndex].before, m_rows[hitsIndex].row, 0};
}

MatchIndex::Match MatchIndex::at(qint64 index) const
{
    index = std::clamp<qint64>(index, 0, std::max<qint64>(0, m_total - 1));
    const auto it = std::upper_bound(m_rows.begin(), m_rows.end(), index,
                                     [](qint64 i, const RowHits& hits) { return i < hits.before; });
    const RowHits& hits = *(it - 1);
    return {index, hits.row, index - hits.before};
}

std::optional<MatchIndex::Match> MatchIndex::firstFrom(qint64 row) const
{
    if (m_rows.empty())
        return std::nullopt;
    const auto it =
        std::lower_bound(m_rows.begin(), m_rows.end(), row, [](const RowHits& hits, qint64 r) { return hits.row < r; });
    return first(it == m_rows.end() ? 0 : std::size_t(it - m_rows.begin()));
}

std::optional<MatchIndex::Match> MatchIndex::lastBefore(qint64 row) const
{
    if (m_rows.empty())
        return std::nullopt;
    const auto it =
        std::lower_bound(m_rows.begin(), m_rows.end(), row, [](const RowHits& hits, qint64 r) { return hits.row < r; });
    const std::size_t hitsIndex = it == m_rows.begin() ? m_rows.size() - 1 : std::size_t(it - m_rows.begin()) - 1;
    const qint64 end = hitsIndex + 1 < m_rows.size() ? m_rows[hitsIndex + 1].before : m_total;
    return Match{end - 1, m_rows[hitsIndex].row, end - 1 - m_rows[hitsIndex].before};
}

qint64 MatchIndex::countBefore(qint64 row) const
{
    const auto it =
        std::lower_bound(m_rows.begin(), m_rows.end(), row, [](const RowHits& hits, qint64 r) { return hits.row < r; });
    return it == m_rows.end() ? m_total : it->before;
}

qint64 MatchIndex::countBetween(qint64 fromRow, qint64 toRow) const
{
    return toRow > fromRow ? countBefore(toRow) - countBefore(fromRow) : 0;
}

qint64 MatchIndex::countIn(qint64 row) const
{
    const auto it =
        std::lower_bound(m_rows.begin(), m_rows.end(), row, [](const RowHits& hits, qint64 r) { return hits.row < r; });
    if (it == m_rows.end() || it->row != row)
        return 0;
    const qint64 end = it + 1 != m_rows.end() ? (it + 1)->before : m_total;
    return end - it->before;
}

} // namespace varnel
