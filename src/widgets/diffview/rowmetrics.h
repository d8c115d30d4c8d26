// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QFont>
#include <QFontMetricsF>

namespace varnel {

// The sizes of one diff row at one diff font size, in device-independent pixels. Every row
// of a view has the same height, fillers included, so that the two columns of the
// side-by-side layout stay level row by row and a row's position is index × height;
// while long lines wrap, a row grows by a line step for each line after its first.
struct RowMetrics {
    static constexpr qreal kGutterWidth = 44;   // the line-number column, unless a number needs more
    static constexpr qreal kSeparatorWidth = 1; // between the numbers and the text
    static constexpr qreal kTextInset = 8;      // left and right of the text
    static constexpr qreal kNumberTrailing = 3; // between a number's end and the separator
    static constexpr qreal kNumberLeading = 2;  // before the widest number, when it widens the column
    static constexpr int kMinimumRowHeight = 20;
    static constexpr int kVerticalInsets = 4; // 2 above and 2 below the text
    static constexpr qreal kSmallestFont = 9; // the number and label fonts never go below this

    static RowMetrics forFontSize(qreal fontSize);

    qreal fontSize = 0;
    QFont textFont;   // the line's text: the diff font size
    QFont numberFont; // line numbers and the collapsed row's "…": 3 pixels smaller
    QFont labelFont;  // the collapsed row's label: 2 pixels smaller
    QFontMetricsF textMetrics{QFont()};
    QFontMetricsF numberMetrics{QFont()};
    QFontMetricsF labelMetrics{QFont()};
    int rowHeight = kMinimumRowHeight;
    // Baselines, from the row's top, each font centred in the row on whole pixels.
    qreal textBaseline = 0;
    qreal numberBaseline = 0;
    qreal labelBaseline = 0;
    qreal advance = 0;      // one character of the text font
    qreal digitAdvance = 0; // one digit of the number font
    qreal tabDistance = 0;  // tab stops every four characters
    // Wrapped text: each line after a row's first adds `lineStep` pixels to the row; the
    // first line's top stands `textTop` below the row's top.
    int lineStep = 0;
    qreal textTop = 0;
    // The height of a row whose text takes `lines` lines.
    int heightOfLines(int lines) const { return rowHeight + (lines - 1) * lineStep; }
};

} // namespace varnel
