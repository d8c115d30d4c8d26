// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QtGlobal>

#include <cstdint>
#include <functional>
#include <vector>

namespace varnel {

// The heights of a view's rows when long lines wrap: each row is one or more screen lines
// tall. Only rows that have been laid out know their true number of lines; every other row
// keeps an estimate (estimateLines) until it is measured, so turning wrapping on costs one
// pass over the rows and no text layout.
//
// Per row it keeps the number of lines (15 bits) and whether it was measured (1 bit); per
// block of 16 rows, a Fenwick tree of their heights in pixels (64 bits): 2.5 bytes a row.
// A row's top, the row at a height and a change of one row's lines are O(log N) plus at
// most 15 additions, for a million rows as for ten.
//
// A row of n lines is `rowHeight + (n - 1) × lineStep` pixels tall: the first line has the
// row's insets above and below it, each further line adds the text's line spacing.
class RowHeights {
public:
    static constexpr int kMaxLines = 0x7fff;
    static constexpr qint64 kBlock = 16;

    // Where a scroll position stands: `offset` pixels below the top of `row`. Kept across a
    // correction of estimates, so what the user sees stays where it is.
    struct Anchor {
        qint64 row = 0;
        qint64 offset = 0;
    };

    RowHeights() = default;

    // `rows` rows, each `estimatedLines(row)` lines tall (clamped to 1..kMaxLines), none
    // of them measured.
    void reset(qint64 rows, int rowHeight, int lineStep, const std::function<int(qint64)>& estimatedLines);
    void clear();

    qint64 rowCount() const { return qint64(m_lines.size()); }
    int rowHeight() const { return m_rowHeight; }
    int lineStep() const { return m_lineStep; }

    int lines(qint64 row) const { return m_lines[std::size_t(row)] & kMaxLines; }
    bool isMeasured(qint64 row) const { return (m_lines[std::size_t(row)] & kMeasured) != 0; }
    // Records that `row` was laid out in `lines` lines (clamped); true when its height
    // changed.
    bool setMeasured(qint64 row, int lines);
    // Every row counts as not laid out again, keeping its height as its estimate (a new
    // width, while the estimates wait): one pass over 2 bytes a row, no allocation.
    void forgetMeasured();

    qint64 height(qint64 row) const { return heightOf(lines(row)); }
    // The top of `row` (rowCount(): the bottom of the last row).
    qint64 top(qint64 row) const;
    qint64 totalHeight() const { return top(rowCount()); }
    // The top of `row`, given the top `fromTop` of an earlier row `from`: the rows
    // between are added when they are few, so going down many close rows (the change
    // map's runs) costs what they span, never a tree walk each.
    qint64 topAfter(qint64 row, qint64 from, qint64 fromTop) const;
    // The row that holds pixel `y`, clamped to the rows (0 when there are none).
    qint64 rowAt(qint64 y) const;

    Anchor anchorAt(qint64 y) const;
    qint64 position(Anchor anchor) const;

    // A guess at the lines a text of `characters` characters takes in a column that holds
    // `charactersPerLine` average characters a line: at least one.
    static int estimateLines(qint64 characters, qreal charactersPerLine);

private:
    static constexpr std::uint16_t kMeasured = 0x8000;

    qint64 heightOf(int lines) const { return m_rowHeight + qint64(lines - 1) * m_lineStep; }
    void addToBlock(qint64 block, qint64 delta);

    std::vector<std::uint16_t> m_lines;
    std::vector<std::uint64_t> m_tree; // Fenwick tree over blocks, 1-based
    int m_rowHeight = 0;
    int m_lineStep = 0;
};

} // namespace varnel
