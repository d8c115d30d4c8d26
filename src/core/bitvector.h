// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace varnel {

// A fixed-size set of small integers, one bit each: constant-time test and set.
class BitVector {
public:
    BitVector() = default;
    explicit BitVector(std::size_t size) : m_words((size + 63) / 64), m_size(size) {}

    std::size_t size() const { return m_size; }
    bool test(std::size_t i) const { return (m_words[i >> 6] >> (i & 63)) & 1u; }
    void set(std::size_t i) { m_words[i >> 6] |= std::uint64_t(1) << (i & 63); }

    std::size_t count() const
    {
        std::size_t total = 0;
        for (std::uint64_t word : m_words)
            total += std::size_t(std::popcount(word));
        return total;
    }

private:
    std::vector<std::uint64_t> m_words;
    std::size_t m_size = 0;
};

} // namespace varnel
