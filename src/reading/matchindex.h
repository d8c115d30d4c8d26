// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/diffrows.h"
#include "reading/textmatcher.h"

#include <QList>

#include <functional>
#include <optional>
#include <vector>

namespace varnel {

// Where a query occurs in the rows of a result: the rows that hold it, and how many
// occurrences come before each, so that "the 7th of 42" is a binary search away. Kept
// per row, not per occurrence, so a query found in every row costs 16 bytes a row.
class MatchIndex {
public:
    // One occurrence: its number among all (0-based), its row and its number within the row.
    struct Match {
        qint64 index = 0;
        qint64 row = 0;
        qint64 inRow = 0;
        friend bool operator==(const Match&, const Match&) = default;
    };

    MatchIndex() = default;

    // Searches the text of every row (placeholders have none): both lines of an unchanged
    // row whose two files hold it in different bytes, the left line's occurrences numbered
    // first. Asks `cancelled` every few thousand rows and gives up, with nothing, once it
    // says so.
    static std::optional<MatchIndex> build(const DiffRows& rows, const TextMatcher& matcher,
                                           const std::function<bool()>& cancelled = {});

    qint64 total() const { return m_total; }
    bool isEmpty() const { return m_total == 0; }

    Match at(qint64 index) const;
    // The first occurrence in a row at or after `row`, wrapping to the first of all.
    std::optional<Match> firstFrom(qint64 row) const;
    // The last occurrence in a row before `row`, wrapping to the last of all.
    std::optional<Match> lastBefore(qint64 row) const;
    // How many occurrences `row` holds.
    qint64 countIn(qint64 row) const;
    // How many occurrences the rows [fromRow, toRow) hold.
    qint64 countBetween(qint64 fromRow, qint64 toRow) const;

private:
    struct RowHits {
        qint64 row;
        qint64 before; // occurrences in earlier rows
    };
    Match first(std::size_t hitsIndex) const;
    // The occurrences in the rows before `row`.
    qint64 countBefore(qint64 row) const;

    std::vector<RowHits> m_rows;
    qint64 m_total = 0;
};

} // namespace varnel
