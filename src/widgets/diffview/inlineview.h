// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "widgets/diffview/diffcanvas.h"

#include <array>

namespace varnel {

// A diff as one column: every row of the result in order, removed and added lines one
// under the other, each behind a change marker: "+" added, "−" removed, "…" a collapsed
// run, nothing for an unchanged line. Removed rows show the left (old) line number, all
// others the right (new) one. The marker box and the line after it are never tinted or
// outlined, and the marker keeps its size when the diff font size changes.
//
// It shows what it is given (a result, the focused row, the language, the font size) and
// calls nothing back.
class InlineView : public DiffCanvas {
    Q_OBJECT

public:
    static constexpr qreal kMarkerWidth = 22;

    explicit InlineView(QWidget* parent = nullptr);

    // A new result, with the focused change it starts with (the row index of
    // ComparisonViewModel::focusedChangeRow()); nothing scrolls until the focus moves or
    // the view is shown anew.
    void setResult(const DiffResult& result, std::optional<qint64> focusedRow = std::nullopt);
    const DiffResult& result() const { return rows().result(); }

    // Moves the focus; when the view is visible and the row is present, it animates to
    // centre it.
    void setFocusedRow(std::optional<qint64> row) { moveFocus(row, true); }

    // No language: plain text.
    void setLanguage(std::optional<SyntaxHighlighter::Language> language);
    // In device-independent pixels; the diff text size (13 by default).
    void setFontSize(qreal fontSize);
    qreal fontSize() const { return rows().metrics().fontSize; }

    // The moved blocks of the result to mark (see RowPainter::setMoves); set before the
    // result, or at any time after it.
    void setMoves(const MovedBlocks& moves);

    // The find query's occurrences to mark, and the current one.
    void setFind(const TextMatcher& matcher, std::optional<RowPainter::FindMark> current,
                 RowPainter::FoldedMatches folded = {});
    // Brings a find match into view, animated while the view is visible.
    void revealMatch(qint64 row, TextSpan span) { revealText(row, span, isVisible()); }

    // The marker's text for a kind of line.
    static QString markerText(DiffLineType type);

protected:
    RowPainter::Row rowFor(qint64 index) const override;
    ShownRows shownRows() const override { return ShownRows::all; }
    qreal leadingWidth() const override { return kMarkerWidth + RowMetrics::kSeparatorWidth; }
    void paintLeading(QPainter& painter, const QRectF& rect, qint64 index) override;

private:
    QFont m_markerFont;
    qreal m_markerAscent = 0;
    qreal m_markerHeight = 0;
    std::array<qreal, 4> m_markerWidths{}; // by DiffLineType
};

} // namespace varnel
