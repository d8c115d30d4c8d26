#pragma once

#include <QUuid>

#include <cstdint>

namespace varnel {

// Random version 4 UUIDs without a system call each: a xoshiro256** generator seeded
// once from the system's secure source. Not for secrets; for row identities.
class UuidGenerator {
public:
    UuidGenerator();

    QUuid next()
    {
        const std::uint64_t hi = nextWord();
        const std::uint64_t lo = nextWord();
        return QUuid(uint(hi >> 32), ushort(hi >> 16), ushort((hi & 0x0FFF) | 0x4000), // version 4
                     uchar(((lo >> 56) & 0x3F) | 0x80),                                // RFC 4122 variant
                     uchar(lo >> 48), uchar(lo >> 40), uchar(lo >> 32), uchar(lo >> 24), uchar(lo >> 16),
                     uchar(lo >> 8), uchar(lo));
    }

private:
    static std::uint64_t rotl(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }

    std::uint64_t nextWord()
    {
        const std::uint64_t result = rotl(m_s[1] * 5, 7) * 9;
        const std::uint64_t t = m_s[1] << 17;
        m_s[2] ^= m_s[0];
        m_s[3] ^= m_s[1];
        m_s[1] ^= m_s[2];
        m_s[0] ^= m_s[3];
        m_s[2] ^= t;
        m_s[3] = rotl(m_s[3], 45);
        return result;
    }

    std::uint64_t m_s[4];
};

} // namespace varnel
