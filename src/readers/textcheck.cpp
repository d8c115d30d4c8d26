// SPDX-License-Identifier: GPL-3.0-or-later

#include "readers/textcheck.h"

#include "readers/fileparser.h"

#include <algorithm>

namespace varnel {

namespace {

// The start of the last UTF-8 sequence when it is cut short at the end of `data`, else
// the size of `data`.
qsizetype withoutCutSequence(QByteArrayView data)
{
    const qsizetype n = data.size();
    for (qsizetype back = 1; back <= std::min<qsizetype>(3, n); ++back) {
        const auto c = static_cast<unsigned char>(data[n - back]);
        if ((c & 0xC0) == 0x80)
            continue; // a continuation byte: look further back for the lead
        const qsizetype length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
        return length > back ? n - back : n;
    }
    return n;
}

bool isUtf8Text(QByteArrayView head, bool cut)
{
    if (head.contains('\0'))
        return false;
    return FileParser::isValidUtf8(cut ? head.first(withoutCutSequence(head)) : head);
}

bool isUtf16Text(QByteArrayView head, bool cut)
{
    if (head.size() < 2)
        return false;
    const auto* p = reinterpret_cast<const unsigned char*>(head.data());
    const bool bigEndian = p[0] == 0xFE && p[1] == 0xFF;
    if (!bigEndian && !(p[0] == 0xFF && p[1] == 0xFE))
        return false;
    if (!cut && head.size() % 2 != 0)
        return false;
    const qsizetype units = head.size() / 2;
    bool expectLow = false;
    for (qsizetype i = 1; i < units; ++i) {
        const unsigned unit = bigEndian ? (p[2 * i] << 8 | p[2 * i + 1]) : (p[2 * i + 1] << 8 | p[2 * i]);
        const bool low = unit >= 0xDC00 && unit <= 0xDFFF;
        if (unit == 0 || low != expectLow)
            return false;
        expectLow = unit >= 0xD800 && unit <= 0xDBFF;
    }
    return !expectLow || cut;
}

bool isSingleByteText(QByteArrayView head)
{
    return std::none_of(head.begin(), head.end(), [](char ch) {
        const auto c = static_cast<unsigned char>(ch);
        const bool allowed = c == '\t' || c == '\n' || c == '\f' || c == '\r';
        // 0x80 to 0x9F are control characters in Latin-1, punctuation in Windows-1252.
        return (c < 0x20 && !allowed) || c == 0x7F || (c >= 0x80 && c < 0xA0 && windows1252Character(c) == 0);
    });
}

} // namespace

bool looksLikeText(QByteArrayView head, bool cut)
{
    return isUtf8Text(head, cut) || isUtf16Text(head, cut) || isSingleByteText(head);
}

} // namespace varnel
