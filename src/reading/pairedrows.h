// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "reading/changeruns.h"

#include <cstdint>
#include <vector>

namespace varnel {

// The rows the side-by-side columns show, against the rows of a result. Shown one by one,
// row k of the result is shown row k. Paired, a removed line and the added line it became
// (ChangeRuns::partner) stand on one shown row, the old text on the left and the new on
// the right; a line without a partner keeps its row and faces a filler.
//
// Only the replacements are kept (a removed run directly followed by an added run), so it
// costs memory per change, not per line; each lookup is a binary search over them.
class PairedRows {
public:
    // The result row each column shows on one shown row. A column whose side has no line
    // there names the other side's row, which it shows as a filler; an unchanged row or a
    // placeholder names the same row on both.
    struct Sides {
        qint64 left = 0;
        qint64 right = 0;
        friend bool operator==(const Sides&, const Sides&) = default;
    };

    PairedRows() = default;
    // `rowCount` rows shown one by one.
    static PairedRows oneByOne(qint64 rowCount);
    // The rows of `runs`, each removed row beside its partner.
    static PairedRows paired(const ChangeRuns& runs);

    bool isPaired() const { return !m_blocks.empty(); }
    qint64 rowCount() const { return m_rowCount; }
    qint64 shownCount() const { return m_shownCount; }
    // The shown row of result row `row`; both halves of a pair give the same one.
    qint64 shownRowOf(qint64 row) const;
    // The result rows on shown row `shown`.
    Sides sidesAt(qint64 shown) const;
    // The same, for shown rows asked in order: `hint` (0 at first) keeps where the last
    // one was found, so the next costs no search.
    Sides sidesAt(qint64 shown, std::size_t& hint) const;
    // The first of them in the result: the removed half of a pair.
    qint64 firstRowAt(qint64 shown) const;
    // How many replacements are kept, for tests and measurements.
    std::size_t blockCount() const { return m_blocks.size(); }

private:
    // A replacement: `removed` rows from `row`, then `added` rows, on max(removed, added)
    // shown rows from `shown`.
    struct Block {
        qint64 row = 0;
        qint64 shown = 0;
        std::int32_t removed = 0;
        std::int32_t added = 0;
        qint64 rows() const { return qint64(removed) + added; }
        qint64 shownRows() const { return std::max<qint64>(removed, added); }
    };

    // How many blocks start at or before shown row `shown`; `hint` is tried first.
    std::size_t blocksUpTo(qint64 shown, std::size_t hint) const;

    std::vector<Block> m_blocks;
    qint64 m_rowCount = 0;
    qint64 m_shownCount = 0;
};

} // namespace varnel
