#pragma once

#include "core/textlines.h"

#include <cstdint>
#include <vector>

namespace varnel {

// Gives every distinct line of two documents a small integer, once, so the diff
// compares integers instead of strings. Lines that are canonically equivalent Unicode
// (NFC) get the same integer: "é" precomposed equals "e" + combining acute.
class LineInterner {
public:
    struct Ids {
        std::vector<std::uint32_t> original; // one id per line of the first document
        std::vector<std::uint32_t> revised;  // one id per line of the second
        std::uint32_t distinct = 0;          // ids run from 0 to distinct - 1
    };

    static Ids intern(const TextLines& original, const TextLines& revised);

    // The 64-bit hash used for lines; exposed for tests.
    static std::uint64_t hash(const char* data, std::size_t size);
};

} // namespace varnel
