// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// Builds small ZIP archives in memory for the DOCX tests.

#include <QByteArray>

#include <zlib.h>

#include <optional>
#include <vector>

namespace varnel::testing {

inline QByteArray deflateRaw(const QByteArray& data)
{
    z_stream stream{};
    deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    QByteArray out(qsizetype(deflateBound(&stream, uLong(data.size()))), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream.avail_in = uInt(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = uInt(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(qsizetype(stream.total_out));
    deflateEnd(&stream);
    return out;
}

struct ZipMember {
    ZipMember(QByteArray memberName, QByteArray memberData, quint16 memberMethod = 8, bool isStreamed = false,
              bool withDescriptorSignature = true)
        : name(std::move(memberName))
        , data(std::move(memberData))
        , method(memberMethod)
        , streamed(isStreamed)
        , descriptorSignature(withDescriptorSignature)
    {
    }

    QByteArray name;
    QByteArray data;
    quint16 method = 8;                  // 0 stored, 8 deflated, anything else as given
    bool streamed = false;               // sizes in a data descriptor, zero in the local header
    bool descriptorSignature = true;     // with streamed: whether the descriptor has its signature
    std::optional<quint32> declaredSize; // overrides the uncompressed size in the headers
    std::optional<quint32> declaredCompressed;
    bool payloadAsIs = false; // write data unchanged whatever the method
    std::optional<quint32> declaredCrc;
    std::optional<QByteArray> localName; // a local header that disagrees with the directory
    std::optional<quint32> localSize;    // overrides the uncompressed size in the local header only
    bool zip64 = false;                  // sizes and offset in Zip64 extra fields, and a Zip64 end record
};

inline void put16(QByteArray& out, quint32 v)
{
    out.append(char(v & 0xFF));
    out.append(char((v >> 8) & 0xFF));
}
inline void put32(QByteArray& out, quint32 v)
{
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

inline void put64(QByteArray& out, quint64 v)
{
    put32(out, quint32(v));
    put32(out, quint32(v >> 32));
}

inline QByteArray buildZip(const std::vector<ZipMember>& members)
{
    bool zip64 = false;
    QByteArray out;
    QByteArray central;
    for (const ZipMember& m : members) {
        const QByteArray payload = m.method == 8 && !m.payloadAsIs ? deflateRaw(m.data) : m.data;
        const quint32 crc = m.declaredCrc.value_or(
            quint32(crc32(0, reinterpret_cast<const Bytef*>(m.data.data()), uInt(m.data.size()))));
        const quint32 compressed = m.declaredCompressed.value_or(quint32(payload.size()));
        const quint32 uncompressed = m.declaredSize.value_or(quint32(m.data.size()));
        const quint32 offset = quint32(out.size());
        const QByteArray localName = m.localName.value_or(m.name);
        const quint32 localSize = m.localSize.value_or(uncompressed);
        QByteArray localExtra;
        if (m.zip64) {
            put16(localExtra, 1);
            put16(localExtra, 16);
            put64(localExtra, localSize);
            put64(localExtra, compressed);
        }
        const quint32 big = 0xFFFFFFFF;

        put32(out, 0x04034B50);
        put16(out, 20);
        put16(out, m.streamed ? 0x0008 : 0);
        put16(out, m.method);
        put16(out, 0);
        put16(out, 0);
        put32(out, m.streamed ? 0 : crc);
        put32(out, m.streamed ? 0 : m.zip64 ? big : compressed);
        put32(out, m.streamed ? 0 : m.zip64 ? big : localSize);
        put16(out, quint32(localName.size()));
        put16(out, quint32(localExtra.size()));
        out.append(localName);
        out.append(localExtra);
        out.append(payload);
        if (m.streamed) {
            if (m.descriptorSignature)
                put32(out, 0x08074B50);
            put32(out, crc);
            put32(out, compressed);
            put32(out, uncompressed);
        }

        put32(central, 0x02014B50);
        put16(central, 20);
        put16(central, 20);
        put16(central, m.streamed ? 0x0008 : 0);
        put16(central, m.method);
        put16(central, 0);
        put16(central, 0);
        put32(central, crc);
        put32(central, m.zip64 ? big : compressed);
        put32(central, m.zip64 ? big : uncompressed);
        put16(central, quint32(m.name.size()));
        put16(central, m.zip64 ? 28 : 0);
        put16(central, 0);
        put16(central, 0);
        put16(central, 0);
        put32(central, 0);
        put32(central, m.zip64 ? big : offset);
        central.append(m.name);
        if (m.zip64) {
            put16(central, 1);
            put16(central, 24);
            put64(central, uncompressed);
            put64(central, compressed);
            put64(central, offset);
        }
        zip64 = zip64 || m.zip64;
    }
    const quint32 centralOffset = quint32(out.size());
    out.append(central);
    if (zip64) {
        const quint32 record = quint32(out.size());
        put32(out, 0x06064B50);
        put64(out, 44);
        put16(out, 45);
        put16(out, 45);
        put32(out, 0);
        put32(out, 0);
        put64(out, members.size());
        put64(out, members.size());
        put64(out, quint32(central.size()));
        put64(out, centralOffset);
        put32(out, 0x07064B50);
        put32(out, 0);
        put64(out, record);
        put32(out, 1);
    }
    put32(out, 0x06054B50);
    put16(out, 0);
    put16(out, 0);
    put16(out, zip64 ? 0xFFFF : quint32(members.size()));
    put16(out, zip64 ? 0xFFFF : quint32(members.size()));
    put32(out, zip64 ? 0xFFFFFFFF : quint32(central.size()));
    put32(out, zip64 ? 0xFFFFFFFF : centralOffset);
    put16(out, 0);
    return out;
}

// A minimal main document part around the given body XML.
inline QByteArray documentXml(const QByteArray& body)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
           "<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\" "
           "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\"><w:body>" +
           body + "</w:body></w:document>";
}

} // namespace varnel::testing
