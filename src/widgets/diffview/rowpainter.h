// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/diffresult.h"
#include "highlight/syntaxhighlighter.h"
#include "reading/changeruns.h"
#include "reading/movedblocks.h"
#include "reading/pairedrows.h"
#include "reading/rowheights.h"
#include "reading/textmatcher.h"
#include "widgets/diffview/longestlines.h"
#include "widgets/diffview/rowmetrics.h"
#include "widgets/diffview/rowtextcache.h"

#include <QRectF>

#include <array>
#include <functional>
#include <limits>
#include <optional>
#include <vector>

class QPainter;

namespace varnel {

class Palette;

// Paints the rows of one diff result: a line-number column, a separator and the line's
// text, on a background tinted by the kind of line, outlined when it is the focused
// change. Within a modified line, what changed against the line it replaces is tinted
// more strongly; occurrences of the find query stand on their own colour. Rows are painted straight from the result's
// DiffLines; nothing is kept per row except a small cache of the text of rows painted lately (RowTextCache).
//
// The two columns of the side-by-side view share one painter, so a line that stands in
// both columns is converted, highlighted and shaped once (twice when its two files hold it
// in different bytes: each column shows its own file's line).
class RowPainter {
public:
    // How to paint one row.
    struct Row {
        qint64 index = 0;               // into result().lines()
        PageSide side = PageSide::left; // which line number to show
        bool focused = false;           // the focused change: stronger tint, outline
        bool empty = false;             // a filler: no number, no text, the filler tint
    };
    // A selected stretch of a row's text, in UTF-16 code units.
    struct Selection {
        qsizetype from = 0;
        qsizetype to = 0;
    };
    // The current find match: a row and a stretch of its text; `side` names the text when
    // the row shows a different one on each side (absent: the row's one text).
    struct FindMark {
        qint64 row = 0;
        TextSpan span;
        std::optional<PageSide> side;
        friend bool operator==(const FindMark&, const FindMark&) = default;
    };

    RowPainter();

    void setResult(DiffResult result);
    const DiffResult& result() const { return m_result; }
    qint64 rowCount() const { return m_result.lines().size(); }
    DiffLine line(qint64 index) const { return m_result.lines()[index]; } // made on demand

    // Whether a removed line and the added line it became share one shown row (the
    // side-by-side view, when chosen). Rows are named two ways: by their index in the
    // result (line(), text(), Row::index, focus, find) and by the shown row they stand on
    // (heights, measure(), places on screen); shown() maps one to the other. A change
    // estimates the heights afresh while wrapping.
    void setPairing(bool pair);
    bool isPairing() const { return m_pairing; }
    const PairedRows& shown() const { return m_shown; }
    qint64 shownCount() const { return m_shown.shownCount(); }

    void setLanguage(std::optional<SyntaxHighlighter::Language> language);
    std::optional<SyntaxHighlighter::Language> language() const { return m_language; }

    void setFontSize(qreal fontSize);
    const RowMetrics& metrics() const { return m_metrics; }

    // The number column: 44 wide, or wider when the result's largest line number would not
    // fit in it at this font size. Then the text, from the row's left edge.
    // A row whose lines differ only in ignored ways (or that ignoring blank lines or
    // patterns set aside) is painted as unchanged, with the marker "≈" before its number.
    qreal gutterWidth() const { return m_gutterWidth; }
    qreal markerWidth() const;
    qreal textStart() const { return m_gutterWidth + RowMetrics::kSeparatorWidth + RowMetrics::kTextInset; }

    // The colours to paint with; the views pass the appearance's palette whenever it changes.
    void setPalette(const Palette& palette);
    const Palette& palette() const { return *m_palette; }

    // Paints `row` into `rect` (the row's full width and height), drawing only what meets
    // `clip`.
    void paint(QPainter& painter, const QRectF& rect, const Row& row, const QRectF& clip,
               std::optional<Selection> selection = std::nullopt);

    // Whether the row shows the line's text (not a filler, not a placeholder).
    bool showsText(const Row& row) const;
    // The line's text as shown on `side` (see DiffLine::content), and its width; empty for
    // placeholders. The inline view shows its rows as the right side does.
    QString text(qint64 index, PageSide side);
    qreal textWidth(qint64 index, PageSide side);
    // The width of the collapsed label of a placeholder row.
    qreal labelWidth(qint64 index) const;
    // Where a cursor before character `position` of the row's text stands, measured from
    // the text's start, and the nearest cursor position to `x`.
    qreal cursorX(qint64 index, PageSide side, qsizetype position);
    qsizetype cursorAt(qint64 index, PageSide side, qreal x);

    // The widest text among the longest lines shown that way, measured at the current font.
    qreal widestText(ShownRows shown);

    // Wrapping long lines: the width of the text column rows wrap at, 0 for none. A new
    // width (or font, or result) estimates every row's height afresh; true when it changed.
    bool setWrapWidth(qreal width);
    // A new width while the view is being resized: every row keeps its height as its
    // estimate and is laid out again once in view, until settleEstimates() estimates them
    // all at the width (one pass over the rows, once resizing stops). Not wrapping yet,
    // as setWrapWidth().
    bool setWrapWidthKeepingEstimates(qreal width);
    // Estimates every row at the wrap width if a width was set keeping the estimates;
    // true when it did. Out of memory, the rows keep the estimates they have.
    bool settleEstimates();
    bool estimatesSettled() const { return !m_estimatesStale; }
    qreal wrapWidth() const { return m_wrapWidth; }
    bool isWrapping() const { return m_wrapWidth > 0; }
    // The shown rows' heights while wrapping (empty otherwise).
    const RowHeights& heights() const { return m_heights; }
    // Lays out shown row `shown` (each line it shows) and records its height; true when
    // that changed the row's estimate.
    bool measure(qint64 shown);
    // Where a cursor before character `position` stands in a wrapped text: its x from the
    // text's start and its screen line; and the position nearest to `x` on `line`.
    struct LinePoint {
        qreal x = 0;
        int line = 0;
    };
    LinePoint cursorPoint(qint64 index, PageSide side, qsizetype position);
    qsizetype cursorAt(qint64 index, PageSide side, qreal x, int line);
    // The screen line of a row at `y` pixels below the row's top.
    int lineAt(qreal y) const;
    // The boxes a stretch of text covers, one per screen line: x from the text's start, y
    // from the row's top.
    std::vector<QRectF> spanBoxes(qint64 index, PageSide side, TextSpan span);

