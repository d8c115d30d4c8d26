// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

namespace varnel {

// How two lines are compared: what makes them the same line. One value travels from the
// caller (the window's view model, varnel-cli) through Comparison and DiffEngine to the
// LineInterner, which alone reads it: two lines are equal when their canonical forms are.
// Every default is the comparison without the option, so a default value compares lines
// as they are written, give or take canonical equivalence.
//
// Adding an option touches this value, LineInterner's canonical form, one menu action and
// one varnel-cli flag (see ARCHITECTURE.md, "Adding a comparison option").
struct CompareOptions {
    // Lines that are canonically equivalent Unicode (NFC) are equal: "é" precomposed
    // equals "e" + combining acute. Not offered to users; a comparison of raw code points
    // turns it off.
    bool canonicalEquivalence = true;

    friend bool operator==(const CompareOptions&, const CompareOptions&) = default;
};

} // namespace varnel
