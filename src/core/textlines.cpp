// SPDX-License-Identifier: GPL-3.0-or-later

#include "core/textlines.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace varnel {

namespace {

// Bytes that may begin a line end in UTF-8: LF, VT, FF, CR, the lead byte of NEL
// (C2 85) and the lead byte of LS and PS (E2 80 A8, E2 80 A9).
constexpr std::array<bool, 256> makeCandidates()
{
    std::array<bool, 256> table{};
    for (int c : {0x0A, 0x0B, 0x0C, 0x0D, 0xC2, 0xE2})
        table[size_t(c)] = true;
    return table;
}
constexpr std::array<bool, 256> kCandidate = makeCandidates();

// Length of the line end that starts at p[i], or 0 when p[i] does not begin one.
inline qsizetype lineEndLength(const unsigned char* p, qsizetype i, qsizetype n)
{
    switch (p[i]) {
    case 0x0A:
    case 0x0B:
    case 0x0C: return 1;
    case 0x0D: return (i + 1 < n && p[i + 1] == 0x0A) ? 2 : 1;
    case 0xC2: return (i + 1 < n && p[i + 1] == 0x85) ? 2 : 0;
    case 0xE2: return (i + 2 < n && p[i + 1] == 0x80 && (p[i + 2] == 0xA8 || p[i + 2] == 0xA9)) ? 3 : 0;
    default: return 0;
    }
}

} // namespace

TextLines TextLines::split(QByteArray utf8)
{
    TextLines lines;
    // One entry per line feed is the whole table for most files; growing it by doubling
    // instead would hold up to three times that at the moment it moves.
    lines.m_offsets.reserve(size_t(std::count(utf8.cbegin(), utf8.cend(), '\n')) + 2);
    lines.m_data = std::move(utf8);
    lines.splitInPlace(0);
    // Give the room of the line ends back: two bytes a line on a file of short lines with
    // CR LF ends. Shrinking a large block returns its pages without copying it.
    if (lines.m_data.capacity() - lines.m_data.size() > 64 * 1024)
        lines.m_data.squeeze();
    return lines;
}

void TextLines::appendSplit(QByteArrayView utf8)
{
    const qsizetype base = byteSize();
    m_data.resize(base);
    m_data.append(utf8);
    splitInPlace(base);
}

// Splits m_data[from, size) into lines, squeezing the terminators out in place: the
// text of each line is moved down to `write`, which never passes the read position.
void TextLines::splitInPlace(qsizetype from)
{
    const qsizetype n = m_data.size();
    auto* p = reinterpret_cast<unsigned char*>(m_data.data());
    qsizetype write = from;
    qsizetype read = from;
    while (read < n) {
        // Find the next line end; everything before it belongs to the current line.
        qsizetype scan = read;
        qsizetype endLength = 0;
        for (; scan < n; ++scan) {
            if (kCandidate[p[scan]] && (endLength = lineEndLength(p, scan, n)) != 0)
                break;
        }
        const qsizetype length = scan - read;
        if (write != read && length > 0)
            std::memmove(p + write, p + read, size_t(length));
        write += length;
        read = scan;
        if (endLength != 0) {
            m_offsets.push_back(write);
            read += endLength;
        }
    }
    m_offsets.push_back(write);
    // Text after the last line end is the last element; drop it once when it is empty.
    if (m_offsets[m_offsets.size() - 1] == m_offsets[m_offsets.size() - 2])
        m_offsets.pop_back();
    m_data.resize(write);
}

TextLines TextLines::fromStrings(const QStringList& lines)
{
    TextLines result;
    for (const QString& line : lines)
        result.append(line.toUtf8());
    return result;
}

SharedLines TextLines::share(TextLines lines)
{
    return std::make_shared<const TextLines>(std::move(lines));
}

void TextLines::append(QByteArrayView utf8Line)
{
    m_data.resize(byteSize());
    m_data.append(utf8Line);
    m_offsets.push_back(m_data.size());
}

void TextLines::appendOwned(QByteArray&& utf8Line)
{
    if (byteSize() != 0) {
        append(QByteArrayView(utf8Line));
        return;
    }
    m_data = std::move(utf8Line);
    m_offsets.push_back(m_data.size());
}

void TextLines::reserve(qsizetype lines, qsizetype bytes)
{
    m_offsets.reserve(size_t(lines) + 1);
    m_data.reserve(bytes);
}

QStringList TextLines::toStringList() const
{
    QStringList out;
    out.reserve(size());
    for (qsizetype i = 0; i < size(); ++i)
        out.append(at(i));
    return out;
}

} // namespace varnel
