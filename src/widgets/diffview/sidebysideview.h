// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "widgets/diffview/diffcanvas.h"

#include <QWidget>

namespace varnel {

// One column of the side-by-side view: every row of the result, the lines of its own
// side as text and the other side's lines as fillers.
class DiffColumnView : public DiffCanvas {
    Q_OBJECT

public:
    static constexpr int kMinimumWidth = 320;

    DiffColumnView(PageSide side, std::shared_ptr<RowPainter> rows, QWidget* parent = nullptr);

    PageSide side() const { return m_side; }

protected:
    RowPainter::Row rowFor(qint64 index) const override;
    ShownRows shownRows() const override;

private:
    PageSide m_side;
};

// A diff as two columns, the left file's lines on the left and the right file's on the
// right, with a one-pixel line between them. Both columns have the same rows: a line on
// one side only faces a filler row, so row k of one column stands beside row k of the
// other. The columns scroll independently, and both centre the focused change whenever
// it moves; a click in either change map brings both to the place clicked. Scrolling
// together, a scroll of either (by any means) brings the other to the same row and the
// same place sideways: both are as wide as the wider, and the column that holds the
// focused line or the match leads an animation the other follows. While long lines wrap,
// both columns wrap at the narrower one's width, so a row and the filler beside it have
// one height, and they scroll together.
//
// It shows what it is given (a result, the focused row, the language, the font size) and
// calls nothing back.
class SideBySideView : public QWidget {
    Q_OBJECT

public:
    explicit SideBySideView(QWidget* parent = nullptr);

    // A new result, with the focused change it starts with (the row index of
    // ComparisonViewModel::focusedChangeRow()); nothing scrolls until the focus moves or
    // the view is shown anew.
    void setResult(const DiffResult& result, std::optional<qint64> focusedRow = std::nullopt);
    const DiffResult& result() const { return m_rows->result(); }

    // Moves the focus; when the view is visible and the row is present, both columns
    // animate to centre it together.
    void setFocusedRow(std::optional<qint64> row);
    std::optional<qint64> focusedRow() const { return m_left->focusedRow(); }

    // Centres the focused row in both columns at once (see DiffCanvas::centreFocus).
    void centreFocus();

    // No language: plain text.
    void setLanguage(std::optional<SyntaxHighlighter::Language> language);
    // In device-independent pixels; the diff text size (13 by default).
    void setFontSize(qreal fontSize);
    qreal fontSize() const { return m_rows->metrics().fontSize; }

    // Wraps rows wider than their column (and scrolls the columns together) or not.
    void setWrapping(bool wrap);
    bool isWrapping() const { return m_left->isWrapping(); }

    // Shows each removed line beside the added line it became, on one row (old text left,
    // new text right), or every line on its own row. The focused row stays centred.
    void setPairing(bool pair);
    bool isPairing() const { return m_rows->isPairing(); }

    // Scrolls the columns together (see above) or each on its own; the right one comes to
    // the left one's place.
    void setScrollTogether(bool together);
    bool scrollsTogether() const { return m_together; }

    // The moved blocks of the result to mark (see RowPainter::setMoves); set before the
    // result, or at any time after it.
    void setMoves(const MovedBlocks& moves);

    // The find query's occurrences to mark, and the current one.
    void setFind(const TextMatcher& matcher, std::optional<RowPainter::FindMark> current,
                 RowPainter::FoldedMatches folded = {});
    // Brings a find match into view in both columns, animated while the view is visible;
    // `side` is the column of the match, when it is in one.
    void revealMatch(qint64 row, TextSpan span, std::optional<PageSide> side = std::nullopt);

    DiffColumnView* column(PageSide side) const { return side == PageSide::left ? m_left : m_right; }

private:
    // Brings `other` to where `column` stands (vertically, and sideways unless wrapping).
    void follow(DiffColumnView* column, DiffColumnView* other);
    void shareContentWidth();
    // The column that shows `row`'s text: the right one for an added line, else the left.
    DiffColumnView* leaderFor(qint64 row) const;

    std::shared_ptr<RowPainter> m_rows;
    DiffColumnView* m_left;
    DiffColumnView* m_right;
    bool m_together = false;
    bool m_following = false; // one column is being brought to the other's place
};

} // namespace varnel
