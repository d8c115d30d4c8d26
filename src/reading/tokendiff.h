// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace varnel {

// A shortest edit script between two short sequences of token ids, within a budget of
// work. Marks every element of `a` it removes (`removedA`) and of `b` it inserts
// (`insertedB`); both are resized by the call. Returns false, with the marks undefined,
// when the script would cost more than `budget` units (a diagonal probed or a token
// compared is one unit).
bool diffTokens(std::span<const std::uint32_t> a, std::span<const std::uint32_t> b, std::vector<bool>& removedA,
                std::vector<bool>& insertedB, std::uint64_t budget);

} // namespace varnel
