// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "highlight/guards.h"
#include "highlight/syntaxhighlighter.h"

#include <QRegularExpression>

#include <array>
#include <cstdint>
#include <vector>

// The languages' pattern tables: for each language, the ordered list of expressions with
// their roles and guards, and which of them can start at each character.

namespace varnel::highlight {

struct Pattern {
    QRegularExpression regex;
    TokenRole role;
    Guard guard;
};

struct PatternList {
    std::vector<Pattern> patterns;
    std::array<std::uint32_t, 128> asciiCandidates{};
    std::uint32_t nonAsciiCandidates = 0;

    void push_back(Pattern pattern);
    std::uint32_t candidatesFor(QChar c) const
    {
        return c.unicode() < 128 ? asciiCandidates[c.unicode()] : nonAsciiCandidates;
    }
};

// The list of a language, built on first use, once, whichever thread gets there first;
// read-only afterwards.
const PatternList& patternsFor(SyntaxHighlighter::Language language);

} // namespace varnel::highlight
