// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/error.h"
#include "core/textlines.h"

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
};

QString describe(DOCXParserError error);

// Reads the paragraphs of a Word document's main part ("word/document.xml") as lines,
// one line per paragraph that holds more than spaces and tabs.
//
// The archive is read by walking its local headers from the start of the file; the
// central directory is consulted only for members written by streaming writers, whose
// local headers carry no sizes. The part is inflated with zlib in one call.
class DOCXParser {
public:
    static Expected<TextLines> extractText(const QString& path);

    static std::variant<QByteArray, DOCXParserError> extractZipEntry(QByteArrayView name, QByteArrayView archive);

    // Raw DEFLATE data inflated into a buffer of exactly `uncompressedSize` bytes (zero
    // bytes after the real output); nothing when the stream is corrupt, does not end
    // within that size, or produces nothing. Empty input or size gives empty data.
    static std::optional<QByteArray> rawInflate(QByteArrayView data, qint64 uncompressedSize);

    // The paragraph lines of a document part; nothing when the XML is malformed or
    // empty, declares a document type, nests deeper than kMaxXmlDepth, or yields more
    // text than its size allows.
    static std::optional<TextLines> parseDocumentXml(QByteArrayView xml);

    // Word's own documents nest a few dozen elements deep (tables in tables included).
    static constexpr qint64 kMaxXmlDepth = 256;

    // Declared sizes beyond this, or beyond what DEFLATE can expand the compressed data
    // to, are refused before anything is allocated.
    static constexpr qint64 kMaxPartSize = qint64(512) << 20;
};

} // namespace varnel
