// SPDX-License-Identifier: GPL-3.0-or-later

// Rows of the collapsed result against rows of the full one.
//
// The idea: the collapsed result is the full one with some runs of unchanged rows each
// replaced by one placeholder, so the two row numbers differ by the rows hidden before a
// point, less one for each placeholder. Keeping only the placeholders makes both ways a
// binary search.
//
// The cost: one pass over the collapsed rows, 24 bytes per placeholder; O(log P) a lookup.
//
// The invariant: folds are in order in both results; toFull(toCollapsed(f)) == f for
// every shown row f, and toCollapsed(toFull(c)) == c for every row c that is not a
// placeholder.
#include "reading/foldedrows.h"

#include <algorithm>

namespace varnel {

FoldedRows FoldedRows::build(const DiffRows& collapsed)
{
    FoldedRows rows;
    qint64 full = 0;
    qsizetype row = -1;
    for (const DiffLine line : collapsed) {
        ++row;
        if (const std::optional<qint64> hidden = line.hiddenCount()) {
            rows.m_folds.push_back({row, full, *hidden});
            full += *hidden;
        } else {
            ++full;
        }
    }
    return rows;
}

qint64 FoldedRows::toFull(qint64 collapsedRow) const
{
    // The last placeholder at or before the row.
    const auto it = std::upper_bound(m_folds.begin(), m_folds.end(), collapsedRow,
                                     [](qint64 row, const Fold& fold) { return row < fold.collapsedRow; });
    if (it == m_folds.begin())
        return collapsedRow;
    const Fold& fold = *(it - 1);
    if (fold.collapsedRow == collapsedRow)
        return fold.fullStart;
    return fold.fullStart + fold.hidden + (collapsedRow - fold.collapsedRow - 1);
}

std::optional<qint64> FoldedRows::placeholderOf(qint64 fullRow) const
{
    const auto it = std::upper_bound(m_folds.begin(), m_folds.end(), fullRow,
                                     [](qint64 row, const Fold& fold) { return row < fold.fullStart; });
    if (it == m_folds.begin())
        return std::nullopt;
    const Fold& fold = *(it - 1);
    if (fullRow < fold.fullStart + fold.hidden)
        return fold.collapsedRow;
    return std::nullopt;
}

std::optional<FoldedRows::Hidden> FoldedRows::hiddenBy(qint64 collapsedRow) const
{
    const auto it = std::lower_bound(m_folds.begin(), m_folds.end(), collapsedRow,
                                     [](const Fold& fold, qint64 row) { return fold.collapsedRow < row; });
    if (it == m_folds.end() || it->collapsedRow != collapsedRow)
        return std::nullopt;
    return Hidden{it->fullStart, it->hidden};
}

std::optional<qint64> FoldedRows::toCollapsed(qint64 fullRow) const
{
    const auto it = std::upper_bound(m_folds.begin(), m_folds.end(), fullRow,
                                     [](qint64 row, const Fold& fold) { return row < fold.fullStart; });
    if (it == m_folds.begin())
        return fullRow;
    const Fold& fold = *(it - 1);
    if (fullRow < fold.fullStart + fold.hidden)
        return std::nullopt;
    return fold.collapsedRow + 1 + (fullRow - fold.fullStart - fold.hidden);
}

} // namespace varnel
