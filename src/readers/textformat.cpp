// SPDX-License-Identifier: GPL-3.0-or-later

#include "readers/textformat.h"

#include <cstring>

namespace varnel {

namespace {

// The kinds of line end seen, as bits.
enum Seen : unsigned { seenLf = 1, seenCrLf = 2, seenCr = 4 };

} // namespace

void TextFormat::scanLineEnds(QByteArrayView utf8)
{
    const char* const data = utf8.data();
    const qsizetype size = utf8.size();
    unsigned seen = 0;
    lineEnds = LineEnds::none;
    finalLineEnd = false;
    empty = size == 0;
    if (empty)
        return;
    const auto mixed = [&seen] { return (seen & (seen - 1)) != 0; };

    // Line feeds: alone, or after a carriage return.
    for (const char* at = data; !mixed();) {
        at = static_cast<const char*>(std::memchr(at, '\n', std::size_t(data + size - at)));
        if (!at)
            break;
        seen |= at > data && at[-1] == '\r' ? seenCrLf : seenLf;
        ++at;
    }
    // A carriage return not followed by a line feed ends a line on its own.
    for (const char* at = data; !mixed() && !(seen & seenCr);) {
        at = static_cast<const char*>(std::memchr(at, '\r', std::size_t(data + size - at)));
        if (!at)
            break;
        if (at + 1 == data + size || at[1] != '\n')
            seen |= seenCr;
        ++at;
    }

    switch (seen) {
    case 0: lineEnds = LineEnds::none; break;
    case seenLf: lineEnds = LineEnds::lf; break;
    case seenCrLf: lineEnds = LineEnds::crLf; break;
    case seenCr: lineEnds = LineEnds::cr; break;
    default: lineEnds = LineEnds::mixed; break;
    }
    finalLineEnd = size > 0 && (data[size - 1] == '\n' || data[size - 1] == '\r');
}

void TextFormat::scanOtherLineEnds(QByteArrayView utf8)
{
    const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
    const qsizetype size = utf8.size();
    otherLineEnds = 0;
    for (qsizetype i = 0; i < size; ++i) {
        const unsigned char c = p[i];
        if (c == 0x0B)
            otherLineEnds |= verticalTab;
        else if (c == 0x0C)
            otherLineEnds |= formFeed;
        else if (c == 0xC2 && i + 1 < size && p[i + 1] == 0x85)
            otherLineEnds |= nextLine; // U+0085
        else if (c == 0xE2 && i + 2 < size && p[i + 1] == 0x80 && (p[i + 2] == 0xA8 || p[i + 2] == 0xA9))
            otherLineEnds |= p[i + 2] == 0xA8 ? lineSeparator : paragraphSeparator; // U+2028, U+2029
    }
}

namespace {

struct OtherLineEndName {
    TextFormat::OtherLineEnd bit;
    const char* key;
    const char* name;
};

constexpr OtherLineEndName kOtherLineEnds[] = {
    {TextFormat::verticalTab, "vt", "vertical tab"},
    {TextFormat::formFeed, "ff", "form feed"},
    {TextFormat::nextLine, "nel", "next line"},
    {TextFormat::lineSeparator, "ls", "line separator"},
    {TextFormat::paragraphSeparator, "ps", "paragraph separator"},
};

} // namespace

QStringList TextFormat::otherLineEndsKeys() const
{
    QStringList keys;
    for (const OtherLineEndName& end : kOtherLineEnds) {
        if (otherLineEnds & end.bit)
            keys.append(QString::fromLatin1(end.key));
    }
    return keys;
}

QString TextFormat::encodingLabel() const
{
    QString name;
    switch (encoding) {
    case Encoding::utf8: name = QStringLiteral("UTF-8"); break;
    case Encoding::utf16LittleEndian: name = QStringLiteral("UTF-16 LE"); break;
    case Encoding::utf16BigEndian: name = QStringLiteral("UTF-16 BE"); break;
    case Encoding::latin1: name = QStringLiteral("Latin-1"); break;
    case Encoding::windows1252: name = QStringLiteral("Windows-1252"); break;
    }
    return byteOrderMark ? name + QStringLiteral(" with BOM") : name;
}

QString TextFormat::lineEndsLabel() const
{
    switch (lineEnds) {
    case LineEnds::lf: return QStringLiteral("LF");
    case LineEnds::crLf: return QStringLiteral("CR LF");
    case LineEnds::cr: return QStringLiteral("CR");
    case LineEnds::mixed: return QStringLiteral("mixed line ends");
    case LineEnds::none: break;
    }
    return QStringLiteral("none");
}

QString TextFormat::label() const
{
    QStringList parts{encodingLabel()};
    if (empty) {
        parts.append(QStringLiteral("empty"));
    } else {
        if (lineEnds != LineEnds::none)
            parts.append(lineEndsLabel());
        if (!finalLineEnd)
            parts.append(QStringLiteral("no final newline"));
    }
    return parts.join(QStringLiteral(" · "));
}

QString TextFormat::encodingKey() const
{
    switch (encoding) {
    case Encoding::utf8: break;
    case Encoding::utf16LittleEndian: return QStringLiteral("utf-16le");
    case Encoding::utf16BigEndian: return QStringLiteral("utf-16be");
    case Encoding::latin1: return QStringLiteral("latin-1");
    case Encoding::windows1252: return QStringLiteral("windows-1252");
    }
    return QStringLiteral("utf-8");
}

QString TextFormat::lineEndsKey() const
{
    switch (lineEnds) {
    case LineEnds::lf: return QStringLiteral("lf");
    case LineEnds::crLf: return QStringLiteral("crlf");
    case LineEnds::cr: return QStringLiteral("cr");
    case LineEnds::mixed: return QStringLiteral("mixed");
    case LineEnds::none: break;
    }
    return QStringLiteral("none");
}

QString TextFormat::differences(const TextFormat& left, const TextFormat& right)
{
    QStringList found;
    const auto sides = [](const QString& onLeft, const QString& onRight) {
        return QStringLiteral("%1 on the left, %2 on the right").arg(onLeft, onRight);
    };
    if (left.encoding != right.encoding)
        found.append(QStringLiteral("Encodings differ: ") + sides(left.encodingLabel(), right.encodingLabel()));
    else if (left.byteOrderMark != right.byteOrderMark)
        found.append(QStringLiteral("Byte-order marks differ: ") +
                     sides(left.byteOrderMark ? QStringLiteral("a BOM") : QStringLiteral("none"),
                           right.byteOrderMark ? QStringLiteral("a BOM") : QStringLiteral("none")));
    // A file without any line end (one line) differs from the other only by its last one.
    if (left.lineEnds != right.lineEnds && left.lineEnds != LineEnds::none && right.lineEnds != LineEnds::none) {
        const auto name = [](const TextFormat& format) {
            return format.lineEnds == LineEnds::mixed ? QStringLiteral("mixed") : format.lineEndsLabel();
        };
        found.append(QStringLiteral("Line ends differ: ") + sides(name(left), name(right)));
    }
    // The rarer separators one file uses and the other does not.
    if (const unsigned onlyOne = left.otherLineEnds ^ right.otherLineEnds) {
        QStringList names;
        for (const OtherLineEndName& end : kOtherLineEnds) {
            if (onlyOne & end.bit)
                names.append(QString::fromLatin1(end.name));
        }
        found.append(QStringLiteral("Line ends differ (%1)").arg(names.join(QStringLiteral(", "))));
    }
    if (left.finalLineEnd != right.finalLineEnd)
        found.append(left.finalLineEnd ? QStringLiteral("Only the left file ends with a newline")
                                       : QStringLiteral("Only the right file ends with a newline"));

    // One line: the first difference as a sentence, the others after semicolons.
    for (qsizetype i = 1; i < found.size(); ++i)
        found[i][0] = found[i][0].toLower();
    return found.join(QStringLiteral("; "));
}

} // namespace varnel
