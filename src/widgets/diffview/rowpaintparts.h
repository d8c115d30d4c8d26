// SPDX-License-Identifier: GPL-3.0-or-later

// What the painter's files share: the opacities and widths rows are painted with, and
// the helpers that lay text out and draw frames. Only the painter includes it.
#pragma once

#include "highlight/syntaxhighlighter.h"
#include "widgets/diffview/rowmetrics.h"

#include <QColor>
#include <QList>
#include <QRectF>
#include <QTextLayout>

#include <memory>

class QPainter;

namespace varnel {
class Palette;
} // namespace varnel

namespace varnel::rowpaint {

// Fills: the tint of added and removed rows, and what focus adds to it.
inline constexpr qreal kChangeTintLight = 0.12;
inline constexpr qreal kChangeTintDark = 0.22;
inline constexpr qreal kFocusBoost = 0.18;
inline constexpr qreal kFillerTint = 0.04;
inline constexpr qreal kCollapsedTint = 0.06;
inline constexpr qreal kFocusedUnchangedTint = 0.08;
inline constexpr qreal kSeparatorOpacity = 0.2;
inline constexpr qreal kOutlineWidth = 2;
inline constexpr qreal kOutlineOpacity = 0.7;
inline constexpr qreal kSelectionOpacity = 0.3;
// The changes within a line: on a row that is not focused, a tint that brings the row's
// fill up to the focused row's strength (the strongest that keeps text readable); on the
// focused row, a frame.
inline constexpr qreal kSpanBoost = kFocusBoost;
inline constexpr qreal kSpanFrameWidth = 1;
inline constexpr qreal kCurrentFindFrameWidth = 1;
// The count of matches beside a collapsed row's label: its gap and padding.
inline constexpr qreal kFoldedMatchesGap = 10;
inline constexpr qreal kFoldedMatchesPadding = 6;
inline constexpr qreal kFoldedMatchesRadius = 4;
// The marker of a moved row, in the number column.
inline constexpr char16_t kMovedMarker = u'\u21C5'; // ⇅
// Wide enough for any line that is shaped whole (RowText::kLongLine characters).
inline constexpr qreal kUnboundedLineWidth = 1e6;

// A frame of `width` lying inside `rect`, as four rectangles that do not overlap, so
// the corners are no darker than the sides.
void fillFrame(QPainter& painter, const QRectF& rect, qreal width, const QColor& color);

// The highlight runs over characters [from, to), as formats from `from` on.
QList<QTextLayout::FormatRange> formatsFor(const QList<HighlightRun>& runs, qsizetype from, qsizetype to,
                                           const Palette& palette);

// Lays `text` out as one line that never wraps, or, given a width, in lines of at most that
// width (broken between words where a word fits, anywhere else), `lineStep` apart.
std::unique_ptr<QTextLayout> layOut(const QString& text, const QList<QTextLayout::FormatRange>& formats,
                                    const RowMetrics& metrics, qreal wrapWidth = 0);

} // namespace varnel::rowpaint
