// SPDX-License-Identifier: GPL-3.0-or-later

#include "readers/docxparser.h"

#include "core/nativepath.h"
#include "readers/fileparser.h"

#include <vector>

namespace varnel {

namespace {

constexpr QByteArrayView kRelationships = "_rels/.rels";
constexpr QByteArrayView kDefaultMainPart = "word/document.xml";

DOCXParserError fromZip(ZipError error)
{
    switch (error) {
    case ZipError::notAnArchive:
    case ZipError::notFound: break;
    case ZipError::inconsistent: return DOCXParserError::inconsistentArchive;
    case ZipError::repeatedName: return DOCXParserError::repeatedName;
    case ZipError::decompressionFailed: return DOCXParserError::decompressionFailed;
    case ZipError::checksumMismatch: return DOCXParserError::checksumMismatch;
    case ZipError::cancelled: return DOCXParserError::cancelled;
    }
    return DOCXParserError::xmlNotFound;
}

std::variant<QByteArray, DOCXParserError> readEntry(const ZipArchive& zip, QByteArrayView name,
                                                    const CancelCheck& cancel)
{
    const ZipArchive::Entry* entry = zip.find(name);
    if (!entry)
        return DOCXParserError::xmlNotFound;
    std::variant<QByteArray, ZipError> data = zip.read(*entry, cancel);
    if (const ZipError* error = std::get_if<ZipError>(&data))
        return fromZip(*error);
    return std::move(std::get<QByteArray>(data));
}

// A relationship's target as a part name: relative to the package root, where the package
// relationships stand, or absolute with a leading "/". Nothing for a target that climbs
// out of the package or names nothing.
std::optional<QByteArray> partName(QStringView target)
{
    QList<QByteArray> segments;
    for (const QByteArray& segment : target.toUtf8().split('/')) {
        if (segment.isEmpty() || segment == ".")
            continue;
        if (segment == "..") {
            if (segments.isEmpty())
                return std::nullopt;
            segments.removeLast();
            continue;
        }
        segments.append(segment);
    }
    if (segments.isEmpty())
        return std::nullopt;
    return segments.join('/');
}

// The part that the first internal relationship of type ".../officeDocument" names.
std::variant<QByteArray, DOCXParserError> mainPartName(QByteArrayView relationships, const CancelCheck& cancel)
{
    XmlPart part(relationships, cancel);
    for (;;) {
        const QXmlStreamReader::TokenType token = part.next();
        if (token == QXmlStreamReader::Invalid)
            return part.cancelled() ? DOCXParserError::cancelled : DOCXParserError::xmlParseFailed;
        if (token == QXmlStreamReader::EndDocument)
            return DOCXParserError::xmlNotFound;
        if (token != QXmlStreamReader::StartElement || part.reader().name() != u"Relationship")
            continue;
        const QXmlStreamAttributes attributes = part.reader().attributes();
        if (!attributes.value(QLatin1String("Type")).endsWith(u"/officeDocument") ||
            attributes.value(QLatin1String("TargetMode")).compare(u"External", Qt::CaseInsensitive) == 0)
            continue;
        if (std::optional<QByteArray> name = partName(attributes.value(QLatin1String("Target"))))
            return std::move(*name);
        return DOCXParserError::xmlNotFound;
    }
}

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
    case DOCXParserError::inconsistentArchive:
        return QStringLiteral("The DOCX archive's entries disagree with its central directory.");
    case DOCXParserError::repeatedName: return QStringLiteral("The DOCX archive holds two parts of the same name.");
    case DOCXParserError::checksumMismatch: return QStringLiteral("A part of the DOCX document fails its checksum.");
    case DOCXParserError::cancelled: return cancelledError().message;
    }
    return {};
}

Expected<TextLines> DOCXParser::extractText(const QString& path, const CancelCheck& cancel)
{
    const auto failure = [&path](DOCXParserError error) {
        const QString name = displayName(path);
        switch (error) {
        case DOCXParserError::cancelled: return cancelledError();
        case DOCXParserError::inconsistentArchive:
            return Error{Error::Kind::invalidDocument,
                         QStringLiteral("The file \"%1\" is not a valid DOCX document: its entries disagree with "
                                        "its central directory.")
                             .arg(name)};
        case DOCXParserError::repeatedName:
            return Error{Error::Kind::invalidDocument,
                         QStringLiteral("The file \"%1\" is not a valid DOCX document: it holds two parts of the "
                                        "same name.")
                             .arg(name)};
        case DOCXParserError::checksumMismatch:
            return Error{Error::Kind::invalidDocument,
                         QStringLiteral("The file \"%1\" is damaged: a part of the DOCX document fails its checksum.")
                             .arg(name)};
        default: return Error{Error::Kind::invalidDocument, describe(error)};
        }
    };
    const Expected<QByteArray> archive = readWholeFile(path, cancel);
    if (!archive)
        return archive.error(); // names the file and the system's reason, as for text files
    std::variant<QByteArray, DOCXParserError> part = extractMainPart(archive.value(), cancel);
    if (const auto* error = std::get_if<DOCXParserError>(&part))
        return failure(*error);
    std::variant<TextLines, DOCXParserError> lines = readDocumentXml(std::get<QByteArray>(part), cancel);
    if (const auto* error = std::get_if<DOCXParserError>(&lines))
        return failure(*error);
    return std::move(std::get<TextLines>(lines));
}

