// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/diffrows.h"
#include "reading/changeruns.h"

#include <QString>

#include <optional>
#include <vector>

namespace varnel {

// What a screen reader says of a result: a row, the change the focus moved to, and each
// change in a list. Worked out here, from the rows and their runs of changes, so the words
// are the same in every view and tests reach them without a window.

// How a row stands in the column that shows it.
struct SpokenPlace {
    PageSide side = PageSide::right; // whose line number and text an unchanged row gives
    bool filler = false;             // the column shows nothing there: the line is the other side's
    // The line number of the row's partner (a removed line and the added line it became).
    std::optional<qint64> partnerNumber;
};

// "Line 22, removed: return value + 5", "Line 23, added: …", "Line 24: …" for an unchanged
// line, "3 unchanged lines hidden" for a placeholder; a line of a replacement says what it
// was changed to or from, a row marked by the compare options why it is no change, and a
// filler whose line it faces.
QString spokenRow(const DiffLine& line, SpokenPlace place);

// "1 unchanged line hidden", "12 unchanged lines hidden".
QString hiddenLinesText(qint64 count);

// A block of changes: a run of removed lines, the run of added lines that directly
// follows it, or either alone. `number` is its first changed row's number among the
// changed rows (1-based, as the toolbar counts them).
struct ChangeBlock {
    qint64 number = 0;
    qint64 firstRow = 0; // in the result
    qint64 removed = 0;
    qint64 added = 0;
};
// Every block, in order, and the one that holds `row` (none for a row that is no change).
std::vector<ChangeBlock> changeBlocks(const ChangeRuns& runs);
std::optional<ChangeBlock> changeBlockAt(const ChangeRuns& runs, qint64 row);
// How many changed rows the runs hold.
qint64 changeCount(const ChangeRuns& runs);

// "Change 3 of 17: 2 lines removed, 1 added", "Change 1 of 4: 1 line added": `number` is
// the focused changed row's, the counts are its block's.
QString changeAnnouncement(qint64 number, qint64 total, const ChangeBlock& block);

// A block in a list of changes: "Lines 120 to 122 removed: …; added at line 118: …".
// Each side quotes its lines joined by " / ", cut short after kQuotedTextLength characters.
QString changeEntryText(const DiffRows& rows, const ChangeBlock& block);
inline constexpr qsizetype kQuotedTextLength = 80;

} // namespace varnel
