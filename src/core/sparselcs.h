// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/lcsbox.h"

#include <cstdint>
#include <vector>

namespace varnel {

// Hunt and Szymanski's longest common subsequence over the list of matching line pairs.
// See sparselcs.cpp.
class SparseLcs {
public:
    // `slots` is scratch of one entry per id, all -1, and is left so.
    SparseLcs(const LcsProblem& problem, std::vector<std::int32_t>& slots) : m_problem(problem), m_slots(slots) {}

    // Marks a shortest edit script for the whole box.
    void solve(const LcsBox& box);

private:
    const LcsProblem& m_problem;
    std::vector<std::int32_t>& m_slots;
};

} // namespace varnel
