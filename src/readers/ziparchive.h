// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// A ZIP archive in memory, read through its central directory as every ZIP reader reads it.
//
// Idea: the end record (or its Zip64 form, found through the Zip64 locator) gives where the
// central directory lies; the directory lists every entry with its name, sizes, CRC-32 and
// the offset of its local header. Each local header is checked against its directory entry
// (the same name, and the same sizes unless the writer deferred them to a data descriptor),
// and no name may appear twice: so the entry read here is the one any other reader would
// read, never a decoy placed before it.
//
// Cost: open() is linear in the size of the directory (one hash lookup per name). read() is
// linear in the entry's compressed and inflated sizes; it inflates a chunk at a time and
// polls the cancel check between chunks.
//
// Invariant: every entry of an opened archive has its data inside the archive, and
// `uncompressedSize` never exceeds kMaxEntrySize nor what DEFLATE can expand its data to
// once read() has accepted it.

#include "core/diffcontrol.h"

#include <QByteArray>
#include <QByteArrayView>

#include <optional>
#include <string_view>
#include <unordered_map>
#include <variant>
#include <vector>

namespace varnel {

enum class ZipError {
    notAnArchive,        // no end record, or a directory or entry outside the file
    inconsistent,        // a local header disagrees with its directory entry
    repeatedName,        // two entries of the same name
    notFound,            // no entry of the name asked for
    decompressionFailed, // an unknown method, an impossible size or a corrupt stream
    checksumMismatch,    // the data read does not have the CRC-32 the directory records
    cancelled,           // the cancel check asked to stop
};

class ZipArchive {
public:
    struct Entry {
        QByteArrayView name;
        quint16 method = 0;
        quint32 crc = 0;
        qint64 compressedSize = 0;
        qint64 uncompressedSize = 0;
        qint64 dataOffset = 0;
    };

    // The archive's directory, checked against its local headers. `archive` must outlive
    // the result.
    static std::variant<ZipArchive, ZipError> open(QByteArrayView archive);

    const Entry* find(QByteArrayView name) const;

    // The entry's data, inflated when deflated, with its CRC-32 checked. A deflated entry
    // whose stream ends before its declared size is padded with zero bytes to that size.
    std::variant<QByteArray, ZipError> read(const Entry& entry, const CancelCheck& cancel = {}) const;

    // Raw DEFLATE data inflated into a buffer of exactly `size` bytes, zero bytes after the
    // real output; `produced` receives the length of the real output. Fails when the
    // stream is corrupt, does not end within that size, or produces nothing.
    static std::variant<QByteArray, ZipError> inflateRaw(QByteArrayView data, qint64 size,
                                                         const CancelCheck& cancel = {}, qint64* produced = nullptr);

    // Declared sizes beyond this, or beyond what DEFLATE can expand the compressed data to,
    // are refused before anything is allocated.
    static constexpr qint64 kMaxEntrySize = qint64(512) << 20;

private:
    explicit ZipArchive(QByteArrayView archive) : m_archive(archive) {}
    std::optional<ZipError> readDirectory(qint64 at, qint64 entries);

    QByteArrayView m_archive;
    std::vector<Entry> m_entries;
    std::unordered_map<std::string_view, std::size_t> m_byName;
};

} // namespace varnel
