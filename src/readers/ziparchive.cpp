// SPDX-License-Identifier: GPL-3.0-or-later

#include "readers/ziparchive.h"

#include <QScopeGuard>

#include <zlib.h>

#include <algorithm>
#include <initializer_list>
#include <limits>

namespace varnel {

namespace {

constexpr quint32 kLocalHeader = 0x04034B50;
constexpr quint32 kCentralHeader = 0x02014B50;
constexpr quint32 kEndRecord = 0x06054B50;
constexpr quint32 kZip64EndRecord = 0x06064B50;
constexpr quint32 kZip64Locator = 0x07064B50;
constexpr quint16 kZip64Extra = 0x0001;
constexpr quint16 kHasDataDescriptor = 0x0008;
constexpr qint64 kEndRecordSize = 22;
constexpr qint64 kZip64LocatorSize = 20;
constexpr qint64 kZip64EndRecordSize = 56;
constexpr qint64 kCentralHeaderSize = 46;
constexpr qint64 kLocalHeaderSize = 30;
constexpr qint64 kInZip64 = 0xFFFFFFFF; // a 32-bit field whose value is in the Zip64 extra field

// DEFLATE cannot expand data by more than about 1032:1 (a 258-byte match per 2 bits).
constexpr qint64 kMaxDeflateRatio = 1032;
constexpr qint64 kRatioSlack = 4096;

// Inflating or checking this much takes about a millisecond: the cancel check is polled
// between chunks.
constexpr qint64 kChunk = qint64(256) << 10;

quint16 readUInt16(QByteArrayView bytes, qint64 at)
{
    return quint16(quint8(bytes[at]) | quint8(bytes[at + 1]) << 8);
}

quint32 readUInt32(QByteArrayView bytes, qint64 at)
{
    return quint32(readUInt16(bytes, at)) | quint32(readUInt16(bytes, at + 2)) << 16;
}

quint64 readUInt64(QByteArrayView bytes, qint64 at)
{
    return quint64(readUInt32(bytes, at)) | quint64(readUInt32(bytes, at + 4)) << 32;
}

std::string_view stringView(QByteArrayView bytes)
{
    return {bytes.data(), std::size_t(bytes.size())};
}

// Replaces each field that reads 0xFFFFFFFF, in the order given, by the next 64-bit value
// of the Zip64 extra field; false when a field has no value there. Without that extra
// field, 0xFFFFFFFF is the value itself, as other readers take it.
bool applyZip64(QByteArrayView extra, std::initializer_list<qint64*> fields)
{
    const bool needed = std::any_of(fields.begin(), fields.end(), [](const qint64* f) { return *f == kInZip64; });
    if (!needed)
        return true;
    for (qint64 at = 0; at + 4 <= extra.size();) {
        const quint16 id = readUInt16(extra, at);
        const qint64 start = at + 4;
        at = start + readUInt16(extra, at + 2);
        if (at > extra.size())
            return false;
        if (id != kZip64Extra)
            continue;
        qint64 value = start;
        for (qint64* field : fields) {
            if (*field != kInZip64)
                continue;
            if (value + 8 > at || readUInt64(extra, value) > quint64(std::numeric_limits<qint64>::max()))
                return false;
            *field = qint64(readUInt64(extra, value));
            value += 8;
        }
        return true;
    }
    return true;
}

// The CRC-32 of `data`, or nothing when cancelled.
std::optional<quint32> checksum(QByteArrayView data, const CancelCheck& cancel)
{
    uLong crc = crc32(0, nullptr, 0);
    for (qint64 at = 0; at < data.size(); at += kChunk) {
        if (cancel && cancel())
            return std::nullopt;
        const qint64 length = std::min(kChunk, data.size() - at);
        crc = crc32(crc, reinterpret_cast<const Bytef*>(data.data() + at), uInt(length));
    }
    return quint32(crc);
}

struct DirectoryPlace {
    qint64 offset;
    qint64 entries;
};

// Where the central directory starts and how many entries it has, from the last end record
// in the file and, when a locator stands before it, the Zip64 end record.
std::optional<DirectoryPlace> findDirectory(QByteArrayView archive)
{
    const qint64 size = archive.size();
    const qint64 earliest = std::max<qint64>(0, size - kEndRecordSize - 0xFFFF);
    for (qint64 at = size - kEndRecordSize; at >= earliest; --at) {
        if (readUInt32(archive, at) != kEndRecord)
            continue;
        const qint64 locator = at - kZip64LocatorSize;
        if (locator < 0 || readUInt32(archive, locator) != kZip64Locator)
            return DirectoryPlace{readUInt32(archive, at + 16), readUInt16(archive, at + 10)};
        const quint64 record = readUInt64(archive, locator + 8);
        if (size < kZip64EndRecordSize || record > quint64(size - kZip64EndRecordSize) ||
            readUInt32(archive, qint64(record)) != kZip64EndRecord)
            return std::nullopt;
        const quint64 entries = readUInt64(archive, qint64(record) + 32);
        const quint64 offset = readUInt64(archive, qint64(record) + 48);
        if (offset > quint64(size) || entries > quint64(size) / kCentralHeaderSize)
            return std::nullopt;
        return DirectoryPlace{qint64(offset), qint64(entries)};
    }
    return std::nullopt;
}

// Checks the local header at `local` against the directory's entry and sets where its
// data starts.
std::optional<ZipError> checkLocalHeader(QByteArrayView archive, qint64 local, ZipArchive::Entry& entry)
{
    const qint64 size = archive.size();
    if (local > size - kLocalHeaderSize || readUInt32(archive, local) != kLocalHeader)
        return ZipError::notAnArchive;
    const qint64 nameLength = readUInt16(archive, local + 26);
    const qint64 extraLength = readUInt16(archive, local + 28);
    entry.dataOffset = local + kLocalHeaderSize + nameLength + extraLength;
    if (entry.dataOffset > size || entry.compressedSize > size - entry.dataOffset)
        return ZipError::notAnArchive;
    if (archive.sliced(local + kLocalHeaderSize, nameLength) != entry.name)
        return ZipError::inconsistent;
    // A streaming writer leaves the sizes of the local header at zero; the directory has them.
    if (readUInt16(archive, local + 6) & kHasDataDescriptor)
        return std::nullopt;
    qint64 compressed = readUInt32(archive, local + 18);
    qint64 uncompressed = readUInt32(archive, local + 22);
    const QByteArrayView extra = archive.sliced(local + kLocalHeaderSize + nameLength, extraLength);
    if (!applyZip64(extra, {&uncompressed, &compressed}) || compressed != entry.compressedSize ||
        uncompressed != entry.uncompressedSize)
        return ZipError::inconsistent;
    return std::nullopt;
}

} // namespace

std::variant<ZipArchive, ZipError> ZipArchive::open(QByteArrayView archive)
{
    const std::optional<DirectoryPlace> place = findDirectory(archive);
    if (!place)
        return ZipError::notAnArchive;
    ZipArchive zip(archive);
    if (const std::optional<ZipError> error = zip.readDirectory(place->offset, place->entries))
        return *error;
    return zip;
}

std::optional<ZipError> ZipArchive::readDirectory(qint64 at, qint64 entries)
{
    const QByteArrayView archive = m_archive;
    const qint64 size = archive.size();
    if (entries > size / kCentralHeaderSize)
        return ZipError::notAnArchive;
    m_entries.reserve(std::size_t(entries));
    m_byName.reserve(std::size_t(entries));
    for (qint64 i = 0; i < entries; ++i) {
        if (at > size - kCentralHeaderSize || readUInt32(archive, at) != kCentralHeader)
            return ZipError::notAnArchive;
        const qint64 nameLength = readUInt16(archive, at + 28);
        const qint64 extraLength = readUInt16(archive, at + 30);
        const qint64 next = at + kCentralHeaderSize + nameLength + extraLength + readUInt16(archive, at + 32);
        if (next > size)
            return ZipError::notAnArchive;
        Entry entry;
        entry.name = archive.sliced(at + kCentralHeaderSize, nameLength);
        entry.method = readUInt16(archive, at + 10);
        entry.crc = readUInt32(archive, at + 16);
        entry.compressedSize = readUInt32(archive, at + 20);
        entry.uncompressedSize = readUInt32(archive, at + 24);
        qint64 local = readUInt32(archive, at + 42);
        const QByteArrayView extra = archive.sliced(at + kCentralHeaderSize + nameLength, extraLength);
        if (!applyZip64(extra, {&entry.uncompressedSize, &entry.compressedSize, &local}))
            return ZipError::notAnArchive;
        if (const std::optional<ZipError> error = checkLocalHeader(archive, local, entry))
            return error;
        if (!m_byName.emplace(stringView(entry.name), m_entries.size()).second)
            return ZipError::repeatedName;
        m_entries.push_back(entry);
        at = next;
    }
    return std::nullopt;
}

const ZipArchive::Entry* ZipArchive::find(QByteArrayView name) const
{
    const auto found = m_byName.find(stringView(name));
    return found == m_byName.end() ? nullptr : &m_entries[found->second];
}

std::variant<QByteArray, ZipError> ZipArchive::read(const Entry& entry, const CancelCheck& cancel) const
{
    const QByteArrayView data = m_archive.sliced(entry.dataOffset, entry.compressedSize);
    QByteArray output;
    qint64 produced = data.size();
    if (entry.method == 0) {
        output = data.toByteArray();
    } else if (entry.method == 8) {
        if (entry.uncompressedSize > kMaxEntrySize ||
            entry.uncompressedSize > entry.compressedSize * kMaxDeflateRatio + kRatioSlack)
            return ZipError::decompressionFailed;
        std::variant<QByteArray, ZipError> inflated = inflateRaw(data, entry.uncompressedSize, cancel, &produced);
        if (const ZipError* error = std::get_if<ZipError>(&inflated))
            return *error;
        output = std::move(std::get<QByteArray>(inflated));
    } else {
        return ZipError::decompressionFailed;
    }
    const std::optional<quint32> crc = checksum(QByteArrayView(output).first(produced), cancel);
    if (!crc)
        return ZipError::cancelled;
    if (*crc != entry.crc)
        return ZipError::checksumMismatch;
    return output;
}

std::variant<QByteArray, ZipError> ZipArchive::inflateRaw(QByteArrayView data, qint64 size, const CancelCheck& cancel,
                                                          qint64* produced)
{
    if (produced)
        *produced = 0;
    if (data.isEmpty() || size < 1)
        return QByteArray();
    if (size > kMaxEntrySize)
        return ZipError::decompressionFailed;
    QByteArray output(size, '\0');
    z_stream stream{};
    if (inflateInit2(&stream, -15) != Z_OK)
        return ZipError::decompressionFailed;
    const auto end = qScopeGuard([&stream] { inflateEnd(&stream); });
    qint64 consumed = 0;
    for (;;) {
        if (cancel && cancel())
            return ZipError::cancelled;
        if (stream.avail_in == 0 && consumed < data.size()) {
            const qint64 length = std::min(kChunk, data.size() - consumed);
            stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data() + consumed));
            stream.avail_in = uInt(length);
            consumed += length;
        }
        const qint64 written = qint64(stream.total_out);
        stream.next_out = reinterpret_cast<Bytef*>(output.data() + written);
        stream.avail_out = uInt(std::min(kChunk, size - written));
        const int result = inflate(&stream, Z_NO_FLUSH);
        if (result == Z_STREAM_END)
            break;
        if (result != Z_OK) // corrupt, or no room or input left before the stream's end
            return ZipError::decompressionFailed;
    }
    if (stream.total_out < 1)
        return ZipError::decompressionFailed;
    if (produced)
        *produced = qint64(stream.total_out);
    return output;
}

} // namespace varnel
