// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QColor>
#include <QString>

namespace varnel::report {

// Page layout of the report, in PDF points (1/72 inch), origin at the page's top-left
// corner, y growing downwards. A text's y is the top of its line box.
namespace layout {
constexpr qreal pageWidth = 612; // US Letter, portrait
constexpr qreal pageHeight = 792;
constexpr qreal marginLeft = 36;
constexpr qreal marginRight = 576;
constexpr int rowsPerPage = 49;
constexpr qreal rowHeight = 14;
constexpr qreal firstRowTop = 52;
constexpr qreal headerTextTop = 14;
constexpr qreal headerNoteTop = 32; // what the comparison ignored, under the names
constexpr qreal headerRuleY = 50;
constexpr qreal footerRuleY = 750;
constexpr qreal footerTextTop = 756;
constexpr qreal leftBandX = 36;
constexpr qreal leftBandWidth = 270;
constexpr qreal dividerX = 306;
constexpr qreal rightBandX = 307;
constexpr qreal rightBandWidth = 269;
constexpr qreal leftGutterX = 36;
constexpr qreal leftContentX = 68;
constexpr qreal leftContentWidth = 234;
constexpr qreal rightGutterX = 311;
constexpr qreal rightContentX = 343;
constexpr qreal rightContentWidth = 233;
constexpr qreal ruleWidth = 0.5;
constexpr qreal leftNameWidth = dividerX - marginLeft - 4; // header names end before the other column
constexpr qreal rightNameWidth = marginRight - rightGutterX;

constexpr qreal contentPointSize = 8.5; // monospaced
constexpr qreal gutterPointSize = 7.5;  // monospaced
constexpr qreal headerPointSize = 8.5;  // sans-serif, semibold
constexpr qreal footerPointSize = 7.5;  // sans-serif
} // namespace layout

// "···": a placeholder's gutter, and around its text.
inline QString middleDots()
{
    return QStringLiteral("\u00B7\u00B7\u00B7");
}

// Fonts pinned to families every supported machine has (fonts-dejavu-core).
inline const char* const kMonospaceFamily = "DejaVu Sans Mono";
inline const char* const kSansFamily = "DejaVu Sans";

// Colours for print on white: the system green and red, and the grey grades of the
// desktop's text and separator colours, as opaque equivalents on a white page.
namespace palette {
inline const QColor green = QColor(52, 199, 89); // added lines
inline const QColor red = QColor(255, 59, 48);   // removed lines
// Moved lines, at both ends: a violet that stays apart from the green and the red for
// readers who tell red from green poorly (as the window's moved tint).
inline const QColor violet = QColor(110, 63, 214);
constexpr qreal bandOpacity = 0.15;
inline const QColor label = QColor(38, 38, 38);              // text, 85% black
inline const QColor secondaryLabel = QColor(128, 128, 128);  // 50% black
inline const QColor tertiaryLabel = QColor(189, 189, 189);   // 26% black
inline const QColor quaternaryLabel = QColor(230, 230, 230); // 10% black
inline const QColor separator = QColor(198, 198, 200);

inline QColor band(const QColor& colour)
{
    QColor c = colour;
    c.setAlphaF(float(bandOpacity));
    return c;
}
} // namespace palette

} // namespace varnel::report
