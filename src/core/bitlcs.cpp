// SPDX-License-Identifier: GPL-3.0-or-later

// Bit-parallel longest common subsequence (Allison and Dix 1986; Hyyro 2004) with
// Hirschberg's divide and conquer (1975) for the alignment.
//
// The idea: one row of the dynamic-programming table of LCS lengths (the lines of a
// along it, one line of b per row) rises by 0 or 1 from each column to the next, so a
// row is a bit vector V with a zero wherever it rises. Moving to the next line of b,
// with M the set of columns holding that line,
//     U = V & M;  V = (V + U) | (V - U)
// computes the whole next row 64 columns per word operation. To align, a forward pass
// over the top half of b gives LCS(a[..i), top) for every i, a backward pass over the
// bottom half gives LCS(a[i..), bottom), and the best sum names a column i where some
// optimal path crosses the middle line of b. The solver then solves the two boxes,
// choosing a method for each afresh.
//
// The cost: N * M / 64 word operations per split, about twice that over the whole
// recursion, whatever the number of edits; O(N) space. A line of b that occurs in few
// columns is applied sparsely: its matches move the zeros (a carry through a run of ones
// only moves the run's closing zero down to the lowest match in it), so rows of rare
// lines cost their matches, and rows of lines absent from a cost nothing.
//
// The invariant: after the rows of b[off2, y), bit i of V is zero exactly when
// LCS(a[off1, off1 + i + 1), b[off2, y)) exceeds LCS(a[off1, off1 + i), b[off2, y)).
#include "core/bitlcs.h"

#include <algorithm>
#include <exception>
#include <thread>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace varnel {

namespace {

// One pass over rows of b against columns of a, in either direction.
class Pass {
public:
    Pass(const LcsProblem& problem, std::vector<std::int32_t>& slots, const LcsBox& box, bool reversed)
        : m_problem(problem)
        , m_slots(slots)
        , m_box(box)
        , m_reversed(reversed)
    {
    }

    // LCS of the first i columns (in the pass's direction) against rows
    // [rowBegin, rowEnd) of b (in the pass's direction), for every i from 0 to N.
    std::vector<std::int32_t> run(std::int64_t rowBegin, std::int64_t rowEnd)
    {
        std::vector<std::int32_t> out;
        try {
            buildMasks(rowBegin, rowEnd);
            out = sweep(rowBegin, rowEnd);
        } catch (...) {
            releaseSlots(rowBegin, rowEnd);
            throw;
        }
        releaseSlots(rowBegin, rowEnd);
        return out;
    }

private:
    std::int64_t columns() const { return m_box.n(); }
    std::uint32_t columnId(std::int64_t i) const
    {
        return m_problem.a[m_reversed ? m_box.lim1 - 1 - i : m_box.off1 + i];
    }
    std::uint32_t rowId(std::int64_t r) const { return m_problem.b[m_reversed ? m_box.lim2 - 1 - r : m_box.off2 + r]; }

