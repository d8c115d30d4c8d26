// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/diffcontrol.h"

#include <cstddef>
#include <cstdint>

namespace varnel {

// One sub-problem of a diff: the lines a[off1, lim1) against b[off2, lim2), and where
// its answer goes.
struct LcsBox {
    std::int64_t off1 = 0, lim1 = 0, off2 = 0, lim2 = 0;

    std::int64_t n() const { return lim1 - off1; }
    std::int64_t m() const { return lim2 - off2; }
    std::int64_t lines() const { return n() + m(); }
    bool empty() const { return off1 == lim1 || off2 == lim2; }
};

// The whole problem: two sequences of line ids and the marks of a shortest edit script,
// one byte per line: removed[i] for a[i], inserted[j] for b[j]. Every algorithm marks
// the lines of the boxes it is given and nothing else, so boxes that do not overlap may
// be solved on different threads.
struct LcsProblem {
    const std::uint32_t* a = nullptr;
    const std::uint32_t* b = nullptr;
    std::int64_t sizeA = 0;
    std::int64_t sizeB = 0;
    std::uint32_t alphabet = 0; // ids are below this
    std::uint8_t* removed = nullptr;
    std::uint8_t* inserted = nullptr;
    DiffControl* control = nullptr;

    // Marks every line of a box that has an empty side, and counts its lines as settled.
    void markRest(const LcsBox& box) const
    {
        for (std::int64_t x = box.off1; x < box.lim1; ++x)
            removed[x] = 1;
        for (std::int64_t y = box.off2; y < box.lim2; ++y)
            inserted[y] = 1;
        control->settle(std::uint64_t(box.lines()));
    }

    // Takes equal heads and tails off a box: they belong to every shortest script.
    void trim(LcsBox& box) const
    {
        const std::int64_t before = box.lines();
        while (box.off1 < box.lim1 && box.off2 < box.lim2 && a[box.off1] == b[box.off2]) {
            ++box.off1;
            ++box.off2;
        }
        while (box.off1 < box.lim1 && box.off2 < box.lim2 && a[box.lim1 - 1] == b[box.lim2 - 1]) {
            --box.lim1;
            --box.lim2;
        }
        control->settle(std::uint64_t(before - box.lines()));
    }
};

} // namespace varnel
