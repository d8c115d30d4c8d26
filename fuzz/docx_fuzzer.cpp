// SPDX-License-Identifier: GPL-3.0-or-later

// libFuzzer target: the central directory, the package relationships, inflation, the
// checksums and the document parse.
#include "readers/docxparser.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArrayView archive(reinterpret_cast<const char*>(data), qsizetype(size));
    std::variant<QByteArray, varnel::DOCXParserError> part = varnel::DOCXParser::extractMainPart(archive);
    if (const QByteArray* xml = std::get_if<QByteArray>(&part))
        (void)varnel::DOCXParser::parseDocumentXml(*xml);
    // The part parser also sees the raw input, as if it were an inflated document.
    (void)varnel::DOCXParser::parseDocumentXml(archive);
    return 0;
}
