// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/lcsbox.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace varnel {

// The bit-parallel longest common subsequence of Allison and Dix, in Hyyrö's form, with
// Hirschberg's split for the alignment. See bitlcs.cpp.
class BitLcs {
public:
    // `slots` is scratch of one entry per id, all -1, and is left so.
    BitLcs(const LcsProblem& problem, std::vector<std::int32_t>& slots) : m_problem(problem), m_slots(slots) {}

    struct Cut {
        std::int64_t x;
        std::int64_t y;
    };

    // A point of some longest common subsequence's path through the box, on the middle
    // line of b: the box's shortest scripts are those of [off1, x) x [off2, y) followed
    // by those of [x, lim1) x [y, lim2). The box must have at least two lines of b. The
    // backward half of the work runs on a second thread, with its own scratch, when
    // `helperSlots` is given.
    Cut split(const LcsBox& box, std::vector<std::int32_t>* helperSlots);

    // Words per row for `columns` lines of a, and how many columns a line must occupy to
    // be applied as a whole mask rather than match by match (a match costs about as much
    // as eight words).
    static constexpr std::uint64_t kWordsPerMatch = 8;
    static std::uint64_t wordsFor(std::int64_t columns) { return std::uint64_t((columns + 63) / 64); }
    static std::uint64_t denseFrom(std::int64_t columns)
    {
        return std::max<std::uint64_t>(2, wordsFor(columns) / kWordsPerMatch);
    }

    // The length of a longest common subsequence of a box (for tests and estimates).
    std::int64_t length(const LcsBox& box);

private:
    const LcsProblem& m_problem;
    std::vector<std::int32_t>& m_slots;
};

} // namespace varnel
