// SPDX-License-Identifier: GPL-3.0-or-later

#include "core/lineinterner.h"

#include "core/lineform.h"

#include <QString>

#include <algorithm>
#include <bit>
#include <cstring>
#include <unordered_map>

#if defined(__GNUC__) || defined(__clang__)
#define VARNEL_PREFETCH(address) __builtin_prefetch(address)
#else
#define VARNEL_PREFETCH(address) ((void)(address))
#endif

namespace varnel {

namespace {

__extension__ using u128 = unsigned __int128;

inline std::uint64_t mix(std::uint64_t a, std::uint64_t b)
{
    const u128 product = u128(a) * b;
    return std::uint64_t(product) ^ std::uint64_t(product >> 64);
}

inline std::uint64_t load64(const char* p)
{
    std::uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
}

inline std::uint64_t load32(const char* p)
{
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

constexpr std::uint64_t kSecret0 = 0xa0761d6478bd642fULL;
constexpr std::uint64_t kSecret1 = 0xe7037ed1a0b428dbULL;
constexpr std::uint64_t kSecret2 = 0x8ebc6af09c88c6e3ULL;

// Whether a line may change under NFC. Code points below U+0300 are all NFC-stable and
// never compose with what precedes them; in UTF-8 they are ASCII and the two-byte
// sequences led by C2..CB. Anything else is handed to the real normaliser.
inline bool mayNeedNormalization(const char* p, std::size_t n)
{
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        if (load64(p + i) & 0x8080808080808080ULL)
            break;
    }
    for (; i < n; ++i) {
        if (static_cast<unsigned char>(p[i]) >= 0xCC)
            return true;
    }
    return false;
}

// One document's lines in canonical form: the raw UTF-8 bytes, except for the few lines
// NFC changes under canonical equivalence, whose normalised bytes are kept aside; then
// white space and case as the options say (LineForm), worked out each time a line is
// hashed or compared, into a scratch buffer the caller owns, so that ignoring white space
// in a file of short indented lines costs time, not a copy of the file. Hashes are
// computed when asked for, not stored: eight bytes a line add up on files of a hundred
// million lines.
class CanonicalLines {
public:
    CanonicalLines(const TextLines& lines, LineInterner::HashFunction hashLine, DiffControl* control,
                   const CompareOptions& options)
        : m_lines(lines)
        , m_hashLine(hashLine)
        , m_form(options)
    {
        if (!options.canonicalEquivalence)
            return; // every line is its own canonical form
        for (qsizetype i = 0; i < lines.size(); ++i) {
            if (control)
                control->tick(1);
            const QUtf8StringView raw = lines.utf8(i);
            if (mayNeedNormalization(raw.data(), size_t(raw.size()))) {
                QByteArray normalized = raw.toString().normalized(QString::NormalizationForm_C).toUtf8();
                if (QByteArrayView(normalized) != QByteArrayView(raw.data(), raw.size()))
                    m_normalized.emplace(i, std::move(normalized));
            }
        }
    }

    // Line `i` in canonical form, a view into the lines, the kept copies or `scratch`.
    QByteArrayView at(qsizetype i, LineForm::Scratch& scratch) const { return m_form.apply(normalized(i), scratch); }
    std::uint64_t hash(qsizetype i, LineForm::Scratch& scratch) const
    {
        const QByteArrayView text = at(i, scratch);
        return m_hashLine(text.data(), size_t(text.size()));
    }
    qsizetype size() const { return m_lines.size(); }
    bool formIsIdentity() const { return m_form.isIdentity(); }

