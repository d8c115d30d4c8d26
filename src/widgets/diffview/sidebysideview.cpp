// SPDX-License-Identifier: GPL-3.0-or-later

#include "widgets/diffview/sidebysideview.h"

#include "widgets/diffview/changemapview.h"
#include "widgets/style/separator.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QScrollBar>

#include <algorithm>
#include <cmath>
#include <new>

namespace varnel {

DiffColumnView::DiffColumnView(PageSide side, std::shared_ptr<RowPainter> rows, QWidget* parent)
    : DiffCanvas(std::move(rows), parent)
    , m_side(side)
{
    setMinimumWidth(kMinimumWidth);
    setAccessibleName(side == PageSide::left ? QStringLiteral("Left file") : QStringLiteral("Right file"));
}

RowPainter::Row DiffColumnView::rowFor(qint64 index) const
{
    const PairedRows::Sides sides = rows().shown().sidesAt(index);
    const qint64 row = m_side == PageSide::left ? sides.left : sides.right;
    const DiffLineType type = rows().line(row).type();
    const bool filler = (m_side == PageSide::left && type == DiffLineType::added) ||
                        (m_side == PageSide::right && type == DiffLineType::removed);
    // A filler is never focused: the outline shows only on the side that holds the line.
    // Either half of a paired row focuses the whole row, in both columns.
    const std::optional<qint64> focus = focusedRow();
    return {row, m_side, !filler && focus && (*focus == sides.left || *focus == sides.right), filler};
}

ShownRows DiffColumnView::shownRows() const
{
    return m_side == PageSide::left ? ShownRows::left : ShownRows::right;
}

SideBySideView::SideBySideView(QWidget* parent)
    : QWidget(parent)
    , m_rows(std::make_shared<RowPainter>())
    , m_left(new DiffColumnView(PageSide::left, m_rows, this))
    , m_right(new DiffColumnView(PageSide::right, m_rows, this))
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_left, 1);
    layout->addWidget(new Separator(Qt::Vertical, this));
    layout->addWidget(m_right, 1);

    // Wrapped, both columns wrap at the narrower width and scroll as one.
    const auto narrower = [this] { return std::min(m_left->wrapTextWidth(), m_right->wrapTextWidth()); };
    for (DiffColumnView* column : {m_left, m_right}) {
        DiffColumnView* other = column == m_left ? m_right : m_left;
        column->wrapWidthSource = narrower;
        connect(column, &DiffCanvas::heightsCorrected, other, &DiffCanvas::rowHeightsChanged);
        connect(column->verticalScrollBar(), &QScrollBar::valueChanged, other,
                [this, column, other] { follow(column, other); });
        connect(column->horizontalScrollBar(), &QScrollBar::valueChanged, other,
                [this, column, other] { follow(column, other); });
        connect(column, &DiffCanvas::contentWidthChanged, this, &SideBySideView::shareContentWidth);
        // A view's width changes its share (see shareContentWidth).
        connect(column->horizontalScrollBar(), &QScrollBar::rangeChanged, this, &SideBySideView::shareContentWidth);
        column->centreWhenShown = [this, column] {
            const std::optional<qint64> row = focusedRow();
            if (!m_together || (row && leaderFor(*row) == column))
                column->centreFocus();
        };
    }

    // One painter, one set of marks: the right map takes what the left one works out.
    m_right->changeMap()->shareMarksWith(*m_left->changeMap());
    // Both columns go where either map was clicked.
    for (DiffColumnView* column : {m_left, m_right}) {
        column->changeMap()->onJump = [this](qint64 row) {
            for (DiffColumnView* each : {m_left, m_right}) {
                QPoint target = each->centringTarget(row);
                target.setX(each->scrollPosition().x());
                each->setScrollPosition(target);
            }
        };
    }
}

void SideBySideView::follow(DiffColumnView* column, DiffColumnView* other)
{
    if (m_following || !(m_together || column->isWrapping()))
        return;
    // A column the user scrolls by hand ends the other's animation; a column animating
    // carries the other along.
    if (!column->isAnimating())
        other->stopAnimation();
    m_following = true;
    if (column->isWrapping())
        other->scrollWith(column->verticalScrollBar()->value());
    else
        other->verticalScrollBar()->setValue(column->verticalScrollBar()->value());
    if (!column->isWrapping())
        other->horizontalScrollBar()->setValue(column->horizontalScrollBar()->value());
    m_following = false;
}

void SideBySideView::shareContentWidth()
{
    if (!m_together) {
        m_left->setSharedContentWidth(0);
        m_right->setSharedContentWidth(0);
        return;
    }
    // The columns can differ by a pixel (an odd width to share): each is given as much
    // beyond its own view as the one that reaches farthest, so both scroll sideways
    // exactly as far, and either at its end brings the other to its end.
    const auto beyond = [](const DiffColumnView* column) {
        return std::ceil(column->ownContentWidth()) - column->viewport()->width();
    };
    const qreal farthest = std::max(beyond(m_left), beyond(m_right));
    m_left->setSharedContentWidth(std::max<qreal>(0, m_left->viewport()->width() + farthest));
    m_right->setSharedContentWidth(std::max<qreal>(0, m_right->viewport()->width() + farthest));
}

