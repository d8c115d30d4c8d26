// SPDX-License-Identifier: GPL-3.0-or-later

// libFuzzer target: text decoding and line splitting, with their promises checked.
#include "readers/fileparser.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    std::optional<QByteArray> text = varnel::FileParser::decode(bytes);
    if (!text)
        std::abort(); // Latin-1 decodes anything
    if (!varnel::FileParser::isValidUtf8(*text))
        std::abort();
    const QString reference = QString::fromUtf8(*text);
    const varnel::TextLines lines = varnel::TextLines::split(*text);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString line = lines.at(i);
        for (QChar c : line) {
            const char16_t u = c.unicode();
            if ((u >= 0x0A && u <= 0x0D) || u == 0x85 || u == 0x2028 || u == 0x2029)
                std::abort(); // a line end survived the split
        }
    }
    if (lines.byteSize() > text->size())
        std::abort();
    (void)reference;
    return 0;
}
