// SPDX-License-Identifier: GPL-3.0-or-later

// Finding text in the lines of a result.
//
// The idea: the lines are held as UTF-8, and most are ASCII. An ASCII query in an ASCII
// line is found byte by byte, folding case with a table; anything else is converted to
// UTF-16 and searched the way QString does, so the two ways agree on every line.
//
// The cost: O(n · q) at worst per line, usually O(n): a scan for the query's first
// character (in both cases when case is ignored), then a comparison of the rest.
//
// The invariant: count(line) == find(line as UTF-16).size() for every line; matches do
// not overlap and are found from the left.
#include "reading/textmatcher.h"

#include <algorithm>
#include <cstring>

namespace varnel {

namespace {

bool isAscii(QByteArrayView bytes)
{
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return (static_cast<unsigned char>(c) & 0x80) == 0; });
}

char lower(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

} // namespace

TextMatcher::TextMatcher(QString query, Qt::CaseSensitivity sensitivity)
    : m_query(std::move(query))
    , m_sensitivity(sensitivity)
{
    bool ascii = true;
    for (QChar c : m_query)
        ascii = ascii && c.unicode() < 0x80;
    if (ascii) {
        m_asciiQuery = m_query.toLatin1();
        if (m_sensitivity == Qt::CaseInsensitive)
            std::transform(m_asciiQuery.begin(), m_asciiQuery.end(), m_asciiQuery.begin(), lower);
    }
}

QList<TextSpan> TextMatcher::find(QStringView text) const
{
    QList<TextSpan> found;
    if (m_query.isEmpty())
        return found;
    qsizetype from = 0;
    while ((from = text.indexOf(m_query, from, m_sensitivity)) >= 0) {
        found.append({from, m_query.size()});
        from += m_query.size();
    }
    return found;
}

qsizetype TextMatcher::count(QUtf8StringView line) const
{
    if (m_query.isEmpty())
        return 0;
    const QByteArrayView bytes(line.data(), line.size());
    if (!m_asciiQuery.isEmpty() && isAscii(bytes))
        return countAscii(bytes);
    return find(line.toString()).size();
}

qsizetype TextMatcher::countAscii(QByteArrayView line) const
{
    const qsizetype q = m_asciiQuery.size();
    const char* query = m_asciiQuery.constData();
    qsizetype found = 0;
    if (m_sensitivity == Qt::CaseSensitive) {
        qsizetype from = 0;
        while ((from = line.indexOf(QByteArrayView(query, q), from)) >= 0) {
            ++found;
            from += q;
        }
        return found;
    }
    const char first = query[0];
    const char firstUpper = first >= 'a' && first <= 'z' ? char(first - 'a' + 'A') : first;
    const char* data = line.data();
    const qsizetype last = line.size() - q;
    for (qsizetype at = 0; at <= last;) {
        const char c = data[at];
        if (c == first || c == firstUpper) {
            qsizetype k = 1;
            while (k < q && lower(data[at + k]) == query[k])
                ++k;
            if (k == q) {
                ++found;
                at += q;
                continue;
            }
        }
        ++at;
    }
    return found;
}

} // namespace varnel
