// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "reading/scrollscale.h"
#include "widgets/diffview/rowpainter.h"

#include <QAbstractScrollArea>
#include <QElapsedTimer>
#include <QPointer>

#include <functional>
#include <memory>
#include <optional>

class QMenu;
class QTimer;
class QVariantAnimation;

namespace varnel {

class ChangeMapView;

// A scroll area that shows the rows of one diff result, all of one height, and paints
// only the rows in view: no widget and no layout per row, so scrolling, painting and
// focusing cost the same for ten rows and for ten million. Row k stands at k × the row
// height; a row spans the width of the widest text, so the tints and the number column
// stay in place while the view scrolls sideways.
//
// Keyboard focus shows as a frame in the accent colour just inside the rows' edges (with a
// line of the background inside it), only
// when the keyboard brought it (Tab, a shortcut) or has been used in the view since.
//
// Besides painting it scrolls (wheel, scroll bars, keyboard), centres the focused change
// (animated, or 50 ms after being shown), brings a find match into view, and lets the
// user select text with the mouse within one column and copy it. Beside its vertical
// scroll bar, a change map shows where the whole result changes.
//
// Subclasses say how each row is shown (its side, whether it is a filler) and may paint a
// part in front of every row (the inline view's change marker).
class DiffCanvas : public QAbstractScrollArea {
    Q_OBJECT

public:
    // A place in the text: before character `column` of row `row`.
    struct TextPosition {
        qint64 row = 0;
        qsizetype column = 0;
        friend bool operator==(const TextPosition&, const TextPosition&) = default;
        friend bool operator<(const TextPosition& a, const TextPosition& b)
        {
            return a.row != b.row ? a.row < b.row : a.column < b.column;
        }
    };

    static constexpr int kFocusAnimationMs = 250;
    static constexpr int kShowCentringDelayMs = 50;
    static constexpr int kFocusFrameWidth = 2;
    // Wrapped, how long after the last step of a resize every row is estimated at the new
    // width (until then only the rows in view are laid out at it).
    static constexpr int kResizeSettleMs = 150;

    explicit DiffCanvas(std::shared_ptr<RowPainter> rows, QWidget* parent = nullptr);
    ~DiffCanvas() override;

    // Rows here are shown rows (see RowPainter::shown()): one per result row, unless the
    // painter pairs changed lines. The focus, centring and find take result rows.
    qint64 rowCount() const { return m_rows->shownCount(); }
    int rowHeight() const { return m_rows->metrics().rowHeight; }
    // The width of every row: the view's width, or more when the widest text needs it (or
    // the other column's, while the columns scroll together).
    qreal contentWidth() const;
    // The widest row of this view's own text; 0 while wrapping.
    qreal ownContentWidth() const { return m_contentWidth; }
    // A width the rows take at least, so two columns scroll sideways alike; 0 for none.
    void setSharedContentWidth(qreal width);
    std::optional<qint64> focusedRow() const { return m_focusedRow; }
    // What paints the rows: metrics, text positions, the cache.
    const RowPainter& rowPainter() const { return *m_rows; }
    // How shown row `index` is shown in this view: its result row, side, focus and whether
    // it is a filler.
    RowPainter::Row shownRow(qint64 index) const { return rowFor(index); }
    // The topmost row at least partly in view, as a result row (the first of a pair).
    qint64 firstVisibleRow() const;

    // Where rows stand, in pixels from the top of the first: all of one height, or, while
    // long lines wrap, as tall as their lines (see RowPainter::heights).
    qint64 rowTop(qint64 index) const;
    qint64 heightOfRow(qint64 index) const;
    qint64 totalHeight() const;
    // The row at `y` pixels from the top of the first, clamped to the rows.
    qint64 rowAtY(qint64 y) const;
    // Where the view stands, in pixels from the top of the first row: the vertical scroll
    // bar's value, scaled where the rows are taller than the bar counts (ScrollScale).
    qint64 scrollTop() const;
    void setScrollTop(qint64 y);

