// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/diffrows.h"

#include <QList>

#include <cstdint>
#include <optional>
#include <vector>

namespace varnel {

// A stretch of consecutive rows of one kind of change.
struct ChangeRun {
    qint64 start = 0;
    std::int32_t length = 0;
    DiffLineType type = DiffLineType::added; // added or removed
    qint64 end() const { return start + length; }
};

// The runs of added and removed rows of one result, in row order, and the pairing of
// removed rows with the added rows that replace them; rows of blocks set aside by -B or -I
// are no changes and hold none. Found in one pass over the rows when a result arrives;
// what the views ask of it later costs a binary search.
class ChangeRuns {
public:
    ChangeRuns() = default;
    static ChangeRuns find(const DiffRows& lines);

    const std::vector<ChangeRun>& runs() const { return m_runs; }
    qint64 rowCount() const { return m_rowCount; }

    // The run that holds `row`, or none for unchanged rows and placeholders.
    std::optional<std::size_t> runAt(qint64 row) const;

    // The row paired with `row`: in a run of removed rows directly followed by a run of
    // added rows, the k-th removed row pairs with the k-th added row; rows past the
    // shorter run, and every other row, have none.
    std::optional<qint64> partner(qint64 row) const;
    // How many rows of run `run` pair with rows of the run after it: for a run of removed
    // rows directly followed by a run of added rows, the shorter one's length; else 0.
    qint64 pairedWithNext(std::size_t run) const;

    // The changes among rows [first, end), counted as the summary counts them: a removed
    // row and the added row it pairs with are one modified line, counted once, also when
    // only one of the two lies in the range.
    struct Counts {
        qint64 added = 0;
        qint64 removed = 0;
        qint64 modified = 0;
    };
    Counts countIn(qint64 first, qint64 end) const;

private:
    // Appends rows [start, start + length) of one kind, merged with the last run when
    // they continue it.
    void add(qint64 start, qint64 length, DiffLineType type);

    std::vector<ChangeRun> m_runs;
    qint64 m_rowCount = 0;
};

} // namespace varnel
