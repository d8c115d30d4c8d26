// SPDX-License-Identifier: GPL-3.0-or-later

#include "widgets/diffview/longestlines.h"

#include <algorithm>
#include <functional>
#include <vector>

namespace varnel {

namespace {

// A bounded min-heap of (length, row): the smallest kept length is on top, so most rows
// are turned away by one comparison.
class TopRows {
public:
    void offer(qsizetype length, qint64 row)
    {
        if (std::ssize(m_heap) == LongestLines::kCount) {
            if (length <= m_heap.front().first)
                return;
            std::pop_heap(m_heap.begin(), m_heap.end(), std::greater<>());
            m_heap.pop_back();
        }
        m_heap.emplace_back(length, row);
        std::push_heap(m_heap.begin(), m_heap.end(), std::greater<>());
    }

    QList<qint64> longestFirst()
    {
        std::sort_heap(m_heap.begin(), m_heap.end(), std::greater<>());
        QList<qint64> rows;
        rows.reserve(qsizetype(m_heap.size()));
        for (const auto& entry : m_heap)
            rows.append(entry.second);
        return rows;
    }

private:
    std::vector<std::pair<qsizetype, qint64>> m_heap;
};

} // namespace

LongestLines LongestLines::find(const DiffRows& lines)
{
    TopRows left;
    TopRows right;
    TopRows all;
    qint64 row = -1;
    for (const DiffLine& line : lines) { // in order: rows are made from their runs as they come
        ++row;
        const DiffLineType type = line.type();
        if (type == DiffLineType::contextCollapsed)
            continue;
        // UTF-8 bytes: at least the number of characters, and free to read. Each side
        // measures its own line; the inline view shows a row as the right column does.
        const qsizetype length = line.content(PageSide::right).size();
        all.offer(length, row);
        if (type != DiffLineType::added)
            left.offer(line.content(PageSide::left).size(), row);
        if (type != DiffLineType::removed)
            right.offer(length, row);
    }
    LongestLines result;
    result.m_rows[std::size_t(ShownRows::left)] = left.longestFirst();
    result.m_rows[std::size_t(ShownRows::right)] = right.longestFirst();
    result.m_rows[std::size_t(ShownRows::all)] = all.longestFirst();
    return result;
}

} // namespace varnel
