// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QStringView>

#include <vector>

namespace varnel {

// One token of a line: a word (a run of letters, digits and '_', with the marks that
// combine with them) or a single other character (one grapheme: a space, a punctuation
// mark, an emoji with its modifiers).
struct WordToken {
    qsizetype start = 0;
    qsizetype length = 0;
    bool word = false;

    qsizetype end() const { return start + length; }
};

// Splits `text` into tokens that cover it in order. No token splits a grapheme.
std::vector<WordToken> wordTokens(QStringView text);

// The grapheme boundaries of `text`, from 0 to text.size() inclusive.
std::vector<qsizetype> graphemeBoundaries(QStringView text);

} // namespace varnel