    // Line `i` as NFC has it (or as written): lines equal here are equal in every form.
    QByteArrayView normalized(qsizetype i) const
    {
        if (!m_normalized.empty()) {
            if (auto it = m_normalized.find(i); it != m_normalized.end())
                return it->second;
        }
        const QUtf8StringView raw = m_lines.utf8(i);
        return QByteArrayView(raw.data(), raw.size());
    }

private:
    const TextLines& m_lines;
    LineInterner::HashFunction m_hashLine;
    LineForm m_form;
    std::unordered_map<qsizetype, QByteArray> m_normalized;
};

} // namespace

std::uint64_t LineInterner::hash(const char* p, std::size_t n)
{
    std::uint64_t seed = kSecret0 ^ (std::uint64_t(n) * kSecret2);
    std::size_t left = n;
    while (left > 16) {
        seed = mix(load64(p) ^ kSecret1, load64(p + 8) ^ seed);
        p += 16;
        left -= 16;
    }
    std::uint64_t a = 0;
    std::uint64_t b = 0;
    if (left >= 8) {
        a = load64(p);
        b = load64(p + left - 8);
    } else if (left >= 4) {
        a = load32(p);
        b = load32(p + left - 4);
    } else if (left > 0) {
        const auto byte = [p](std::size_t i) { return std::uint64_t(static_cast<unsigned char>(p[i])); };
        a = (byte(0) << 16) | (byte(left >> 1) << 8) | byte(left - 1);
    }
    return mix(mix(a ^ kSecret1, b ^ seed) ^ kSecret2, std::uint64_t(n) ^ kSecret0);
}

// Open addressing. A slot holds the upper half of the hash and id + 1 (0 is an empty
// slot), so most probes are settled without touching the text; equal tags are confirmed by
// comparing canonical bytes, so collisions cost time, never correctness. Past a million
// lines the table grows with the distinct lines (kept at most half full), not with all
// lines: two copies of a file of a hundred million blank lines need no more than a small
// file's table. Hashes are computed a few lines ahead, in a small ring, so the slot of a
// coming line can be prefetched while the current one is resolved.
LineInterner::Ids LineInterner::intern(const TextLines& original, const TextLines& revised, HashFunction hashFunction,
                                       DiffControl* control, const CompareOptions& options)
{
    const CanonicalLines sides[2] = {CanonicalLines(original, hashFunction, control, options),
                                     CanonicalLines(revised, hashFunction, control, options)};

    struct Representative {
        std::uint8_t side;
        qsizetype index;
    };
    std::vector<Representative> representatives;
    // Three scratch buffers: the line hashed ahead, the line placed, its representative.
    LineForm::Scratch aheadScratch;
    LineForm::Scratch lineScratch;
    LineForm::Scratch repScratch;

    // Sized for every line up to a million lines (16 MiB at most), so that ordinary files
    // never rehash; beyond that the table grows with what is distinct.
    const std::size_t total = size_t(original.size()) + size_t(revised.size());
    std::size_t capacity = std::bit_ceil(2 * std::clamp<std::size_t>(total, 8, std::size_t(1) << 20));
    std::size_t mask = capacity - 1;
    std::vector<std::uint64_t> slots(capacity, 0);
    const auto place = [&](std::uint64_t h, std::uint32_t id) {
        std::size_t pos = h & mask;
        while (slots[pos] != 0)
            pos = (pos + 1) & mask;
        slots[pos] = ((h >> 32) << 32) | (std::uint64_t(id) + 1);
    };
    const auto grow = [&] {
        capacity *= 2;
        mask = capacity - 1;
        slots.assign(capacity, 0);
        for (std::size_t id = 0; id < representatives.size(); ++id) {
            const Representative& rep = representatives[id];
            place(sides[rep.side].hash(rep.index, repScratch), std::uint32_t(id));
        }
    };

    Ids ids;
    std::vector<std::uint32_t>* out[2] = {&ids.original, &ids.revised};
    constexpr qsizetype kLookahead = 16;
    for (std::uint8_t side = 0; side < 2; ++side) {
        const CanonicalLines& lines = sides[side];
        std::vector<std::uint32_t>& target = *out[side];
        target.resize(size_t(lines.size()));
        std::uint64_t ahead[kLookahead];
        for (qsizetype i = 0; i < std::min(kLookahead, lines.size()); ++i)
            ahead[i] = lines.hash(i, aheadScratch);
        for (qsizetype i = 0; i < lines.size(); ++i) {
            if (control)
                control->tick(1);
            const std::uint64_t h = ahead[i % kLookahead];
            if (i + kLookahead < lines.size()) {
                const std::uint64_t next = lines.hash(i + kLookahead, aheadScratch);
                ahead[i % kLookahead] = next;
                VARNEL_PREFETCH(&slots[next & mask]);
            }
            if (2 * (representatives.size() + 1) > capacity)
                grow();
            const std::uint64_t tag = h >> 32;
            std::size_t pos = h & mask;
            for (;;) {
                const std::uint64_t slot = slots[pos];
                if (slot == 0) {
                    const auto id = std::uint32_t(representatives.size());
                    representatives.push_back({side, i});
                    slots[pos] = (tag << 32) | (std::uint64_t(id) + 1);
                    target[size_t(i)] = id;
                    break;
                }
                if ((slot >> 32) == tag) {
                    const auto id = std::uint32_t(slot & 0xFFFFFFFFu) - 1;
                    const Representative& rep = representatives[id];
                    // Lines equal as written are equal in any form, so white space and
                    // case are worked out only for lines that differ as written.
                    const CanonicalLines& repLines = sides[rep.side];
                    if (repLines.normalized(rep.index) == lines.normalized(i) ||
                        (!lines.formIsIdentity() && repLines.at(rep.index, repScratch) == lines.at(i, lineScratch))) {
                        target[size_t(i)] = id;
                        break;
                    }
                }
                pos = (pos + 1) & mask;
            }
        }
    }
    ids.distinct = std::uint32_t(representatives.size());
    return ids;
}

} // namespace varnel