DiffColumnView* SideBySideView::leaderFor(qint64 row) const
{
    if (row < 0 || row >= m_rows->rowCount())
        return m_left;
    return m_rows->line(row).type() == DiffLineType::added ? m_right : m_left;
}

void SideBySideView::setScrollTogether(bool together)
{
    if (together == m_together)
        return;
    m_together = together;
    shareContentWidth();
    if (together) {
        m_right->stopAnimation();
        follow(m_left, m_right);
    }
}

void SideBySideView::setMoves(const MovedBlocks& moves)
{
    const RowHeights::Anchor left = m_left->topAnchor();
    const RowHeights::Anchor right = m_right->topAnchor();
    m_rows->setMoves(moves); // the number column may widen for the marker
    m_left->metricsChanged(left);
    m_right->metricsChanged(right);
    m_left->changeMap()->resultChanged();
    m_right->changeMap()->resultChanged();
}

void SideBySideView::setFind(const TextMatcher& matcher, std::optional<RowPainter::FindMark> current,
                             RowPainter::FoldedMatches folded)
{
    m_rows->setFind(matcher, current, std::move(folded));
    m_left->marksChanged();
    m_right->marksChanged();
}

void SideBySideView::revealMatch(qint64 row, TextSpan span, std::optional<PageSide> side)
{
    if (m_together) {
        // The column of the match leads; the other follows it.
        m_left->stopAnimation();
        m_right->stopAnimation();
        (side ? column(*side) : leaderFor(row))->revealText(row, span, isVisible());
        return;
    }
    m_left->revealText(row, span, isVisible());
    m_right->revealText(row, span, isVisible());
}

void SideBySideView::setResult(const DiffResult& result, std::optional<qint64> focusedRow)
{
    try {
        m_rows->setResult(result);
    } catch (const std::bad_alloc&) {
        // The result is taken, but its heights were too many to estimate: the columns
        // show it unwrapped (see DiffCanvas::wrappingDropped).
    }
    m_left->resultChanged(focusedRow);
    m_right->resultChanged(focusedRow);
}

void SideBySideView::setFocusedRow(std::optional<qint64> row)
{
    if (m_together && row) {
        // One animation, led by the column that holds the line, moves both.
        m_left->moveFocus(row, false);
        m_right->moveFocus(row, false);
        m_left->stopAnimation();
        m_right->stopAnimation();
        if (isVisible())
            leaderFor(*row)->centreOnRow(*row, true);
        return;
    }
    m_left->moveFocus(row, true);
    m_right->moveFocus(row, true);
}

void SideBySideView::centreFocus()
{
    if (m_together && focusedRow()) {
        leaderFor(*focusedRow())->centreFocus();
        return;
    }
    m_left->centreFocus();
    m_right->centreFocus();
}

void SideBySideView::setLanguage(std::optional<SyntaxHighlighter::Language> language)
{
    if (language == m_rows->language())
        return;
    m_rows->setLanguage(language);
    m_left->languageChanged();
    m_right->languageChanged();
}

void SideBySideView::setFontSize(qreal fontSize)
{
    const RowHeights::Anchor left = m_left->topAnchor();
    const RowHeights::Anchor right = m_right->topAnchor();
    const qreal oldSize = m_rows->metrics().fontSize;
    try {
        m_rows->setFontSize(fontSize);
        if (m_rows->metrics().fontSize == oldSize)
            return;
        m_left->metricsChanged(left);
        m_right->metricsChanged(right);
    } catch (const std::bad_alloc&) {
        // The new size is taken, but its heights were too many to estimate: the columns
        // show it unwrapped (see DiffCanvas::wrappingDropped). A new width that failed
        // keeps the old one.
        if (m_rows->isWrapping()) {
            QApplication::beep();
            return;
        }
        m_left->metricsChanged(left);
        m_right->metricsChanged(right);
    }
}

void SideBySideView::setPairing(bool pair)
{
    if (pair == m_rows->isPairing())
        return;
    const std::optional<qint64> focus = focusedRow();
    try {
        m_rows->setPairing(pair);
    } catch (const std::bad_alloc&) {
        QApplication::beep(); // wrapped rows too many to estimate again: they stay as they were
        return;
    }
    m_left->resultChanged(focus);
    m_right->resultChanged(focus);
    if (isVisible())
        centreFocus();
}

void SideBySideView::setWrapping(bool wrap)
{
    // The left column leads: the right one comes to its place, as they scroll as one.
    m_left->setWrapping(wrap);
    if (m_left->isWrapping() != wrap)
        return; // out of memory: both stay as they were
    m_right->setWrapping(wrap);
    m_right->verticalScrollBar()->setValue(m_left->verticalScrollBar()->value());
}

} // namespace varnel
