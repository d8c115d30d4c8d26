// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// One XML part of a document package, read token by token, with what would make the reading
// slow or unbounded refused before the XML reader meets it.
//
// Idea: the part's encoding comes from its first bytes (a byte-order mark, or "<?" written in
// UTF-16, as a UTF-16 declaration is), and everything else is UTF-8. The part is decoded a
// piece at a time and given to QXmlStreamReader as text, so that its declaration cannot make
// the reader decode it again. Before a piece is given, its start tags are scanned: the reader
// compares each attribute of an element with every other, so an element of 200,000 attributes
// would take hours, and one of more than kMaxAttributes is refused. The reader also looks
// each prefix up through every namespace declaration in scope, so more than kMaxNamespaces
// in scope at once are refused as soon as an element brings them. A document type
// declaration is refused too (its entities expand a few kilobytes into gigabytes), and so is
// nesting deeper than kMaxDepth.
//
// Cost: linear in the part's size: the scan looks at each character once, and the reader
// makes at most kMaxAttributes comparisons per attribute and kMaxNamespaces + kMaxAttributes
// per prefix looked up. One decoded piece is held at a time.
//
// Invariant: the cancel check is polled before every piece and every kPollTokens tokens, so
// at least every few milliseconds.

#include "core/diffcontrol.h"

#include <QByteArrayView>
#include <QStringDecoder>
#include <QXmlStreamReader>

#include <vector>

namespace varnel {

class XmlPart {
public:
    XmlPart(QByteArrayView data, const CancelCheck& cancel);

    // The next start element, end element or characters; EndDocument once the part has
    // ended well formed; Invalid for a part that is malformed or refused, or when cancelled.
    QXmlStreamReader::TokenType next();

    const QXmlStreamReader& reader() const { return m_reader; }
    bool cancelled() const { return m_cancelled; }

    // The size of the part's markup in bytes, up to its first NUL (a part inflated into a
    // larger declared size ends in zero bytes, which are not part of the document).
    qint64 size() const { return m_data.size(); }

    // Word's own documents nest a few dozen elements deep (tables in tables included).
    static constexpr qint64 kMaxDepth = 256;
    // Word writes a few dozen at most, namespace declarations of the root included.
    static constexpr qint64 kMaxAttributes = 1024;
    static constexpr qint64 kMaxNamespaces = 1024;
    static constexpr qint64 kPollTokens = 256;

private:
    enum class Scan { text, open, tag, quoted, endTag, instruction, bang, bangDash, comment, cdata, declaration };

    bool enter();
    bool feed();
    bool scan(QStringView text);

    QByteArrayView m_data;
    const CancelCheck& m_cancel;
    QStringDecoder m_decoder;
    QXmlStreamReader m_reader;
    qint64 m_fed = 0;
    std::vector<qint64> m_declared; // namespace declarations of each open element
    qint64 m_inScope = 0;
    qint64 m_tokens = 0;
    bool m_cancelled = false;

    Scan m_scan = Scan::text;
    char16_t m_quote = 0;
    qint64 m_attributes = 0;
    int m_run = 0; // '-' before a comment's end, ']' before a CDATA section's end, '?' before '>'
};

} // namespace varnel
