// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/diffcontrol.h"
#include "core/diffresult.h"

#include <memory>
#include <optional>
#include <vector>

namespace varnel {

// One block of lines removed in one place and added in another: left lines
// [left, left + length) became right lines [right, right + length), line for line.
struct MovedBlock {
    qint64 left = 0;  // 1-based
    qint64 right = 0; // 1-based
    qint64 length = 0;
    friend bool operator==(const MovedBlock&, const MovedBlock&) = default;
};

// Where one line of a moved block went, or came from.
struct MoveEnd {
    qsizetype block = 0;  // index into MovedBlocks::blocks(); its id is block + 1
    qint64 otherLine = 0; // the line at the other end (a right line for a removed line)
};

// The blocks of a result that were moved rather than removed and added, keyed by line
// number, so the collapsed and the full result of one comparison share one reading. A
// move is still removed and added lines: counts and rows stay as the engine made them.
// Copies are cheap and may be handed from one thread to another.
class MovedBlocks {
public:
    // The equal lines of a block (edited lines pair too easily to count) hold at least this
    // many lines that are not blank...
    static constexpr qint64 kMinLines = 3;
    // ...and at least this many characters that are not white space.
    static constexpr qint64 kMinCharacters = 20;
    // Lines of the left side's changes that occur more often than this start no block
    // (blank lines, braces); blocks still run through them.
    static constexpr qsizetype kMaxCandidates = 32;
    // At most this many edited lines in a row within a block.
    static constexpr qint64 kMaxEditedRun = 2;
    // Runs of equal lines kept before choosing, per added line (plus a few): past it only
    // lines with one equal start runs, so memory stays a few words per changed line even
    // when every line repeats a few times.
    static constexpr qint64 kRunsPerLine = 4;
    static constexpr qint64 kRunsSlack = 4096;

    // The work one search did, for tests and measurements.
    struct Work {
        qint64 removedLines = 0;
        qint64 addedLines = 0;
        qint64 candidates = 0;  // removed lines tried as the start of a block
        qint64 comparisons = 0; // pairs of lines compared byte for byte
        qint64 editChecks = 0;  // pairs of lines compared word by word
        qint64 segments = 0;    // runs of equal lines found before choosing
    };

    MovedBlocks() = default;
    // The moves of `result`; empty when `cancel` asks to stop or memory runs out.
    static MovedBlocks find(const DiffResult& result, const CancelCheck& cancel = {});

    // In the order of their left lines.
    const std::vector<MovedBlock>& blocks() const;
    qsizetype size() const { return qsizetype(blocks().size()); }
    bool isEmpty() const { return blocks().empty(); }

    // The move that left line `line` (removed) belongs to.
    std::optional<MoveEnd> removedAt(qint64 line) const;
    // The move that right line `line` (added) belongs to.
    std::optional<MoveEnd> addedAt(qint64 line) const;
    // The move a removed or added row belongs to; none for other rows.
    std::optional<MoveEnd> of(const DiffLine& row) const;

    Work work() const;

private:
    static MovedBlocks findOrThrow(const DiffResult& result, const CancelCheck& cancel);

    struct Data;
    std::shared_ptr<const Data> m_data;
};

} // namespace varnel

Q_DECLARE_METATYPE(varnel::MovedBlocks)
