// SPDX-License-Identifier: GPL-3.0-or-later

#include "readers/fileparser.h"

#include "core/memorybudget.h"
#include "core/nativepath.h"

#include <QScopeGuard>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>

namespace varnel {

namespace {

inline bool isContinuation(unsigned char c)
{
    return (c & 0xC0) == 0x80;
}

// UTF-16 with a byte-order mark, as UTF-8; nothing when the length is odd or a surrogate
// is unpaired. Written out by hand because Qt's decoder accepts any input silently.
std::optional<QByteArray> decodeUtf16WithBom(QByteArrayView data)
{
    if (data.size() < 2 || data.size() % 2 != 0)
        return std::nullopt;
    const auto* p = reinterpret_cast<const unsigned char*>(data.data());
    bool bigEndian;
    if (p[0] == 0xFF && p[1] == 0xFE)
        bigEndian = false;
    else if (p[0] == 0xFE && p[1] == 0xFF)
        bigEndian = true;
    else
        return std::nullopt;

    const qsizetype units = data.size() / 2;
    const auto unitAt = [&](qsizetype i) -> char32_t {
        const unsigned char lo = p[2 * i + (bigEndian ? 1 : 0)];
        const unsigned char hi = p[2 * i + (bigEndian ? 0 : 1)];
        return char32_t(hi) << 8 | lo;
    };

    QByteArray out;
    out.reserve(units * 3 / 2);
    for (qsizetype i = 1; i < units; ++i) {
        char32_t c = unitAt(i);
        if (c >= 0xD800 && c <= 0xDBFF) {
            if (i + 1 >= units)
                return std::nullopt;
            const char32_t low = unitAt(i + 1);
            if (low < 0xDC00 || low > 0xDFFF)
                return std::nullopt;
            c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
            ++i;
        } else if (c >= 0xDC00 && c <= 0xDFFF) {
            return std::nullopt;
        }
        if (c < 0x80) {
            out.append(char(c));
        } else if (c < 0x800) {
            out.append(char(0xC0 | (c >> 6)));
            out.append(char(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.append(char(0xE0 | (c >> 12)));
            out.append(char(0x80 | ((c >> 6) & 0x3F)));
            out.append(char(0x80 | (c & 0x3F)));
        } else {
            out.append(char(0xF0 | (c >> 18)));
            out.append(char(0x80 | ((c >> 12) & 0x3F)));
            out.append(char(0x80 | ((c >> 6) & 0x3F)));
            out.append(char(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

// Windows-1252's characters for the bytes 0x80 to 0x9F; 0 where it has none.
constexpr char16_t kWindows1252[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

// Single bytes as UTF-8: Latin-1 maps each byte to the character of the same number,
// Windows-1252 only differs from 0x80 to 0x9F.
QByteArray singleBytesToUtf8(QByteArrayView data, bool windows1252)
{
    QByteArray out;
    out.reserve(data.size() + data.size() / 8);
    for (char ch : data) {
        const auto c = static_cast<unsigned char>(ch);
        const char16_t u = windows1252 ? windows1252Character(c) : c;
        if (u < 0x80) {
            out.append(ch);
        } else if (u < 0x800) {
            out.append(char(0xC0 | (u >> 6)));
            out.append(char(0x80 | (u & 0x3F)));
        } else {
            out.append(char(0xE0 | (u >> 12)));
            out.append(char(0x80 | ((u >> 6) & 0x3F)));
            out.append(char(0x80 | (u & 0x3F)));
        }
    }
    return out;
}

// Whether a read past what was read gives more bytes (a read error counts as none).
bool hasMore(int fd)
{
    char probe[8]; // files that want whole records, such as /proc/self/pagemap, take 8
    for (;;) {
        const ssize_t got = ::read(fd, probe, sizeof probe);
        if (got < 0 && errno == EINTR)
            continue;
        return got > 0;
    }
}

Error endlessFileError(const QString& path, qint64 read, qint64 stated)
{
    return Error{Error::Kind::tooLarge,
                 QStringLiteral("The file \"%1\" is too large to compare: it is more than %2, though it gives its "
                                "size as %3.")
                     .arg(displayName(path), MemoryBudget::formatSize(read), MemoryBudget::formatSize(stated))};
}

} // namespace

char16_t windows1252Character(unsigned char byte)
{
    return byte >= 0x80 && byte < 0xA0 ? kWindows1252[byte - 0x80] : byte;
}

bool FileParser::isWindows1252(QByteArrayView data)
{
    bool punctuation = false;
    for (char ch : data) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x80 || c >= 0xA0)
            continue;
        if (windows1252Character(c) == 0)
            return false;
        punctuation = true;
    }
    return punctuation;
}

qint64 wholeReadGuard(qint64 statedSize)
{
    constexpr qint64 kMargin = 16 * 1024 * 1024;
    const qint64 most = std::numeric_limits<qsizetype>::max() / 4;
    return statedSize > (most - kMargin) / 2 ? most : 2 * statedSize + kMargin;
}

QString describe(FileParserError error)
{
    switch (error) {
    case FileParserError::unreadableEncoding: break;
    }
    return QStringLiteral("The file's text encoding could not be determined. "
                          "Only UTF-8, UTF-16, and Latin-1 files are supported.");
}

bool FileParser::isValidUtf8(QByteArrayView data)
{
    const auto* p = reinterpret_cast<const unsigned char*>(data.data());
    const qsizetype n = data.size();
    qsizetype i = 0;
    while (i < n) {
        // ASCII runs, eight bytes at a time.
        while (i + 8 <= n) {
            std::uint64_t word;
            std::memcpy(&word, p + i, 8);
            if (word & 0x8080808080808080ULL)
                break;
            i += 8;
        }
        if (i >= n)
            break;
        const unsigned char c = p[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        qsizetype length;
        unsigned char lo = 0x80, hi = 0xBF; // allowed range of the second byte
        if (c >= 0xC2 && c <= 0xDF) {
            length = 2;
        } else if (c >= 0xE0 && c <= 0xEF) {
            length = 3;
            if (c == 0xE0)
                lo = 0xA0; // overlong
            else if (c == 0xED)
                hi = 0x9F; // surrogates
        } else if (c >= 0xF0 && c <= 0xF4) {
            length = 4;
            if (c == 0xF0)
                lo = 0x90; // overlong
            else if (c == 0xF4)
                hi = 0x8F; // past U+10FFFF
        } else {
            return false;
        }
        if (i + length > n || p[i + 1] < lo || p[i + 1] > hi)
            return false;
        for (qsizetype k = 2; k < length; ++k) {
            if (!isContinuation(p[i + k]))
                return false;
        }
        i += length;
    }
    return true;
}

std::optional<QByteArray> FileParser::decode(QByteArray data, TextFormat* format)
{
    TextFormat found;
    std::optional<QByteArray> text;
    if (isValidUtf8(data)) {
        found.byteOrderMark = data.startsWith("\xEF\xBB\xBF");
        if (found.byteOrderMark)
            data.remove(0, 3);
        text = std::move(data);
    } else if (std::optional<QByteArray> utf16 = decodeUtf16WithBom(data)) {
        found.encoding = data.startsWith("\xFF\xFE") ? TextFormat::Encoding::utf16LittleEndian
                                                     : TextFormat::Encoding::utf16BigEndian;
        found.byteOrderMark = true;
        text = std::move(utf16);
    } else {
        const bool windows1252 = isWindows1252(data);
        found.encoding = windows1252 ? TextFormat::Encoding::windows1252 : TextFormat::Encoding::latin1;
        text = singleBytesToUtf8(data, windows1252);
    }
    if (format)
        *format = found;
    return text;
}

Expected<FileParser::Document> FileParser::read(const QString& path, const CancelCheck& cancel)
{
    Expected<QByteArray> bytes = readWholeFile(path, cancel);
    if (!bytes)
        return bytes.error();
    return parse(std::move(bytes).value(), cancel);
}

Expected<FileParser::Document> FileParser::parse(QByteArray bytes, const CancelCheck& cancel)
{
    const auto cancelled = [&cancel] { return cancel && cancel(); };
    Document document;
    std::optional<QByteArray> text = decode(std::move(bytes), &document.format);
    if (!text)
        return Error{Error::Kind::unreadableEncoding, describe(FileParserError::unreadableEncoding)};
    if (cancelled())
        return cancelledError();
    document.format.scanLineEnds(*text);
    document.format.scanOtherLineEnds(*text);
    if (cancelled())
        return cancelledError();
    document.lines = TextLines::split(std::move(*text));
    return document;
}

Expected<TextLines> FileParser::readLines(const QString& path)
{
    Expected<Document> document = read(path);
    if (!document)
        return document.error();
    return std::move(document.value().lines);
}

Error fileReadError(const QString& path, const QString& reason)
{
    QString why = reason;
    while (why.endsWith(u'.'))
        why.chop(1);
    return Error{Error::Kind::fileUnreadable,
                 QStringLiteral("The file \"%1\" could not be read: %2.").arg(displayName(path), why)};
}

Error notRegularFileError(const QString& path)
{
    return Error{Error::Kind::notRegularFile,
                 QStringLiteral("The file \"%1\" is not a regular file.").arg(displayName(path))};
}

// Opened without blocking, so a FIFO without a writer cannot hang the read, and read only
// when it is a regular file: a device such as /dev/zero never ends. The path's exact bytes
// are opened (see nativepath.h).
Expected<QByteArray> readFile(const QString& path, qsizetype limit, const CancelCheck& cancel)
{
    const QByteArray native = nativePath(path);
    const int fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return fileReadError(path, QString::fromLocal8Bit(std::strerror(errno)));
    const auto closeFile = qScopeGuard([fd] { ::close(fd); });
    struct stat status {};
    if (::fstat(fd, &status) != 0)
        return fileReadError(path, QString::fromLocal8Bit(std::strerror(errno)));
    if (S_ISDIR(status.st_mode))
        return fileReadError(path, QString::fromLocal8Bit(std::strerror(EISDIR)));
    if (!S_ISREG(status.st_mode))
        return notRegularFileError(path);

    // The size is a hint: a file that grows while it is read is read to its end (or the
    // limit). Once the hinted size is filled, a small read tells the end from more data, so
    // a file that does not grow is read into one buffer of exactly its size. Read whole, a
    // file is read no further than the memory there is, nor far past its stated size: some
    // regular files never end (/proc/self/pagemap states 0 bytes).
    const qint64 stated = qint64(status.st_size);
    const qint64 guard = limit < 0 ? std::min(MemoryBudget::available(), wholeReadGuard(stated)) : 0;
    const qsizetype cap = limit < 0 ? qsizetype(guard) : limit;
    QByteArray data(std::min(qsizetype(status.st_size), cap), Qt::Uninitialized);
    qsizetype filled = 0;
    char probe[4096];
    while (filled < cap) {
        if (cancel && cancel())
            return cancelledError();
        const bool full = filled == data.size();
        char* target = full ? probe : data.data() + filled;
        const size_t room = full ? size_t(std::min<qsizetype>(sizeof probe, cap - filled))
                                 : size_t(std::min(data.size() - filled, kReadChunk));
        const ssize_t got = ::read(fd, target, room);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return fileReadError(path, QString::fromLocal8Bit(std::strerror(errno)));
        }
        if (got == 0)
            break;
        if (full)
            data.append(probe, got); // the file grew: from here on it grows like any buffer
        filled += got;
    }
    if (limit < 0 && filled >= cap && hasMore(fd))
        return endlessFileError(path, filled, stated);
    data.resize(filled);
    return data;
}

} // namespace varnel