    // The moved blocks of the result (none by default), by line number: their rows take the
    // moved tint and a marker "⇅" in the number column, and an edited line of a block shows
    // what changed against its other end.
    void setMoves(MovedBlocks moves);
    const MovedBlocks& moves() const { return m_moves; }
    std::optional<MoveEnd> moveOf(qint64 index) const;
    // "Moved from line 120" (an added row) or "Moved to line 48" (a removed one); empty
    // for rows that were not moved.
    QString moveNote(qint64 index) const;
    // Whether `x`, from a row's left edge, falls on the marker of a moved row.
    bool onMoveMarker(qint64 index, qreal x) const;

    // The runs of changed rows of the result, found when it was set.
    const ChangeRuns& changeRuns() const { return m_runs; }
    // What changed within the line of row `index` against the row it pairs with (see
    // ChangeRuns::partner); empty for other rows. Computed once and cached with the row.
    const QList<TextSpan>& changedSpans(qint64 index);

    // The find query whose occurrences are marked in the text, and the current occurrence.
    // `folded` names the matches a placeholder row hides ("3 matches"), drawn beside its
    // label; it is asked only for the placeholders painted.
    using FoldedMatches = std::function<QString(qint64 row)>;
    void setFind(const TextMatcher& matcher, std::optional<FindMark> current, FoldedMatches folded = {});
    // What the placeholder row `index` says of the matches it hides; empty without a query.
    QString foldedMatchesText(qint64 index) const;
    const TextMatcher& findMatcher() const { return m_matcher; }
    const std::optional<FindMark>& currentFind() const { return m_currentFind; }
    // The occurrences of the find query in row `index` as shown on `side` that meet the
    // characters [from, to), at most kMaxMarksPerRow of them (cached with the row): a
    // painted row marks only what it shows, whatever the line holds.
    static constexpr qsizetype kMaxMarksPerRow = 4096;
    const QList<TextSpan>& findMatches(qint64 index, PageSide side, qsizetype from = 0,
                                       qsizetype to = std::numeric_limits<qsizetype>::max());
    // Stops marking the find query's occurrences until the next query: painting them ran
    // out of memory. The cache is emptied.
    void dropFindMarks();
    bool findMarksDropped() const { return m_marksDropped; }

    // Cached rows, for tests and benchmarks.
    const RowTextCache& cache() const { return m_cache; }
    void clearCache();

private:
    void updateGutterWidth();
    // Every row's height estimated at the wrap width; a failed allocation keeps the old.
    void estimateHeights();
    // The same, after the rows or the metrics changed: a failure stops wrapping.
    void estimateOrUnwrap();
    void paintWrappedLongText(QPainter& painter, qreal x, qreal top, const RowText& text, const QRectF& clip) const;
    // The top and bottom of screen line `line` of a text of `lines` lines, from the row's top.
    std::pair<qreal, qreal> lineBand(int line, int lines) const;
    // Rows are cached by index; the right text of an unchanged row whose two lines differ
    // has an entry of its own, under the index's complement.
    qint64 cacheKey(qint64 index, PageSide side) const;
    RowText& rowText(qint64 index, PageSide side);
    RowText makeRowText(qint64 index, PageSide side) const;
    void paintText(QPainter& painter, const QRectF& rect, const Row& shown, const QRectF& clip,
                   std::optional<Selection> selection);
    void paintLongText(QPainter& painter, qreal x, qreal baseline, const RowText& text, const QRectF& clip) const;
    void paintMarks(QPainter& painter, const QRectF& rect, const Row& row, qreal x, const QRectF& clip);
    void paintFindMarks(QPainter& painter, const QRectF& rect, const Row& row, qreal x, const QRectF& clip);
    void paintFoldedMatches(QPainter& painter, const QRectF& rect, qint64 index);

    DiffResult m_result;
    LongestLines m_longest;
    ChangeRuns m_runs;
    MovedBlocks m_moves;
    bool m_pairing = false;
    PairedRows m_shown;
    TextMatcher m_matcher;
    quint64 m_matcherNumber = 1; // RowText::matchesOf of the current query
    std::optional<FindMark> m_currentFind;
    FoldedMatches m_foldedMatches;
    bool m_marksDropped = false;
    std::optional<SyntaxHighlighter::Language> m_language;
    RowMetrics m_metrics;
    qint64 m_largestNumber = 0;
    qreal m_gutterWidth = RowMetrics::kGutterWidth;
    RowTextCache m_cache;
    const Palette* m_palette;
    std::array<std::optional<qreal>, 3> m_widest;
    qreal m_wrapWidth = 0;
    RowHeights m_heights;
    bool m_estimatesStale = false; // the estimates are of an earlier width
};

// The collapsed row's label: "1 unchanged line hidden", "12 unchanged lines hidden".
QString collapsedLabel(qint64 hiddenCount);

} // namespace varnel
