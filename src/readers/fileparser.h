// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/diffcontrol.h"
#include "core/error.h"
#include "core/textlines.h"
#include "readers/textformat.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace varnel {

enum class FileParserError {
    unreadableEncoding,
};

QString describe(FileParserError error);

// Reads plain text and source code files as lines.
//
// Encodings are tried in this order, each all or nothing:
//  1. UTF-8 (a leading byte-order mark is dropped);
//  2. UTF-16, only when the data starts with a byte-order mark (either order), has an
//     even length and holds no unpaired surrogate;
//  3. Windows-1252, when bytes from 0x80 to 0x9F occur and each is one of its characters
//     (punctuation such as "…", quotes and dashes, and the euro sign);
//  4. Latin-1, which maps every byte to the character of the same number.
// Lines are split as TextLines::split() describes: CR LF is one line end.
class FileParser {
public:
    // A text file's lines and how it was written.
    struct Document {
        TextLines lines;
        TextFormat format;
    };

    // `cancel` is polled while the file is read and between the steps that follow.
    static Expected<Document> read(const QString& path, const CancelCheck& cancel = {});
    // The same for bytes already in memory (text that is in no file).
    static Expected<Document> parse(QByteArray bytes, const CancelCheck& cancel = {});
    static Expected<TextLines> readLines(const QString& path);

    // The data as UTF-8 text, or nothing when no supported encoding decodes it. `format`,
    // when given, receives the encoding and whether a byte-order mark led the data.
    static std::optional<QByteArray> decode(QByteArray data, TextFormat* format = nullptr);

    // Whether `data` is well-formed UTF-8: no overlong forms, no surrogates, nothing
    // past U+10FFFF, no truncated sequence.
    static bool isValidUtf8(QByteArrayView data);
    // Whether single-byte `data` reads as Windows-1252 rather than Latin-1: it holds bytes
    // from 0x80 to 0x9F, and none of the five that Windows-1252 leaves undefined there.
    static bool isWindows1252(QByteArrayView data);
};

// The character Windows-1252 gives `byte`; 0 for the five bytes it leaves undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D).
char16_t windows1252Character(unsigned char byte);

// The first `limit` bytes of a regular file (all of it when `limit` is negative), or an
// error naming the file and the system's reason. Anything but a regular file (a device, a
// FIFO, a socket) is refused without reading or waiting: `The file "NAME" is not a regular
// file.` Read whole, a file that goes on past the memory available or past
// wholeReadGuard() of its stated size is refused (kind `tooLarge`): `The file "NAME" is
// too large to compare: it is more than SIZE, though it gives its size as SIZE.` The file
// is read in chunks of kReadChunk bytes, polling `cancel` before each: a cancelled read
// gives cancelledError().
Expected<QByteArray> readFile(const QString& path, qsizetype limit = -1, const CancelCheck& cancel = {});
// How far a whole read goes for a file that states `statedSize` bytes: twice that and a
// margin, room for a file that grows while it is read.
qint64 wholeReadGuard(qint64 statedSize);
inline Expected<QByteArray> readWholeFile(const QString& path, const CancelCheck& cancel = {})
{
    return readFile(path, -1, cancel);
}
// A chunk takes a few milliseconds to read from a page cache or a fast disk.
constexpr qsizetype kReadChunk = qsizetype(8) << 20;

// "The file "NAME" could not be read: REASON." for the file at `path`.
Error fileReadError(const QString& path, const QString& reason);

// "The file "NAME" is not a regular file."
Error notRegularFileError(const QString& path);

} // namespace varnel