    // Wrapping long lines. The side-by-side view wraps both its columns at one width.
    bool isWrapping() const { return m_wrap; }
    void setWrapping(bool wrap);
    // The width the text column of this view has to wrap in.
    qreal wrapTextWidth() const;
    // Where the view stands, to keep it there when heights change.
    RowHeights::Anchor topAnchor() const;
    void restoreAnchor(RowHeights::Anchor anchor);
    // Wraps at the width this view has (or is given by its owner), keeping the top row.
    void updateWrapWidth();
    // The rows' heights changed elsewhere (the other column): the scroll bars follow.
    void rowHeightsChanged();
    // The other column scrolled to `value` while wrapping: this one comes level with it.
    void scrollWith(int value);
    // How wide the rows of this view may wrap; the side-by-side view gives both columns
    // the narrower width.
    std::function<qreal()> wrapWidthSource;

    // Called by the owning view after it changed the row painter.
    // A new result: the selection ends, and `focusedRow` is the focus it starts with
    // (no scrolling; shown anew, the view centres it).
    void resultChanged(std::optional<qint64> focusedRow);
    // A new font size: the row at the top before it (`before`) stays at the top.
    void metricsChanged(RowHeights::Anchor before);
    void languageChanged();

    // Moves the focus. With `scroll`, a move to a row while the view is visible animates
    // the row's centre to the view's centre; a move to no row scrolls nothing.
    void moveFocus(std::optional<qint64> row, bool scroll);
    // Brings the centre of `row` to the centre of the view (and, when the row is wider than
    // the view, sideways too), animated or at once. A new call during an animation starts
    // from where the view is.
    void centreOnRow(qint64 row, bool animated);
    // Centres the focused row at once when the view is visible (a hidden view centres it
    // once shown); without a focused row nothing moves.
    void centreFocus();
    // What centres the focus once the view is shown anew, in place of centreFocus() (the
    // side-by-side view lets only one column lead while they scroll together).
    std::function<void()> centreWhenShown;
    // Where centreOnRow would scroll to.
    QPoint centringTarget(qint64 row);
    bool isAnimating() const;
    // Ends a running animation where it stands.
    void stopAnimation();
    // Centres `row` as centreOnRow() does, but sideways only as far as it takes to show the
    // stretch `span` of its text (a find match); a row without text keeps its place sideways.
    void revealText(qint64 row, TextSpan span, bool animated);
    QPoint revealTarget(qint64 row, TextSpan span);

    // The strip beside the vertical scroll bar that maps the whole result.
    ChangeMapView* changeMap() const { return m_map; }
    // Repaints the rows in view and the map (after the painter's marks changed).
    void marksChanged();

    QPoint scrollPosition() const;
    void setScrollPosition(QPoint position);

    // The selection, in order; empty when nothing is selected.
    std::optional<std::pair<TextPosition, TextPosition>> selection() const;
    void setSelection(TextPosition anchor, TextPosition cursor);
    void clearSelection();
    // Selects the text of every row this view shows.
    void selectAll();
    QString selectedText();
    // Puts the selected text on the clipboard; does nothing without a selection.
    void copy();
    // The menu the context-menu event shows: "Copy".
    std::unique_ptr<QMenu> makeContextMenu();

    // The row cursor: a shown row that Up and Down, Page Up and Page Down, Home and End
    // (with or without Ctrl) move, the view scrolling as those keys scroll it and then as
    // far as it takes to keep the cursor in view. It starts at the focused change when
    // that is in view, else at the top row; a change command moves it to the change. It is
    // outlined while the keyboard is in the view, Ctrl+C copies its text when nothing is
    // selected, and screen readers hear it as the focused cell (see diffaccessible.h).
    std::optional<qint64> cursorRow() const { return m_rowCursor; }
    void setCursorRow(qint64 index);
    // What a screen reader says of shown row `index` (see spokenRow in reading/); the row a
    // change command moved the cursor to first says which change it is.
    QString accessibleRowName(qint64 index) const;
    // The text Ctrl+C copies at the cursor: the row's line as this view shows it; empty
    // for a filler or a placeholder.
    QString cursorText() const;
    // Where shown row `index` stands in the viewport.
    QRect rowRect(qint64 index) const;

