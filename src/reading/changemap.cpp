// SPDX-License-Identifier: GPL-3.0-or-later

// The change map: where the changes of a whole result fall on a strip a few hundred
// pixels tall.
//
// The idea: each run of changes covers the pixel rows its first and last row scale to,
// and at least one, so a single changed line among a million still shows. The marks are
// kept per pixel row, so painting the strip costs one fill per pixel row whatever the
// size of the result.
//
// The cost: O(runs + pixels) per build, once per result and strip height; one byte per
// pixel row.
//
// The invariant: every run marks at least one pixel row, the pixel rows a run marks are
// exactly those its rows scale to (so marks keep the order of the rows), and a pixel row
// is marked only by runs whose rows it shows.
#include "reading/changemap.h"

#include <algorithm>

namespace varnel {

namespace {

// floor(a · b / c) and ceil(a · b / c) for non-negative values, without overflow for any
// realistic row count (rows < 2^40, pixels < 2^20).
qint64 scaleDown(qint64 a, qint64 b, qint64 c)
{
    return a * b / c;
}

qint64 scaleUp(qint64 a, qint64 b, qint64 c)
{
    return (a * b + c - 1) / c;
}

} // namespace

ChangeMap::ChangeMap(const ChangeRuns& runs, int pixels)
    : ChangeMap(
          runs, pixels, [](qint64 row) { return row; }, runs.rowCount())
{
}

ChangeMap::ChangeMap(const ChangeRuns& runs, int pixels, const std::function<qint64(qint64)>& top, qint64 total)
    : m_marks(std::size_t(std::max(0, pixels)), none)
    , m_rowCount(runs.rowCount())
{
    if (pixels <= 0 || m_rowCount <= 0 || total <= 0)
        return;
    for (const ChangeRun& run : runs.runs()) {
        const auto [first, last] = pixelsOfRows(top(run.start), top(run.end()), total, pixels);
        const std::uint8_t mark = run.type == DiffLineType::added ? added : removed;
        for (int y = first; y < last; ++y)
            m_marks[std::size_t(y)] |= mark;
    }
}

ChangeMap::ChangeMap(const ChangeRuns& runs, int pixels, const RunUnits& unitsOf, qint64 total,
                     const MovedRow& isMovedRow)
    : m_marks(std::size_t(std::max(0, pixels)), none)
    , m_rowCount(runs.rowCount())
{
    if (pixels <= 0 || m_rowCount <= 0 || total <= 0)
        return;
    for (const ChangeRun& run : runs.runs()) {
        const std::uint8_t kind = run.type == DiffLineType::added ? added : removed;
        if (!isMovedRow) {
            const auto [from, to] = unitsOf(run);
            mark(from, to, total, kind);
            continue;
        }
        // Stretches of the run that are moved or not, each marked as what it is.
        for (qint64 start = run.start; start < run.end();) {
            const bool isMoved = isMovedRow(start);
            qint64 end = start + 1;
            while (end < run.end() && isMovedRow(end) == isMoved)
                ++end;
            const auto [from, to] = unitsOf(ChangeRun{start, std::int32_t(end - start), run.type});
            mark(from, to, total, isMoved ? std::uint8_t(ChangeMap::moved) : kind);
            start = end;
        }
    }
}

void ChangeMap::mark(qint64 from, qint64 to, qint64 total, std::uint8_t mark)
{
    const auto [first, last] = pixelsOfRows(from, to, total, pixels());
    for (int y = first; y < last; ++y)
        m_marks[std::size_t(y)] |= mark;
}

std::pair<int, int> ChangeMap::pixelsOfRows(qint64 first, qint64 end, qint64 rowCount, int pixels)
{
    if (rowCount <= 0 || pixels <= 0)
        return {0, 0};
    first = std::clamp<qint64>(first, 0, rowCount - 1);
    end = std::clamp<qint64>(end, first + 1, rowCount);
    const int top = int(scaleDown(first, pixels, rowCount));
    const int bottom = int(std::min<qint64>(pixels, scaleUp(end, pixels, rowCount)));
    return {top, std::max(top + 1, bottom)};
}

std::pair<qint64, qint64> ChangeMap::rowsAtPixel(int y, qint64 rowCount, int pixels)
{
    if (rowCount <= 0 || pixels <= 0)
        return {0, 0};
    y = std::clamp(y, 0, pixels - 1);
    const qint64 first = std::min(rowCount - 1, scaleDown(y, rowCount, pixels));
    const qint64 end = std::clamp<qint64>(scaleUp(qint64(y) + 1, rowCount, pixels), first + 1, rowCount);
    return {first, end};
}

qint64 ChangeMap::rowAt(double y, qint64 rowCount, int pixels)
{
    if (rowCount <= 0 || pixels <= 0)
        return 0;
    const double row = y * double(rowCount) / double(pixels);
    return std::clamp<qint64>(qint64(row), 0, rowCount - 1);
}

} // namespace varnel
