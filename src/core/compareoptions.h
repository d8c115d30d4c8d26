// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

namespace varnel {

// How two lines are compared: what makes them the same line. One value travels from the
// caller (the window's view model, varnel-cli) through Comparison and DiffEngine to the
// LineInterner, which alone reads it: two lines are equal when their canonical forms are.
// Every default is the comparison without the option, so a default value compares lines
// as they are written, give or take canonical equivalence.
//
// The options that ignore something follow GNU diff's definitions and letters (-i, -Z, -b,
// -w, -B, -I). The first four change what makes two lines equal; -B and -I act on whole
// change blocks after the diff, as GNU diff's do.
//
// Adding an option touches this value, LineInterner's canonical form, one menu action and
// one varnel-cli flag (see ARCHITECTURE.md, "Adding a comparison option").
struct CompareOptions {
    // Lines that are canonically equivalent Unicode (NFC) are equal: "é" precomposed
    // equals "e" + combining acute. Not offered to users; a comparison of raw code points
    // turns it off.
    bool canonicalEquivalence = true;

    bool ignoreCase = false;          // -i: equal after case folding
    bool ignoreTrailingSpace = false; // -Z: equal without white space at the end
    bool ignoreSpaceChange = false;   // -b: runs of white space count as one space, trailing ones as none
    bool ignoreAllSpace = false;      // -w: equal with all white space removed
    bool ignoreBlankLines = false;    // -B: a change block of only blank lines is not a change
    QStringList ignoreMatching = {};  // -I: a change block whose every line matches one of these is not a change

    // Whether any option ignores something (canonical equivalence does not count).
    bool ignoresAnything() const
    {
        return ignoreCase || ignoreTrailingSpace || ignoreSpaceChange || ignoreAllSpace || ignoreBlankLines ||
               !ignoreMatching.isEmpty();
    }

    friend bool operator==(const CompareOptions&, const CompareOptions&) = default;
};

// Why a row that differs does not count as a change: an unchanged row whose two lines
// differ only in an ignored way, or a row of a change block that -B or -I set aside.
enum class IgnoredReason : std::uint8_t {
    none,
    whitespace, // white space differs (or a blank line under -B)
    letterCase, // letter case differs, and perhaps white space too
    pattern,    // the line matches an ignored pattern (-I)
};

// The options in force, for people, in the order of the menu: "white space", "case",
// "blank lines", "lines matching “^#”". Empty when nothing is ignored.
QStringList ignoredAspects(const CompareOptions& options);

// Why `pattern` cannot be used for -I, naming the pattern and the position, or nothing
// when it is a valid pattern.
std::optional<QString> patternError(const QString& pattern);

} // namespace varnel
