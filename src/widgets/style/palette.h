// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "highlight/syntaxhighlighter.h"

#include <QColor>
#include <QPalette>

#include <array>
#include <cstdint>

namespace varnel {

// The window's named colours. Each has one value for light and one for dark appearance;
// views ask the current palette (Appearance::palette()) at paint time and never keep a
// colour across a change of appearance.
enum class ColorRole : std::uint8_t {
    green,
    red,
    orange,
    accent,
    primary,   // text
    secondary, // dimmed text, comments, and (at low opacity) fills and separators
    tertiary,  // line numbers
    syntaxPurple,
    syntaxRed,
    syntaxBlue,
    syntaxOrange,
    syntaxTeal,
    syntaxCyan,
    viewBackground,   // behind the diff rows and other content
    windowBackground, // behind bars and controls
    findMatch,        // behind an occurrence of the find query (opaque)
    findCurrent,      // behind the current occurrence (opaque)
    // Text in a change colour on a tint of that colour (the summary badges): deeper in
    // light, brighter in dark, so that it reads at 4.5:1.
    greenText,
    redText,
    orangeText,
    selection, // behind a highlighted menu item or selected text, which are white
    // Moved lines, at both ends: a violet that stays apart from the green and the red for
    // readers who tell those two apart poorly; and its text on its tint (the badge).
    moved,
    movedText,
};

inline constexpr int kColorRoleCount = int(ColorRole::movedText) + 1;

// One set of colour values. The text grades and the syntax colours are chosen so that
// text stays readable on every row background of a diff (tinted, focused and collapsed
// rows included): at least 4.5:1 contrast for text and 3:1 for the tertiary grade.
class Palette {
public:
    static const Palette& light();
    static const Palette& dark();
    static const Palette& forDark(bool dark) { return dark ? Palette::dark() : light(); }

    bool isDark() const { return m_dark; }
    QColor color(ColorRole role) const { return m_colors[std::size_t(role)]; }
    // The colour at a fixed opacity, to be painted over the view background.
    QColor color(ColorRole role, qreal opacity) const;
    // The colour of a highlighted token.
    QColor tokenColor(TokenRole role) const;
    // The same colours as a QPalette, so that scroll bars, menus and frames match.
    QPalette widgetPalette() const;

private:
    Palette(bool dark, const std::array<QRgb, kColorRoleCount>& values);

    bool m_dark;
    std::array<QColor, kColorRoleCount> m_colors;
};

} // namespace varnel