    // Columns whose line occurs in none of the pass's rows never match; dropping them
    // leaves every prefix's LCS as it is, so the pass runs over the others only and
    // maps its answer back.
    void buildMasks(std::int64_t rowBegin, std::int64_t rowEnd)
    {
        const std::int64_t n = columns();
        constexpr std::int32_t kInRows = -2;
        for (std::int64_t r = rowBegin; r < rowEnd; ++r)
            m_slots[rowId(r)] = kInRows;
        std::vector<std::int32_t> counts;
        m_kept.clear();
        for (std::int64_t i = 0; i < n; ++i) {
            std::int32_t& slot = m_slots[columnId(i)];
            if (slot == -1)
                continue;
            if (slot == kInRows) {
                slot = std::int32_t(counts.size());
                counts.push_back(0);
            }
            ++counts[size_t(slot)];
            m_kept.push_back(std::int32_t(i));
        }
        const auto kept = std::int64_t(m_kept.size());
        m_words = size_t(BitLcs::wordsFor(kept));
        // Lines that fill a good share of the words get a whole mask; the others a list.
        const auto denseFrom = std::int32_t(BitLcs::denseFrom(kept));
        m_dense.assign(counts.size(), -1);
        std::int32_t denseCount = 0;
        for (size_t d = 0; d < counts.size(); ++d) {
            if (counts[d] >= denseFrom)
                m_dense[d] = denseCount++;
        }
        m_masks.assign(size_t(denseCount) * m_words, 0);
        m_starts.assign(counts.size() + 1, 0);
        for (size_t d = 0; d < counts.size(); ++d)
            m_starts[d + 1] = m_starts[d] + (m_dense[d] < 0 ? counts[d] : 0);
        m_positions.assign(size_t(m_starts.back()), 0);
        std::vector<std::int32_t> fill(m_starts.begin(), m_starts.end() - 1);
        for (std::int64_t k = 0; k < kept; ++k) {
            const auto d = size_t(m_slots[columnId(m_kept[size_t(k)])]);
            if (m_dense[d] >= 0)
                m_masks[size_t(m_dense[d]) * m_words + size_t(k >> 6)] |= std::uint64_t(1) << (k & 63);
            else
                m_positions[size_t(fill[d]++)] = std::int32_t(k);
        }
    }

    void releaseSlots(std::int64_t rowBegin, std::int64_t rowEnd)
    {
        for (std::int64_t i = 0; i < columns(); ++i)
            m_slots[columnId(i)] = -1;
        for (std::int64_t r = rowBegin; r < rowEnd; ++r)
            m_slots[rowId(r)] = -1;
    }

    std::vector<std::int32_t> sweep(std::int64_t rowBegin, std::int64_t rowEnd)
    {
        const auto kept = std::int64_t(m_kept.size());
        std::vector<std::uint64_t> v(m_words, ~std::uint64_t(0));
        DiffControl& control = *m_problem.control;
        const std::int64_t rows = rowEnd - rowBegin;
        const auto share = std::uint64_t(m_box.lines()) / 4;
        for (std::int64_t r = 0; r < rows; ++r) {
            const std::int32_t slot = m_slots[rowId(rowBegin + r)];
            if (slot < 0)
                continue;
            const std::int32_t dense = m_dense[size_t(slot)];
            if (dense >= 0) {
                denseRow(v.data(), m_masks.data() + size_t(dense) * m_words);
                control.tick(m_words);
            } else {
                const std::int32_t first = m_starts[size_t(slot)];
                const std::int32_t last = m_starts[size_t(slot) + 1];
                control.tick(sparseRow(v.data(), kept, m_positions.data() + first, m_positions.data() + last));
            }
            if ((r & 255) == 0)
                control.setPartial(share * std::uint64_t(r) / std::uint64_t(rows));
        }
        // out[i]: the LCS of the first i columns, dropped ones included.
        std::vector<std::int32_t> out(size_t(columns()) + 1);
        std::int32_t length = 0;
        std::int64_t i = 0;
        for (std::int64_t k = 0; k < kept; ++k) {
            const std::int64_t column = m_kept[size_t(k)];
            for (; i <= column; ++i)
                out[size_t(i)] = length;
            length += std::int32_t(~(v[size_t(k >> 6)] >> (k & 63)) & 1);
        }
        for (; i <= columns(); ++i)
            out[size_t(i)] = length;
        return out;
    }

    void denseRow(std::uint64_t* v, const std::uint64_t* mask) const
    {
#if defined(__x86_64__)
        unsigned char carry = 0;
        for (size_t w = 0; w < m_words; ++w) {
            const std::uint64_t x = v[w];
            const std::uint64_t u = x & mask[w];
            unsigned long long sum;
            carry = _addcarry_u64(carry, x, u, &sum);
            v[w] = sum | (x & ~u);
        }
#else
        bool carry = false;
        for (size_t w = 0; w < m_words; ++w) {
            const std::uint64_t x = v[w];
            const std::uint64_t u = x & mask[w];
            std::uint64_t sum;
            const bool c1 = __builtin_add_overflow(x, u, &sum);
            const bool c2 = __builtin_add_overflow(sum, std::uint64_t(carry), &sum);
            carry = c1 || c2;
            v[w] = sum | (x & ~u);
        }
#endif
    }

