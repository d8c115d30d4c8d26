// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "reading/changeruns.h"

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

namespace varnel {

// The whole result scaled onto a strip of `pixels` pixel rows: which kinds of change fall
// on each pixel row. The static functions below take rows, or any units rows are measured
// in (pixels of wrapped rows) in place of rows. Pixel p shows rows [p·N/H, (p+1)·N/H) of N rows on H pixels; with
// fewer rows than pixels, each row covers H/N pixels.
class ChangeMap {
public:
    enum Mark : std::uint8_t { none = 0, added = 1, removed = 2, moved = 4 };
    // Whether a changed row belongs to a moved block: such rows are marked `moved`, not
    // added or removed. Empty: none is.
    using MovedRow = std::function<bool(qint64 row)>;

    ChangeMap() = default;
    ChangeMap(const ChangeRuns& runs, int pixels);
    // Rows of differing heights (wrapped lines): row r spans [top(r), top(r + 1)) of
    // `total` units, and the units, not the rows, are scaled onto the pixels.
    ChangeMap(const ChangeRuns& runs, int pixels, const std::function<qint64(qint64 row)>& top, qint64 total);
    // Runs placed by `unitsOf`: the units [first, end) of `total` each run covers (a run
    // of paired rows stands beside its partner run, not below it).
    using RunUnits = std::function<std::pair<qint64, qint64>(const ChangeRun& run)>;
    ChangeMap(const ChangeRuns& runs, int pixels, const RunUnits& unitsOf, qint64 total,
              const MovedRow& isMovedRow = {});

    int pixels() const { return int(m_marks.size()); }
    qint64 rowCount() const { return m_rowCount; }
    // The marks of pixel row `y` (a combination of Mark bits).
    std::uint8_t marks(int y) const { return m_marks[std::size_t(y)]; }

    // The first pixel row that shows `row`, and the pixel rows [first, last) it covers:
    // at least one, however many rows share a pixel.
    static std::pair<int, int> pixelsOfRows(qint64 first, qint64 end, qint64 rowCount, int pixels);
    // The rows [first, end) that pixel row `y` shows; at least one row.
    static std::pair<qint64, qint64> rowsAtPixel(int y, qint64 rowCount, int pixels);
    // The row under a point `y` pixels from the top (fractions allowed), clamped to the rows.
    static qint64 rowAt(double y, qint64 rowCount, int pixels);

private:
    // Marks the units [from, to) of `total` with `mark`.
    void mark(qint64 from, qint64 to, qint64 total, std::uint8_t mark);

    std::vector<std::uint8_t> m_marks;
    qint64 m_rowCount = 0;
};

} // namespace varnel