std::variant<QByteArray, DOCXParserError> DOCXParser::extractMainPart(QByteArrayView archive, const CancelCheck& cancel)
{
    std::variant<ZipArchive, ZipError> opened = ZipArchive::open(archive);
    if (const ZipError* error = std::get_if<ZipError>(&opened))
        return fromZip(*error);
    const ZipArchive& zip = std::get<ZipArchive>(opened);
    QByteArray mainPart = kDefaultMainPart.toByteArray();
    if (zip.find(kRelationships)) {
        std::variant<QByteArray, DOCXParserError> relationships = readEntry(zip, kRelationships, cancel);
        if (const auto* error = std::get_if<DOCXParserError>(&relationships))
            return *error;
        std::variant<QByteArray, DOCXParserError> name = mainPartName(std::get<QByteArray>(relationships), cancel);
        if (const auto* error = std::get_if<DOCXParserError>(&name))
            return *error;
        mainPart = std::move(std::get<QByteArray>(name));
    }
    return readEntry(zip, mainPart, cancel);
}

std::variant<QByteArray, DOCXParserError> DOCXParser::extractZipEntry(QByteArrayView wanted, QByteArrayView archive,
                                                                      const CancelCheck& cancel)
{
    std::variant<ZipArchive, ZipError> opened = ZipArchive::open(archive);
    if (const ZipError* error = std::get_if<ZipError>(&opened))
        return fromZip(*error);
    return readEntry(std::get<ZipArchive>(opened), wanted, cancel);
}

std::optional<QByteArray> DOCXParser::rawInflate(QByteArrayView data, qint64 uncompressedSize)
{
    std::variant<QByteArray, ZipError> inflated = ZipArchive::inflateRaw(data, uncompressedSize);
    if (std::holds_alternative<ZipError>(inflated))
        return std::nullopt;
    return std::move(std::get<QByteArray>(inflated));
}

std::optional<TextLines> DOCXParser::parseDocumentXml(QByteArrayView xml)
{
    std::variant<TextLines, DOCXParserError> lines = readDocumentXml(xml, {});
    if (std::holds_alternative<DOCXParserError>(lines))
        return std::nullopt;
    return std::move(std::get<TextLines>(lines));
}

// Paragraphs are elements named "p" and their text comes from elements named "t", in
// any namespace. A paragraph may hold another (a text box): open paragraphs form a
// stack, text goes to the innermost, and each becomes its own line when it closes, so
// the outer one keeps its text from before and after the box.
//
// Hostile parts are refused rather than followed (see xmlpart.h), and so is text beyond
// what the part itself could spell out.
std::variant<TextLines, DOCXParserError> DOCXParser::readDocumentXml(QByteArrayView xml, const CancelCheck& cancel)
{
    XmlPart part(xml, cancel);
    // Without entities, character data is never longer than the markup that spells it.
    const qint64 maxText = 2 * part.size() + 4096;
    std::vector<QByteArray> open; // UTF-8 text of the open paragraphs, innermost last
    TextLines lines;
    qint64 textBytes = 0;
    bool insideText = false;
    for (;;) {
        const QXmlStreamReader::TokenType token = part.next();
        if (token == QXmlStreamReader::Invalid)
            return part.cancelled() ? DOCXParserError::cancelled : DOCXParserError::xmlParseFailed;
        if (token == QXmlStreamReader::EndDocument)
            break;
        const QXmlStreamReader& reader = part.reader();
        if (token == QXmlStreamReader::StartElement) {
            if (reader.name() == u"p")
                open.emplace_back();
            else if (reader.name() == u"t")
                insideText = true;
        } else if (token == QXmlStreamReader::EndElement) {
            if (reader.name() == u"t") {
                insideText = false;
            } else if (reader.name() == u"p" && !open.empty()) {
                if (!isBlank(open.back()))
                    lines.appendOwned(std::move(open.back()));
                open.pop_back();
            }
        } else if (insideText && !open.empty()) { // characters, CDATA sections included
            const QByteArray text = reader.text().toUtf8();
            textBytes += text.size();
            if (textBytes > maxText)
                return DOCXParserError::xmlParseFailed;
            open.back() += text;
        }
    }
    return lines;
}

} // namespace varnel
