// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/diffcontrol.h"
#include "core/error.h"
#include "core/textlines.h"
#include "readers/xmlpart.h"
#include "readers/ziparchive.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <variant>

namespace varnel {

enum class DOCXParserError {
    notReadable,
    xmlNotFound,
    decompressionFailed,
    xmlParseFailed,
    inconsistentArchive, // local headers and the central directory disagree
    repeatedName,        // two entries of the same name
    checksumMismatch,    // a part does not have its recorded CRC-32
    cancelled,
};

QString describe(DOCXParserError error);

// Reads the paragraphs of a Word document's main part as lines, one line per paragraph that
// holds more than spaces and tabs.
//
// The archive is read through its central directory (see ziparchive.h), which must agree
// with every local header and name each part once. The main part is the target of the
// package relationship of type ".../officeDocument" in "_rels/.rels"; only a package
// without that part falls back to "word/document.xml". Every part read has its CRC-32
// checked, and its XML is read as xmlpart.h describes (UTF-8 or UTF-16).
class DOCXParser {
public:
    // `cancel` is polled at least every few milliseconds; a cancelled read gives
    // cancelledError().
    static Expected<TextLines> extractText(const QString& path, const CancelCheck& cancel = {});

    // The main part's XML, found through the package relationships.
    static std::variant<QByteArray, DOCXParserError> extractMainPart(QByteArrayView archive,
                                                                     const CancelCheck& cancel = {});

    // One entry by its exact name, read and checked as the main part is.
    static std::variant<QByteArray, DOCXParserError> extractZipEntry(QByteArrayView name, QByteArrayView archive,
                                                                     const CancelCheck& cancel = {});

    // Raw DEFLATE data inflated into a buffer of exactly `uncompressedSize` bytes (zero
    // bytes after the real output); nothing when the stream is corrupt, does not end
    // within that size, or produces nothing. Empty input or size gives empty data.
    static std::optional<QByteArray> rawInflate(QByteArrayView data, qint64 uncompressedSize);

    // The paragraph lines of a document part; nothing when the XML is malformed or
    // empty, declares a document type, nests deeper than kMaxXmlDepth, has an element of
    // more than XmlPart::kMaxAttributes attributes, or yields more text than its size allows.
    static std::optional<TextLines> parseDocumentXml(QByteArrayView xml);

    // The same, polling `cancel`: xmlParseFailed for a part refused, cancelled when cancelled.
    static std::variant<TextLines, DOCXParserError> readDocumentXml(QByteArrayView xml, const CancelCheck& cancel);

    static constexpr qint64 kMaxXmlDepth = XmlPart::kMaxDepth;
    static constexpr qint64 kMaxPartSize = ZipArchive::kMaxEntrySize;
};

} // namespace varnel
