// SPDX-License-Identifier: GPL-3.0-or-later

#include "readers/docxparser.h"

#include "readers/fileparser.h"

#include <QXmlStreamReader>

#include <zlib.h>

#include <unordered_map>
#include <vector>

namespace varnel {

namespace {

constexpr quint32 kLocalHeader = 0x04034B50;
constexpr quint32 kCentralHeader = 0x02014B50;
constexpr quint32 kEndOfCentralDirectory = 0x06054B50;
constexpr quint32 kDataDescriptor = 0x08074B50;
constexpr quint16 kHasDataDescriptor = 0x0008;

// DEFLATE cannot expand data by more than about 1032:1 (a 258-byte match per 2 bits).
constexpr qint64 kMaxDeflateRatio = 1032;
constexpr qint64 kRatioSlack = 4096;

quint16 readUInt16(QByteArrayView bytes, qint64 at)
{
    return quint16(quint8(bytes[at]) | quint8(bytes[at + 1]) << 8);
}

quint32 readUInt32(QByteArrayView bytes, qint64 at)
{
    return quint32(readUInt16(bytes, at)) | quint32(readUInt16(bytes, at + 2)) << 16;
}

struct Sizes {
    qint64 compressed;
    qint64 uncompressed;
};

// The sizes the central directory records, by the offset of each member's local header.
// Read once per archive, and only when a member defers its sizes to a data descriptor:
// looking the directory up again for every such member made archives of many small
// streamed members quadratic.
class CentralDirectory {
public:
    explicit CentralDirectory(QByteArrayView archive) : m_archive(archive) {}

    std::optional<Sizes> sizesAt(qint64 localOffset)
    {
        if (!m_read) {
            read();
            m_read = true;
        }
        const auto found = m_sizes.find(localOffset);
        return found == m_sizes.end() ? std::nullopt : std::optional(found->second);
    }

private:
    void read()
    {
        const qint64 size = m_archive.size();
        constexpr qint64 kEndRecord = 22;
        const qint64 earliest = std::max<qint64>(0, size - kEndRecord - 0xFFFF);
        for (qint64 at = size - kEndRecord; at >= earliest; --at) {
            if (readUInt32(m_archive, at) != kEndOfCentralDirectory)
                continue;
            const qint64 entries = readUInt16(m_archive, at + 10);
            qint64 entry = readUInt32(m_archive, at + 16);
            for (qint64 i = 0; i < entries; ++i) {
                if (entry + 46 > size || readUInt32(m_archive, entry) != kCentralHeader)
                    return;
                m_sizes.emplace(readUInt32(m_archive, entry + 42),
                                Sizes{readUInt32(m_archive, entry + 20), readUInt32(m_archive, entry + 24)});
                entry += 46 + readUInt16(m_archive, entry + 28) + readUInt16(m_archive, entry + 30) +
                         readUInt16(m_archive, entry + 32);
            }
            return;
        }
    }

    QByteArrayView m_archive;
    bool m_read = false;
    std::unordered_map<qint64, Sizes> m_sizes; // first entry wins for a repeated offset
};

bool isBlank(QByteArrayView text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return c == ' ' || c == '\t'; });
}

} // namespace

QString describe(DOCXParserError error)
{
    switch (error) {
    case DOCXParserError::notReadable: return QStringLiteral("Could not read the DOCX file.");
    case DOCXParserError::xmlNotFound: return QStringLiteral("The file does not appear to be a valid DOCX document.");
    case DOCXParserError::decompressionFailed: return QStringLiteral("Could not decompress the DOCX document content.");
    case DOCXParserError::xmlParseFailed: return QStringLiteral("Could not parse the DOCX document XML.");
    }
    return {};
}

Expected<TextLines> DOCXParser::extractText(const QString& path)
{
    const auto failure = [](DOCXParserError error) { return Error{Error::Kind::invalidDocument, describe(error)}; };
    const Expected<QByteArray> archive = readWholeFile(path);
    if (!archive)
        return archive.error(); // names the file and the system's reason, as for text files
    std::variant<QByteArray, DOCXParserError> part = extractZipEntry("word/document.xml", archive.value());
    if (const auto* error = std::get_if<DOCXParserError>(&part))
        return failure(*error);
    std::optional<TextLines> lines = parseDocumentXml(std::get<QByteArray>(part));
    if (!lines)
        return failure(DOCXParserError::xmlParseFailed);
    return std::move(*lines);
}

