// SPDX-License-Identifier: GPL-3.0-or-later

#include "reading/rowheights.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace varnel {

void RowHeights::reset(qint64 rows, int rowHeight, int lineStep, const std::function<int(qint64)>& estimatedLines)
{
    // Built aside and swapped in: a failed allocation or estimate leaves the old heights
    // whole, their rows and their sums together.
    std::vector<std::uint16_t> lineCounts(std::size_t(std::max<qint64>(rows, 0)), 1);
    const qint64 blocks = (rows + kBlock - 1) / kBlock;
    std::vector<std::uint64_t> tree(std::size_t(blocks + 1), 0);
    const auto heightOfLines = [rowHeight, lineStep](int lines) { return rowHeight + qint64(lines - 1) * lineStep; };
    for (qint64 row = 0; row < rows; ++row) {
        const int lines = std::clamp(estimatedLines(row), 1, kMaxLines);
        lineCounts[std::size_t(row)] = std::uint16_t(lines);
        tree[std::size_t(row / kBlock + 1)] += std::uint64_t(heightOfLines(lines));
    }
    // Each node adds itself to its parent once: the tree in O(N).
    for (qint64 node = 1; node <= blocks; ++node) {
        const qint64 parent = node + (node & -node);
        if (parent <= blocks)
            tree[std::size_t(parent)] += tree[std::size_t(node)];
    }
    m_lines.swap(lineCounts);
    m_tree.swap(tree);
    m_rowHeight = rowHeight;
    m_lineStep = lineStep;
}

void RowHeights::clear()
{
    m_lines = {};
    m_tree = {};
}

void RowHeights::forgetMeasured()
{
    for (std::uint16_t& lines : m_lines)
        lines &= std::uint16_t(kMaxLines);
}

bool RowHeights::setMeasured(qint64 row, int lines)
{
    lines = std::clamp(lines, 1, kMaxLines);
    const int old = this->lines(row);
    m_lines[std::size_t(row)] = std::uint16_t(lines) | kMeasured;
    if (old == lines)
        return false;
    addToBlock(row / kBlock, heightOf(lines) - heightOf(old));
    return true;
}

void RowHeights::addToBlock(qint64 block, qint64 delta)
{
    const auto blocks = qint64(m_tree.size()) - 1;
    for (qint64 node = block + 1; node <= blocks; node += node & -node)
        m_tree[std::size_t(node)] += std::uint64_t(delta); // wraps back for a negative delta
}

qint64 RowHeights::top(qint64 row) const
{
    row = std::clamp<qint64>(row, 0, rowCount());
    std::uint64_t sum = 0;
    for (qint64 node = row / kBlock; node > 0; node -= node & -node)
        sum += m_tree[std::size_t(node)];
    for (qint64 each = row / kBlock * kBlock; each < row; ++each)
        sum += std::uint64_t(height(each));
    return qint64(sum);
}

qint64 RowHeights::topAfter(qint64 row, qint64 from, qint64 fromTop) const
{
    row = std::clamp<qint64>(row, 0, rowCount());
    if (from < 0 || from > row || row - from > 2 * kBlock)
        return top(row);
    for (; from < row; ++from)
        fromTop += height(from);
    return fromTop;
}

qint64 RowHeights::rowAt(qint64 y) const
{
    const qint64 rows = rowCount();
    if (rows == 0 || y <= 0)
        return 0;
    // Down the tree to the last block that starts at or above y.
    const auto blocks = qint64(m_tree.size()) - 1;
    qint64 block = 0;
    auto remaining = std::uint64_t(y);
    for (qint64 step = std::bit_floor(std::uint64_t(blocks)); step > 0; step >>= 1) {
        const qint64 next = block + step;
        if (next <= blocks && m_tree[std::size_t(next)] <= remaining) {
            block = next;
            remaining -= m_tree[std::size_t(next)];
        }
    }
    // Then along its rows (past the last row: the last row).
    qint64 row = std::min(block * kBlock, rows - 1);
    while (row < rows - 1 && std::uint64_t(height(row)) <= remaining) {
        remaining -= std::uint64_t(height(row));
        ++row;
    }
    return row;
}

RowHeights::Anchor RowHeights::anchorAt(qint64 y) const
{
    const qint64 row = rowAt(y);
    return {row, y - top(row)};
}

qint64 RowHeights::position(Anchor anchor) const
{
    if (rowCount() == 0)
        return 0;
    const qint64 row = std::clamp<qint64>(anchor.row, 0, rowCount() - 1);
    return top(row) + std::clamp<qint64>(anchor.offset, 0, height(row) - 1);
}

int RowHeights::estimateLines(qint64 characters, qreal charactersPerLine)
{
    if (characters <= 0 || charactersPerLine < 1)
        return 1;
    const double lines = std::ceil(double(characters) / std::floor(charactersPerLine));
    return int(std::clamp<double>(lines, 1, kMaxLines));
}

} // namespace varnel
