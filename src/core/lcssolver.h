// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/diffcontrol.h"

#include <cstdint>
#include <span>
#include <vector>

namespace varnel {

// Which method solves the boxes of a diff. `automatic` chooses per box by estimated cost;
// the others force one method everywhere (for tests and measurements).
enum class DiffAlgorithm {
    automatic,
    myers,       // Myers' O(ND) search (myersdiff.cpp)
    sparse,      // Hunt and Szymanski over match lists (sparselcs.cpp)
    bitParallel, // bit-parallel rows with Hirschberg's split (bitlcs.cpp)
};

// Finds a shortest edit script turning `a` into `b` and marks, with a non-zero byte,
// every element of `a` it removes (`removedA`) and every element of `b` it inserts
// (`insertedB`). Both vectors must be sized and zeroed by the caller. The script is
// always minimal: removals plus insertions are |a| + |b| - 2 * LCS(a, b), on every path.
//
// Returns false, with the marks incomplete, when the control's cancel check asked to stop.
bool minimalDiff(std::span<const std::uint32_t> a, std::span<const std::uint32_t> b,
                 std::vector<std::uint8_t>& removedA, std::vector<std::uint8_t>& insertedB, DiffControl& control,
                 DiffAlgorithm algorithm = DiffAlgorithm::automatic);

} // namespace varnel
