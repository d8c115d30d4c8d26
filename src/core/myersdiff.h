#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace varnel {

// Polled during long computations; returning true abandons the work.
using CancelCheck = std::function<bool()>;

// Myers' O(ND) difference algorithm in linear space.
//
// Finds a shortest edit script turning `a` into `b` and marks, with a non-zero byte,
// every element of `a` the script removes (`removedA`) and every element of `b` it
// inserts (`insertedB`). Both vectors must be sized and zeroed by the caller. The
// script is always minimal: there is no cost cap or other heuristic.
//
// Returns false, with the marks incomplete, when `cancel` asked to stop.
bool myersDiff(std::span<const std::uint32_t> a, std::span<const std::uint32_t> b, std::vector<std::uint8_t>& removedA,
               std::vector<std::uint8_t>& insertedB, const CancelCheck& cancel = {});

} // namespace varnel
