// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "reading/textspan.h"

#include <QList>
#include <QString>
#include <QUtf8StringView>

#include <optional>

namespace varnel {

// Finds a query in lines of text: every non-overlapping occurrence, left to right,
// ignoring case unless asked not to (Unicode simple case folding, as QString compares).
// An empty query finds nothing.
class TextMatcher {
public:
    TextMatcher() = default;
    TextMatcher(QString query, Qt::CaseSensitivity sensitivity);

    const QString& query() const { return m_query; }
    Qt::CaseSensitivity sensitivity() const { return m_sensitivity; }
    bool isEmpty() const { return m_query.isEmpty(); }

    // The occurrences in `text`, in UTF-16 code units.
    QList<TextSpan> find(QStringView text) const;
    // The occurrences find() gives that meet the stretch [from, to) of `text`, at most
    // `cap` of them: what a row shows of a line of any length. Found from the stretch's
    // start unless the query can overlap itself ("aa"), when the count must start from
    // the line's.
    QList<TextSpan> findIn(QStringView text, qsizetype from, qsizetype to, qsizetype cap) const;
    // Occurrence `n` (0-based) of those find() gives, found without keeping the others.
    std::optional<TextSpan> nth(QStringView text, qsizetype n) const;
    // How many occurrences find() gives for the UTF-8 line `line`, none of them kept; ASCII
    // lines are searched as they are, without conversion.
    qsizetype count(QUtf8StringView line) const;

    friend bool operator==(const TextMatcher& a, const TextMatcher& b)
    {
        return a.m_query == b.m_query && a.m_sensitivity == b.m_sensitivity;
    }

private:
    qsizetype countAscii(QByteArrayView line) const;

    QString m_query;
    Qt::CaseSensitivity m_sensitivity = Qt::CaseInsensitive;
    QByteArray m_asciiQuery; // lower-cased when case is ignored; empty unless the query is ASCII
    bool m_overlaps = false; // a proper start of the query is also its end
};

} // namespace varnel
