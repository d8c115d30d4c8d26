// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>

namespace varnel {

// How a text file was written, beyond its lines: what the reader found while decoding it.
// Two files whose lines are equal may still differ here, and a reader may care.
struct TextFormat {
    enum class Encoding { utf8, utf16LittleEndian, utf16BigEndian, latin1, windows1252 };
    // The line ends used: none (an empty file, or one line without a line end), one kind,
    // or more than one kind. Only LF, CR LF and CR count; the rarer separators that also
    // end lines (VT, FF, NEL, LS, PS) are reported apart, in otherLineEnds.
    enum class LineEnds { none, lf, crLf, cr, mixed };
    // The rarer separators that also end lines, as bits of `otherLineEnds`.
    enum OtherLineEnd : unsigned {
        verticalTab = 1,
        formFeed = 2,
        nextLine = 4,
        lineSeparator = 8,
        paragraphSeparator = 16,
    };

    Encoding encoding = Encoding::utf8;
    bool byteOrderMark = false;
    LineEnds lineEnds = LineEnds::none;
    bool finalLineEnd = false;  // the last line ends with a line end
    bool empty = false;         // no text at all
    unsigned otherLineEnds = 0; // the OtherLineEnd bits of the separators found

    // Fills lineEnds, finalLineEnd and empty from decoded UTF-8 text. LF and CR never occur
    // inside a multi-byte sequence, so the bytes are scanned as they are; the scan stops
    // early once it is sure the line ends are mixed.
    void scanLineEnds(QByteArrayView utf8);
    // Fills otherLineEnds from decoded UTF-8 text (one pass over every byte).
    void scanOtherLineEnds(QByteArrayView utf8);

    // "UTF-8", "UTF-8 with BOM", "UTF-16 LE with BOM", "Latin-1", "Windows-1252".
    QString encodingLabel() const;
    // "LF", "CR LF", "CR", "mixed" or "none".
    QString lineEndsLabel() const;
    // One line for people, e.g. "UTF-8 · CR LF · no final newline" or "Latin-1 · LF". The
    // line ends are left out when there are none; a final line end is taken as usual and
    // named only when it is missing; an empty file reads "UTF-8 · empty".
    QString label() const;

    // For JSON: "utf-8", "utf-16le", "utf-16be", "latin-1", "windows-1252"; "lf", "crlf", "cr",
    // "mixed", "none".
    QString encodingKey() const;
    QString lineEndsKey() const;
    // The rarer separators found, for JSON: "vt", "ff", "nel", "ls", "ps".
    QStringList otherLineEndsKeys() const;

    // How two files differ in these facts, as one line, or empty when they do not:
    // "Line ends differ: CR LF on the left, LF on the right", or for the rarer separators
    // found in one file only, "Line ends differ (form feed)"; several differences are
    // joined with semicolons.
    static QString differences(const TextFormat& left, const TextFormat& right);

    friend bool operator==(const TextFormat&, const TextFormat&) = default;
};

} // namespace varnel
