// SPDX-License-Identifier: GPL-3.0-or-later

// Shown rows against result rows. Outside a replacement a shown row is a result row moved
// up by the rows the replacements before it saved (min(removed, added) each); inside one,
// shown row k holds its k-th removed row on the left and its k-th added row on the right.
#include "reading/pairedrows.h"

#include <algorithm>

namespace varnel {

PairedRows PairedRows::oneByOne(qint64 rowCount)
{
    PairedRows rows;
    rows.m_rowCount = rowCount;
    rows.m_shownCount = rowCount;
    return rows;
}

PairedRows PairedRows::paired(const ChangeRuns& runs)
{
    PairedRows rows;
    rows.m_rowCount = runs.rowCount();
    qint64 saved = 0;
    const std::vector<ChangeRun>& all = runs.runs();
    for (std::size_t i = 0; i < all.size(); ++i) {
        const qint64 pairs = runs.pairedWithNext(i);
        if (pairs == 0)
            continue;
        rows.m_blocks.push_back({all[i].start, all[i].start - saved, all[i].length, all[i + 1].length});
        saved += pairs;
        ++i; // the added run is this block's
    }
    rows.m_blocks.shrink_to_fit();
    rows.m_shownCount = rows.m_rowCount - saved;
    return rows;
}

qint64 PairedRows::shownRowOf(qint64 row) const
{
    // The last block that starts at or before `row`.
    auto it = std::upper_bound(m_blocks.begin(), m_blocks.end(), row,
                               [](qint64 r, const Block& block) { return r < block.row; });
    if (it == m_blocks.begin())
        return row;
    const Block& block = *--it;
    const qint64 k = row - block.row;
    if (k < block.removed)
        return block.shown + k;
    if (k < block.rows())
        return block.shown + k - block.removed;
    return row - (block.row - block.shown) - (block.rows() - block.shownRows());
}

std::size_t PairedRows::blocksUpTo(qint64 shown, std::size_t hint) const
{
    const auto fits = [this, shown](std::size_t n) {
        return n <= m_blocks.size() && (n == 0 || m_blocks[n - 1].shown <= shown) &&
               (n == m_blocks.size() || shown < m_blocks[n].shown);
    };
    if (fits(hint))
        return hint;
    if (fits(hint + 1))
        return hint + 1;
    return std::size_t(std::upper_bound(m_blocks.begin(), m_blocks.end(), shown,
                                        [](qint64 s, const Block& block) { return s < block.shown; }) -
                       m_blocks.begin());
}

PairedRows::Sides PairedRows::sidesAt(qint64 shown) const
{
    std::size_t hint = 0;
    return sidesAt(shown, hint);
}

PairedRows::Sides PairedRows::sidesAt(qint64 shown, std::size_t& hint) const
{
    hint = blocksUpTo(shown, hint);
    if (hint == 0)
        return {shown, shown};
    const Block& block = m_blocks[hint - 1];
    const qint64 k = shown - block.shown;
    if (k >= block.shownRows()) {
        const qint64 row = shown + (block.row - block.shown) + (block.rows() - block.shownRows());
        return {row, row};
    }
    const qint64 removed = block.row + k;
    const qint64 added = block.row + block.removed + k;
    return {k < block.removed ? removed : added, k < block.added ? added : removed};
}

qint64 PairedRows::firstRowAt(qint64 shown) const
{
    const Sides sides = sidesAt(shown);
    return std::min(sides.left, sides.right);
}

} // namespace varnel
