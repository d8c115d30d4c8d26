// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/diffresult.h"
#include "reading/movedblocks.h"

#include <QByteArray>
#include <QColor>
#include <QList>
#include <QString>

#include <atomic>
#include <optional>

class QFontMetricsF;
class QPagedPaintDevice;
class QPainter;

namespace varnel {

// Turns a diff into a paginated two-column report: US Letter pages, the two file names
// on every page, 49 rows a page, "Page N of M" at the foot.
class ExportService {
public:
    // What one cell of a report row shows.
    enum class RowKind { added, removed, unchanged, placeholder, empty };

    struct Cell {
        std::optional<qint64> lineNumber;
        std::optional<QString> content;
        RowKind kind = RowKind::empty;
        // The line differs from its counterpart only in a way the comparison ignored (an
        // unchanged row), or its change block was set aside by -B or -I.
        bool ignored = false;
        // The line belongs to a block that was moved: the moved tint, and the page's legend.
        bool moved = false;

        // "+12", "-7", " 40", "≈40" for a row marked ignored, "···", or "" for an empty cell.
        QString gutterLabel() const;
        // The band behind the cell: green, red or (moved) violet at 0.15 opacity, or none.
        std::optional<QColor> backgroundColor() const;
        QColor gutterColor() const;
    };

    struct SideBySideRow {
        Cell left;
        Cell right;
    };

    // One row per line in order: removed lines on the left, added lines on the right,
    // never paired; unchanged lines and placeholders on both sides, or left out when
    // `showUnchanged` is false. Rows of `moves` are marked moved.
    static QList<SideBySideRow> makeSideBySideRows(const DiffRows& lines, bool showUnchanged,
                                                   const MovedBlocks& moves = MovedBlocks());

    // The legend at the foot of a page that shows moved rows.
    static QString movedLegend();

    // What the comparison ignored, for the header of every page: "Ignoring: white space,
    // case · 12 lines differ only in ignored ways"; empty when nothing is ignored.
    static QString ignoredNote(const CompareOptions& options, qint64 ignoredCount);

    // "  ··· 5 unchanged lines hidden ···"
    static QString placeholderText(qint64 hiddenCount);

    // Pages a report of `rowCount` rows has: 49 rows a page, and at least one page.
    static int pageCount(qsizetype rowCount);

    // Follows a report being drawn on another thread, and stops it: the drawing counts
    // each finished page and looks at `cancelled` before it starts the next one.
    struct Progress {
        std::atomic<int> pagesDrawn{0};
        std::atomic<bool> cancelled{false};
    };

    // The report as a PDF document, or nothing when no PDF could be made. Throws
    // std::bad_alloc when memory runs out (never from a thread of its own).
    // `options` are those the result was compared with; the header names what they ignore.
    static std::optional<QByteArray> render(const DiffResult& diffResult, const QString& leftName,
                                            const QString& rightName, bool showUnchanged,
                                            const CompareOptions& options = {},
                                            const MovedBlocks& moves = MovedBlocks());
    // The same from rows already made, with `note` (see ignoredNote) under the names. With
    // `progress`, nothing is returned once it is cancelled.
    static std::optional<QByteArray> render(const QList<SideBySideRow>& rows, const QString& leftName,
                                            const QString& rightName, Progress* progress = nullptr,
                                            const QString& note = {});

    // Draws every page of the report on `device` (a PDF writer or a printer) with a
    // painter already begun on it; lengths are scaled from points by the device's
    // resolution. Pages are drawn and finished one after the other.
    static void drawReport(QPainter& painter, QPagedPaintDevice& device, const QList<SideBySideRow>& rows,
                           const QString& leftName, const QString& rightName, const QString& note = {});
    // Only the pages numbered in `pages` (from 1, ascending; numbers past the end are left
    // out), each on a sheet of its own and numbered as in the whole report. False when
    // `progress` was cancelled before the last of them was drawn.
    static bool drawReport(QPainter& painter, QPagedPaintDevice& device, const QList<SideBySideRow>& rows,
                           const QString& leftName, const QString& rightName, const QList<int>& pages,
                           Progress* progress = nullptr, const QString& note = {});

    // `text` shortened by whole grapheme clusters until it and "…" fit in `maxWidth`
    // (in the metrics' units); unchanged when it fits. Only the first kMeasuredCharacters
    // are measured: a longer text is cut there first, so the work per cell is bounded.
    static QString truncated(const QString& text, const QFontMetricsF& metrics, qreal maxWidth);

    // A file name for the header, shortened in the middle with "…" to `maxWidth`.
    static QString elidedName(const QString& name, const QFontMetricsF& metrics, qreal maxWidth);

    // Past this many UTF-16 units a cell's text is cut unmeasured: 234 points hold that
    // many characters only if each is under a point wide, that is, invisible.
    static constexpr qsizetype kMeasuredCharacters = 256;
};

} // namespace varnel
