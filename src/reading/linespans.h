// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "reading/textspan.h"

#include <QList>
#include <QStringView>

#include <cstdint>

namespace varnel {

// What changed within a modified line: the spans of the old line (`removed`) and of the
// new one (`added`) that the other does not have. Both empty when nothing should be
// marked: the lines are too long, the change is too large to read as an edit, or they are
// equal.
struct LineSpans {
    QList<TextSpan> removed;
    QList<TextSpan> added;

    bool isEmpty() const { return removed.isEmpty() && added.isEmpty(); }

    // Lines longer than this (UTF-16 code units) get no spans.
    static constexpr qsizetype kMaxLength = 10000;
    // The work one pair may cost, in the units of diffTokens().
    static constexpr std::uint64_t kBudget = 200000;

    // Compares the two lines word by word (see wordtokens.h), then, within a changed word
    // replaced by one other word, character by character when that leaves most of it
    // unmarked. Marks nothing when more than half of the lines' non-blank text changed.
    static LineSpans compute(QStringView removedLine, QStringView addedLine);
};

} // namespace varnel
