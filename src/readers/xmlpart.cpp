// SPDX-License-Identifier: GPL-3.0-or-later

#include "readers/xmlpart.h"

#include <algorithm>

namespace varnel {

namespace {

// A megabyte decodes and scans in about a millisecond.
constexpr qsizetype kPiece = qsizetype(1) << 20;

QStringConverter::Encoding encodingOf(QByteArrayView& data)
{
    const auto startsWith = [&data](QByteArrayView prefix) { return data.startsWith(prefix); };
    if (startsWith("\xEF\xBB\xBF")) {
        data = data.sliced(3);
    } else if (startsWith("\xFF\xFE")) {
        data = data.sliced(2);
        return QStringConverter::Utf16LE;
    } else if (startsWith("\xFE\xFF")) {
        data = data.sliced(2);
        return QStringConverter::Utf16BE;
    } else if (startsWith(QByteArrayView("<\0?\0", 4))) {
        return QStringConverter::Utf16LE;
    } else if (startsWith(QByteArrayView("\0<\0?", 4))) {
        return QStringConverter::Utf16BE;
    }
    return QStringConverter::Utf8;
}

// The data up to its first NUL character: XML text cannot hold one.
QByteArrayView beforeNul(QByteArrayView data, QStringConverter::Encoding encoding)
{
    if (encoding == QStringConverter::Utf8) {
        const qsizetype nul = data.indexOf('\0');
        return nul < 0 ? data : data.first(nul);
    }
    for (qsizetype at = 0; at + 1 < data.size(); at += 2) {
        if (data[at] == 0 && data[at + 1] == 0)
            return data.first(at);
    }
    return data;
}

} // namespace

XmlPart::XmlPart(QByteArrayView data, const CancelCheck& cancel) : m_cancel(cancel)
{
    const QStringConverter::Encoding encoding = encodingOf(data);
    m_data = beforeNul(data, encoding);
    m_decoder = QStringDecoder(encoding);
}

QXmlStreamReader::TokenType XmlPart::next()
{
    for (;;) {
        if (++m_tokens % kPollTokens == 0 && m_cancel && m_cancel()) {
            m_cancelled = true;
            return QXmlStreamReader::Invalid;
        }
        const QXmlStreamReader::TokenType token = m_reader.readNext();
        switch (token) {
        case QXmlStreamReader::Invalid:
            if (m_reader.error() == QXmlStreamReader::PrematureEndOfDocumentError && m_fed < m_data.size()) {
                if (!feed())
                    return QXmlStreamReader::Invalid;
                continue;
            }
            return token; // malformed, or it ends before its root element closes
        case QXmlStreamReader::DTD: return QXmlStreamReader::Invalid;
        case QXmlStreamReader::StartElement: return enter() ? token : QXmlStreamReader::Invalid;
        case QXmlStreamReader::EndElement:
            if (!m_declared.empty()) {
                m_inScope -= m_declared.back();
                m_declared.pop_back();
            }
            return token;
        case QXmlStreamReader::Characters:
        case QXmlStreamReader::EndDocument: return token;
        default: break;
        }
    }
}

bool XmlPart::enter()
{
    const qint64 declared = m_reader.namespaceDeclarations().size();
    m_declared.push_back(declared);
    m_inScope += declared;
    return qint64(m_declared.size()) <= kMaxDepth && m_inScope <= kMaxNamespaces;
}

bool XmlPart::feed()
{
    if (m_cancel && m_cancel()) {
        m_cancelled = true;
        return false;
    }
    const qsizetype length = std::min(kPiece, m_data.size() - m_fed);
    const QString text = m_decoder(m_data.sliced(m_fed, length));
    m_fed += length;
    if (!scan(text))
        return false;
    m_reader.addData(text); // as text: the part's own declaration no longer picks a decoder
    return true;
}

// Follows the markup closely enough to count the attributes of every start tag: text, start
// and end tags, quoted attribute values, processing instructions, comments, CDATA sections
// and declarations. Each attribute of a well-formed start tag has exactly one '=' outside
// its quotes.
bool XmlPart::scan(QStringView text)
{
    for (const QChar character : text) {
        const char16_t c = character.unicode();
        switch (m_scan) {
        case Scan::text:
            if (c == u'<')
                m_scan = Scan::open;
            break;
        case Scan::open:
            m_run = 0;
            m_attributes = 0;
            m_scan = c == u'/' ? Scan::endTag : c == u'?' ? Scan::instruction : c == u'!' ? Scan::bang : Scan::tag;
            break;
        case Scan::tag:
            if (c == u'"' || c == u'\'') {
                m_quote = c;
                m_scan = Scan::quoted;
            } else if (c == u'=' && ++m_attributes > kMaxAttributes) {
                return false;
            } else if (c == u'>') {
                m_scan = Scan::text;
            }
            break;
        case Scan::quoted:
            if (c == m_quote)
                m_scan = Scan::tag;
            break;
        case Scan::endTag:
        case Scan::declaration:
            if (c == u'>')
                m_scan = Scan::text;
            break;
        case Scan::bang: m_scan = c == u'-' ? Scan::bangDash : c == u'[' ? Scan::cdata : Scan::declaration; break;
        case Scan::bangDash: m_scan = c == u'-' ? Scan::comment : Scan::declaration; break;
        case Scan::instruction:
        case Scan::comment:
        case Scan::cdata: {
            // "?>", "-->" and "]]>" end them.
            const char16_t mark = m_scan == Scan::instruction ? u'?' : m_scan == Scan::comment ? u'-' : u']';
            const int needed = m_scan == Scan::instruction ? 1 : 2;
            if (c == u'>' && m_run >= needed)
                m_scan = Scan::text;
            m_run = c == mark ? std::min(m_run + 1, 2) : 0;
            break;
        }
        }
    }
    return true;
}

} // namespace varnel
