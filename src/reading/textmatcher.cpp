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
    const QStringView view(m_query);
    for (qsizetype k = 1; k < view.size() && !m_overlaps; ++k)
        m_overlaps = view.first(k).compare(view.last(k), m_sensitivity) == 0;
}

QList<TextSpan> TextMatcher::findIn(QStringView text, qsizetype from, qsizetype to, qsizetype cap) const
{
    QList<TextSpan> found;
    const qsizetype q = m_query.size();
    if (q == 0 || from >= to)
        return found;
    // Occurrences of a query that cannot overlap itself never hide one another: the first
    // that meets the stretch starts at most q - 1 before it.
    qsizetype at = m_overlaps ? 0 : std::max<qsizetype>(0, from - q + 1);
    while (found.size() < cap && (at = text.indexOf(m_query, at, m_sensitivity)) >= 0 && at < to) {
        if (at + q > from)
            found.append({at, q});
        at += q;
    }
    return found;
}

std::optional<TextSpan> TextMatcher::nth(QStringView text, qsizetype n) const
{
    if (m_query.isEmpty() || n < 0)
        return std::nullopt;
    for (qsizetype at = 0; (at = text.indexOf(m_query, at, m_sensitivity)) >= 0; at += m_query.size()) {
        if (n-- == 0)
            return TextSpan{at, m_query.size()};
    }
    return std::nullopt;
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
    const QString text = line.toString();
    qsizetype found = 0;
    for (qsizetype at = 0; (at = text.indexOf(m_query, at, m_sensitivity)) >= 0; at += m_query.size())
        ++found;
    return found;
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
