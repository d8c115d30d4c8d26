// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/lcsbox.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace varnel {

// Myers' O(ND) difference algorithm in linear space: the middle snake of a box, and a
// whole box solved by divide and conquer on it. See myersdiff.cpp.
class MyersSearch {
public:
    struct Cut {
        std::int64_t x;
        std::int64_t y;
    };

    // `tagA` and `tagB` hold one byte per line derived from its id (tagsOf()); they are
    // shared by every search of one problem.
    static std::unique_ptr<MyersSearch> create(const LcsProblem& problem, const std::uint8_t* tagA,
                                               const std::uint8_t* tagB);
    static std::vector<std::uint8_t> tagsOf(const std::uint32_t* ids, std::int64_t size);

    virtual ~MyersSearch() = default;

    // A point of some shortest path through a box whose first and last lines differ on
    // both sides, cutting it into two boxes of at most ceil(D/2) edits each; or nothing
    // when the search would cost more than `budget` units (a diagonal probed or a line
    // followed along a snake is one unit). A long search runs its backward half on a
    // second thread when `twoThreads`.
    virtual std::optional<Cut> middleSnake(const LcsBox& box, std::uint64_t budget, bool twoThreads) = 0;

    // Goes on with the last middleSnake() if it ran out of budget, until it meets or has
    // spent `budget` units in all; nothing if there is no such search.
    virtual std::optional<Cut> resume(std::uint64_t budget, bool twoThreads) = 0;

    // Units the last search spent, and the number of edits it had reached.
    virtual std::uint64_t lastCost() const = 0;
    virtual std::int64_t lastRounds() const = 0;

    // After a search that ran out of budget: how far its two fronts got, in lines of the
    // box (the largest x + y past the box's top left reached forwards, plus the same
    // backwards from the bottom right). With edits spread evenly over a box of L lines,
    // 2 * rounds * L / reach estimates D.
    virtual std::int64_t lastReach() const = 0;

    // Marks a shortest edit script for the whole box, on this thread.
    virtual void solve(LcsBox box) = 0;
};

} // namespace varnel