// Walks the local headers from the first byte: each header is followed by its name,
// its extra field and its data, and then the next header. The walk ends, without
// success, at the first bytes that are not a local header (the central directory).
std::variant<QByteArray, DOCXParserError> DOCXParser::extractZipEntry(QByteArrayView wanted, QByteArrayView archive)
{
    const qint64 size = archive.size();
    CentralDirectory directory(archive);
    qint64 offset = 0;
    for (;;) {
        if (offset + 30 > size || readUInt32(archive, offset) != kLocalHeader)
            return DOCXParserError::xmlNotFound;
        const quint16 flags = readUInt16(archive, offset + 6);
        const quint16 method = readUInt16(archive, offset + 8);
        qint64 compressedSize = readUInt32(archive, offset + 18);
        qint64 uncompressedSize = readUInt32(archive, offset + 22);
        const qint64 nameStart = offset + 30;
        const qint64 nameEnd = nameStart + readUInt16(archive, offset + 26);
        const qint64 dataStart = nameEnd + readUInt16(archive, offset + 28);

        // Streaming writers set the data-descriptor flag and leave the sizes at zero;
        // the central directory has them.
        const bool deferredSizes = (flags & kHasDataDescriptor) != 0 && compressedSize == 0;
        if (deferredSizes) {
            if (const std::optional<Sizes> sizes = directory.sizesAt(offset)) {
                compressedSize = sizes->compressed;
                uncompressedSize = sizes->uncompressed;
            }
        }
        const qint64 dataEnd = dataStart + compressedSize;
        if (nameEnd > size || dataEnd > size)
            return DOCXParserError::xmlNotFound;

        const QByteArrayView nameBytes = archive.sliced(nameStart, nameEnd - nameStart);
        if (FileParser::isValidUtf8(nameBytes) && nameBytes == wanted) {
            const QByteArrayView data = archive.sliced(dataStart, compressedSize);
            if (method == 0)
                return data.toByteArray();
            if (method != 8)
                return DOCXParserError::decompressionFailed;
            if (uncompressedSize > kMaxPartSize || uncompressedSize > compressedSize * kMaxDeflateRatio + kRatioSlack)
                return DOCXParserError::decompressionFailed;
            std::optional<QByteArray> inflated = rawInflate(data, uncompressedSize);
            if (!inflated)
                return DOCXParserError::decompressionFailed;
            return std::move(*inflated);
        }

        offset = dataEnd;
        if (deferredSizes) {
            // Skip the data descriptor: an optional signature, the CRC-32 and two sizes.
            if (offset + 4 <= size && readUInt32(archive, offset) == kDataDescriptor)
                offset += 4;
            offset += 12;
        }
    }
}

std::optional<QByteArray> DOCXParser::rawInflate(QByteArrayView data, qint64 uncompressedSize)
{
    if (data.isEmpty() || uncompressedSize < 1)
        return QByteArray();
    if (uncompressedSize > kMaxPartSize || data.size() > qint64(std::numeric_limits<uInt>::max()))
        return std::nullopt;
    QByteArray output(uncompressedSize, '\0');
    z_stream stream{};
    if (inflateInit2(&stream, -15) != Z_OK)
        return std::nullopt;
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream.avail_in = uInt(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(output.data());
    stream.avail_out = uInt(uncompressedSize);
    const int result = inflate(&stream, Z_FINISH);
    const qint64 produced = result == Z_STREAM_END ? qint64(stream.total_out) : 0;
    inflateEnd(&stream);
    if (produced < 1)
        return std::nullopt;
    return output;
}

// Paragraphs are elements named "p" and their text comes from elements named "t", in
// any namespace. A paragraph may hold another (a text box): open paragraphs form a
// stack, text goes to the innermost, and each becomes its own line when it closes, so
// the outer one keeps its text from before and after the box.
//
// Hostile parts are refused rather than followed: a document type declaration (Word never
// writes one, and its entities are how a few kilobytes expand into gigabytes), nesting
// deeper than kMaxXmlDepth, and text beyond what the part itself could spell out.
std::optional<TextLines> DOCXParser::parseDocumentXml(QByteArrayView xml)
{
    // XML text cannot hold NUL: a part inflated into a larger declared size ends in
    // zero bytes, which are not part of the document.
    if (const qsizetype nul = xml.indexOf('\0'); nul >= 0)
        xml = xml.first(nul);
    // Without entities, character data is never longer than the markup that spells it.
    const qint64 maxText = 2 * qint64(xml.size()) + 4096;

    // The part is fed a megabyte at a time: given all of it, the reader would keep a
    // decoded copy of the whole part beside it.
    constexpr qsizetype kChunk = qsizetype(1) << 20;
    QXmlStreamReader reader;
    qsizetype fed = 0;
    const auto feed = [&] {
        const qsizetype size = std::min(kChunk, xml.size() - fed);
        reader.addData(QByteArray::fromRawData(xml.data() + fed, size));
        fed += size;
    };
    feed();
    std::vector<QByteArray> open; // UTF-8 text of the open paragraphs, innermost last
    TextLines lines;
    qint64 depth = 0;
    qint64 textBytes = 0;
    bool insideText = false;
    for (;;) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        if (token == QXmlStreamReader::Invalid) {
            if (reader.error() == QXmlStreamReader::PrematureEndOfDocumentError && fed < xml.size()) {
                feed();
                continue;
            }
            return std::nullopt; // malformed, or it ends before its root element closes
        }
        if (token == QXmlStreamReader::EndDocument)
            break;
        switch (token) {
        case QXmlStreamReader::DTD: return std::nullopt;
        case QXmlStreamReader::StartElement:
            if (++depth > kMaxXmlDepth)
                return std::nullopt;
            if (reader.name() == u"p")
                open.emplace_back();
            else if (reader.name() == u"t")
                insideText = true;
            break;
        case QXmlStreamReader::EndElement:
            --depth;
            if (reader.name() == u"t") {
                insideText = false;
            } else if (reader.name() == u"p" && !open.empty()) {
                if (!isBlank(open.back()))
                    lines.appendOwned(std::move(open.back()));
                open.pop_back();
            }
            break;
        case QXmlStreamReader::Characters:
            if (insideText && !reader.isCDATA() && !open.empty()) {
                const QByteArray text = reader.text().toUtf8();
                textBytes += text.size();
                if (textBytes > maxText)
                    return std::nullopt;
                open.back() += text;
            }
            break;
        default: break;
        }
    }
    return lines;
}

} // namespace varnel
