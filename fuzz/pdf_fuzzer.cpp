// SPDX-License-Identifier: GPL-3.0-or-later

// libFuzzer target: our wrapper around Poppler (open, lock check, page text, line split)
// on mutated PDFs. Every input must give lines or one of the wrapper's errors.
#include "readers/pdfparser.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const varnel::Expected<varnel::PDFExtractionResult> result =
        varnel::PDFParser::extractFromData(bytes, QStringLiteral("fuzz.pdf"));
    if (result) {
        // Lines never hold a line end: the split took them all.
        const varnel::TextLines& lines = result.value().lines;
        for (qsizetype i = 0; i < lines.size(); ++i) {
            if (lines.utf8(i).toString().contains(u'\n'))
                std::abort();
        }
    } else if (result.error().message.isEmpty()) {
        std::abort();
    }
    return 0;
}
