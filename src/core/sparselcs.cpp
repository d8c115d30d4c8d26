// SPDX-License-Identifier: GPL-3.0-or-later

// Hunt and Szymanski's longest common subsequence over match lists (1977).
//
// The idea: walk the lines of b in order; for each, visit the positions in a that hold
// the same line, from the last to the first. thresholds[k] is the smallest position in
// a at which a common subsequence of length k + 1 can end, using the lines of b seen so
// far; a match at position i of a improves the first threshold that is at least i. A
// link from every improving match to the match that ended the next shorter subsequence
// gives one longest common subsequence at the end. With unique lines this is the
// longest increasing subsequence of the matched positions.
//
// The cost: O((r + N + M) log N) time for r matching pairs and O(r + N) space, however
// many lines change: the method for reordered files and for lines that mostly occur
// once. The solver (lcssolver.cpp) counts r first and keeps this for boxes where r is
// small.
//
// The invariant: thresholds is strictly increasing, and after line j of b,
// thresholds[k] is the least i such that a[off1, i] and b[off2, j] have a common
// subsequence of length k + 1 ending at a[i].
#include "core/sparselcs.h"

#include <algorithm>

namespace varnel {

void SparseLcs::solve(const LcsBox& box)
{
    const std::uint32_t* a = m_problem.a;
    const std::uint32_t* b = m_problem.b;
    DiffControl& control = *m_problem.control;

    // The positions of every line of a's side, grouped by line, in increasing order.
    std::vector<std::int32_t> counts;
    for (std::int64_t x = box.off1; x < box.lim1; ++x) {
        std::int32_t& slot = m_slots[a[x]];
        if (slot < 0) {
            slot = std::int32_t(counts.size());
            counts.push_back(0);
        }
        ++counts[size_t(slot)];
    }
    std::vector<std::int32_t> starts(counts.size() + 1, 0);
    for (size_t d = 0; d < counts.size(); ++d)
        starts[d + 1] = starts[d] + counts[d];
    std::vector<std::int32_t> positions(size_t(box.n()));
    std::vector<std::int32_t> fill(starts.begin(), starts.end() - 1);
    for (std::int64_t x = box.off1; x < box.lim1; ++x)
        positions[size_t(fill[size_t(m_slots[a[x]])]++)] = std::int32_t(x);

    struct Node {
        std::int32_t x, y, previous;
    };
    std::vector<Node> nodes;
    std::vector<std::int32_t> thresholds; // a positions
    std::vector<std::int32_t> ends;       // the node that ends each threshold's subsequence
    const auto rows = std::uint64_t(box.m());
    const auto lines = std::uint64_t(box.lines());
    try {
        for (std::int64_t y = box.off2; y < box.lim2; ++y) {
            const std::int32_t slot = m_slots[b[y]];
            if (slot < 0)
                continue;
            const std::int32_t first = starts[size_t(slot)];
            std::int32_t p = starts[size_t(slot) + 1];
            control.tick(std::uint64_t(p - first) * 4 + 1);
            auto limit = thresholds.end();
            while (p > first) {
                const std::int32_t x = positions[size_t(--p)];
                // Positions come in decreasing order, so the slot for x lies at or below
                // the one found for the previous position.
                const auto at = std::lower_bound(thresholds.begin(), limit, x);
                limit = at;
                if (at != thresholds.end() && *at == x)
                    continue;
                const auto k = size_t(at - thresholds.begin());
                nodes.push_back({x, std::int32_t(y), k > 0 ? ends[k - 1] : -1});
                if (k == thresholds.size()) {
                    thresholds.push_back(x);
                    ends.push_back(std::int32_t(nodes.size() - 1));
                    limit = thresholds.end() - 1;
                } else {
                    *at = x;
                    ends[k] = std::int32_t(nodes.size() - 1);
                }
            }
            if (((y - box.off2) & 1023) == 0)
                control.setPartial(std::uint64_t(y - box.off2) * lines / rows);
        }
    } catch (...) {
        for (std::int64_t x = box.off1; x < box.lim1; ++x)
            m_slots[a[x]] = -1;
        throw;
    }
    for (std::int64_t x = box.off1; x < box.lim1; ++x)
        m_slots[a[x]] = -1;

    for (std::int64_t x = box.off1; x < box.lim1; ++x)
        m_problem.removed[x] = 1;
    for (std::int64_t y = box.off2; y < box.lim2; ++y)
        m_problem.inserted[y] = 1;
    for (std::int32_t node = ends.empty() ? -1 : ends.back(); node >= 0; node = nodes[size_t(node)].previous) {
        m_problem.removed[nodes[size_t(node)].x] = 0;
        m_problem.inserted[nodes[size_t(node)].y] = 0;
    }
    control.setPartial(0);
    control.settle(lines);
}

} // namespace varnel
