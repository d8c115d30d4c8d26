// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/compareoptions.h"

#include <QByteArrayView>

#include <string>

namespace varnel {

// The form of a line that -i, -Z, -b and -w compare: white space trimmed, squeezed or
// removed, letters case-folded. Works on UTF-8 bytes, without decoding lines that need
// nothing, and copies a line only when the options change it.
//
// White space is what GNU diff takes for it in ASCII (space, tab, vertical tab, form feed,
// carriage return) and the Unicode space separators (U+00A0, U+1680, U+2000 to U+200A,
// U+202F, U+205F, U+3000): a no-break space pasted from a web page is white space to a
// reader. Zero-width characters (U+200B, U+FEFF) are not white space: they are format
// characters, and they stay.
//
// Case folding is Unicode's simple case folding, code point by code point (ASCII without
// decoding): "Ä" and "ä" are equal, "Straße" and "STRASSE" are not.
class LineForm {
public:
    // Room for the copies a line may need; one per caller, reused line after line.
    struct Scratch {
        std::string space;
        std::string folded;
    };

    LineForm() = default;
    explicit LineForm(const CompareOptions& options);

    // Whether the options change any line at all.
    bool isIdentity() const { return m_space == Space::keep && !m_fold; }

    // `line` as the options compare it: a view of `line` itself (perhaps shortened) when
    // nothing else changes, else of `scratch`, valid until its next use.
    QByteArrayView apply(QByteArrayView line, Scratch& scratch) const;

    // The length of the white space that starts `text` (a whole character: 1 to 3 bytes),
    // or 0.
    static int spaceAt(QByteArrayView text);
    // Whether the line holds nothing but white space (an empty line too).
    static bool isAllSpace(QByteArrayView line);

private:
    enum class Space : std::uint8_t { keep, trailing, change, all };

    QByteArrayView squeeze(QByteArrayView line, std::string& out) const;
    static QByteArrayView fold(QByteArrayView line, std::string& out);

    Space m_space = Space::keep;
    bool m_fold = false;
};

} // namespace varnel