    // The same update for a line with few columns: in each run of ones that holds a
    // match, the lowest match becomes a zero and the zero that closes the run a one.
    // Returns the work done, in words.
    static std::uint64_t sparseRow(std::uint64_t* v, std::int64_t n, const std::int32_t* first,
                                   const std::int32_t* last)
    {
        std::int64_t closed = -1; // positions up to here lie in runs already handled
        std::uint64_t work = 1;
        const std::int64_t words = (n + 63) / 64;
        for (const std::int32_t* p = first; p != last; ++p) {
            const std::int64_t i = *p;
            if (i <= closed || !((v[i >> 6] >> (i & 63)) & 1))
                continue;
            v[i >> 6] &= ~(std::uint64_t(1) << (i & 63));
            std::int64_t w = i >> 6;
            std::uint64_t zeros = (i & 63) == 63 ? 0 : ~v[w] & (~std::uint64_t(0) << ((i & 63) + 1));
            while (zeros == 0 && ++w < words) {
                zeros = ~v[w];
                ++work;
            }
            if (zeros == 0) {
                closed = n;
                continue;
            }
            const std::int64_t z = w * 64 + __builtin_ctzll(zeros);
            if (z < n)
                v[z >> 6] |= std::uint64_t(1) << (z & 63);
            closed = z;
            ++work;
        }
        return work;
    }

    const LcsProblem& m_problem;
    std::vector<std::int32_t>& m_slots;
    LcsBox m_box;
    bool m_reversed;
    size_t m_words = 0;
    std::vector<std::int32_t> m_dense;     // per distinct line: its mask, or -1
    std::vector<std::uint64_t> m_masks;    // the dense lines' masks, m_words each
    std::vector<std::int32_t> m_starts;    // per distinct line: where its columns start
    std::vector<std::int32_t> m_positions; // the sparse lines' columns, increasing
    std::vector<std::int32_t> m_kept;      // the columns that some row matches
};

} // namespace

BitLcs::Cut BitLcs::split(const LcsBox& box, std::vector<std::int32_t>* helperSlots)
{
    const std::int64_t mid = box.m() / 2;
    std::vector<std::int32_t> forward, backward;
    if (helperSlots) {
        std::exception_ptr failure;
        std::thread helper([&] {
            DiffControl::setThreadSlot(1);
            try {
                backward = Pass(m_problem, *helperSlots, box, true).run(0, box.m() - mid);
            } catch (...) {
                failure = std::current_exception();
            }
            m_problem.control->setPartial(0);
        });
        try {
            forward = Pass(m_problem, m_slots, box, false).run(0, mid);
        } catch (...) {
            helper.join();
            throw;
        }
        helper.join();
        if (failure)
            std::rethrow_exception(failure);
    } else {
        forward = Pass(m_problem, m_slots, box, false).run(0, mid);
        backward = Pass(m_problem, m_slots, box, true).run(0, box.m() - mid);
    }
    m_problem.control->setPartial(0);
    const std::int64_t n = box.n();
    std::int64_t best = 0;
    std::int32_t bestLength = -1;
    for (std::int64_t i = 0; i <= n; ++i) {
        const std::int32_t length = forward[size_t(i)] + backward[size_t(n - i)];
        if (length > bestLength) {
            bestLength = length;
            best = i;
        }
    }
    return Cut{box.off1 + best, box.off2 + mid};
}

std::int64_t BitLcs::length(const LcsBox& box)
{
    return Pass(m_problem, m_slots, box, false).run(0, box.m()).back();
}

} // namespace varnel