    // Where a point of the viewport falls in the text.
    TextPosition positionAt(QPoint viewportPoint);
    // The tooltip at a point of the viewport: over the number column of a marked row, why
    // its lines count as the same (see ignoredRowNote); empty elsewhere.
    QString toolTipAt(QPoint viewportPoint) const;
    // The row whose moved marker is at a point of the viewport, if any.
    std::optional<qint64> moveMarkerAt(QPoint viewportPoint) const;

Q_SIGNALS:
    // The marker of a moved row (a result row) was clicked: the other end should get the focus.
    void moveMarkerClicked(qint64 row);
    // Handling an event ran out of memory with find marks on: the marks are off until the
    // next query (see RowPainter::dropFindMarks).
    void findMarksDropped();
    // Laying out rows in view corrected their heights (the other column follows).
    void heightsCorrected();
    // The width of this view's own text changed (ownContentWidth()).
    void contentWidthChanged();
    // The rows were replaced (a new result, pairing): what stood for them is dropped.
    void rowsReset();
    // The painter stopped wrapping (too many rows to estimate their heights at a new result
    // or text size), and this view with it.
    void wrappingDropped();

protected:
    // How shown row `index` is shown in this view.
    virtual RowPainter::Row rowFor(qint64 index) const = 0;
    // Which rows this view shows as text, to size its width.
    virtual ShownRows shownRows() const = 0;
    // The width of a part in front of every row, and its painting.
    virtual qreal leadingWidth() const { return 0; }
    virtual void paintLeading(QPainter& /*painter*/, const QRectF& /*rect*/, qint64 /*index*/) {}

    RowPainter& rows() const { return *m_rows; }

    // Every event of the view and of its viewport goes through these: an allocation that
    // fails while one is handled (a line of hundreds of megabytes, millions of matches)
    // ends that event's work, never the program.
    bool event(QEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void recoverMemory();
    void updateScrollBars();
    void updateContentWidth();
    // Scrolls to where `target` says, asked again on every frame of an animation: rows
    // measured on the way move the end, never leave it short.
    void scrollTo(std::function<QPoint()> target, bool animated);
    // Lays out the rows in view (wrapping), keeping the top row in place; true when a
    // height changed.
    bool measureInView();
    // Lays out the rows a screen above and below `row`, so a target computed next holds.
    void measureAround(qint64 row);
    // Stops wrapping when the painter has (see wrappingDropped); true when it did.
    bool followPainterWrapping();
    // Wraps at the width a resize (or a new result) gave, if there was one since.
    void applyNewWidth();
    // Every row estimated at the width resizing ended at, keeping the top row.
    void settleEstimates();
    // The width rows wrap at now: 0 when not wrapping, else at least a pixel.
    qreal wrapWidth() const;
    void growContentWidth(qreal rowWidth);
    void appearanceChanged();
    void paintFocusFrame(QPainter& painter);
    // The focus frame's accent, with a line of the background inside it, around `rect`.
    static void paintFrame(QPainter& painter, QRect rect);
    // The cursor keys (canvascursor.cpp): true when `event` moved the cursor.
    bool cursorKey(QKeyEvent* event);
    qint64 cursorStart() const;
    void keepCursorInView();
    void paintCursor(QPainter& painter);
    // Tells screen readers where the cursor is (a focus move, or its name changed).
    void announceCursor();
    // "Change 3 of 17: …" for result row `row`; empty when it is no change.
    QString changeAnnouncementAt(qint64 row) const;
    std::optional<RowPainter::Selection> selectionIn(qint64 index) const;
    void selectWordAt(TextPosition position);
    void selectRow(qint64 row);

    std::shared_ptr<RowPainter> m_rows;
    std::optional<qint64> m_focusedRow;
    std::optional<qint64> m_rowCursor; // a shown row
    QString m_announcement;            // said first of the cursor's row, until it moves
    qreal m_contentWidth = 0;          // the widest row's width, before the view's own width
    qreal m_sharedWidth = 0;           // the other column's, while scrolling together
    bool m_growPending = false;
    QVariantAnimation* m_animation;
    QPoint m_animationFrom;
    std::function<QPoint()> m_animationTarget;
    ChangeMapView* m_map;
    bool m_wrap = false;
    ScrollScale m_scroll;          // the vertical scroll bar's steps in pixels
    bool m_wrapWidthStale = false; // resized while wrapping: the width is taken at the next paint
    bool m_resizing = false;       // ... by a resize: the estimates wait for m_settle
    QTimer* m_settle;
    std::optional<TextPosition> m_anchor;
    TextPosition m_cursor;
    bool m_dragging = false;
    // A press soon after a double-click at the same place is a triple-click.
    QElapsedTimer m_sinceDoubleClick;
    QPoint m_doubleClickPoint;
};

} // namespace varnel
