// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/compareoptions.h"
#include "core/diffcontrol.h"
#include "core/textlines.h"

#include <cstdint>
#include <vector>

namespace varnel {

// Gives every distinct line of two documents a small integer, once, so the diff
// compares integers instead of strings. Lines get the same integer when their canonical
// forms are equal; `options` decides the canonical form (by default canonically
// equivalent Unicode is one line: "é" precomposed equals "e" + combining acute).
class LineInterner {
public:
    struct Ids {
        std::vector<std::uint32_t> original; // one id per line of the first document
        std::vector<std::uint32_t> revised;  // one id per line of the second
        std::uint32_t distinct = 0;          // ids run from 0 to distinct - 1
    };

    // The 64-bit hash of a line's canonical bytes.
    static std::uint64_t hash(const char* data, std::size_t size);
    using HashFunction = std::uint64_t (*)(const char* data, std::size_t size);

    // `hashFunction` is for tests, which force collisions with it. `control`, if given,
    // is ticked once per line (and may throw DiffCancelled).
    static Ids intern(const TextLines& original, const TextLines& revised, HashFunction hashFunction = &hash,
                      DiffControl* control = nullptr, const CompareOptions& options = {});
};

} // namespace varnel
