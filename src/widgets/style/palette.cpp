// SPDX-License-Identifier: GPL-3.0-or-later

#include "widgets/style/palette.h"

namespace varnel {

namespace {

// Order follows ColorRole. The light values are dark enough, and the dark values light
// enough, that text keeps its contrast even on a focused red or green row.
constexpr std::array<QRgb, kColorRoleCount> kLight = {
    0x178A38, // green
    0xD83A31, // red
    0xB35300, // orange
    0x0A64D8, // accent
    0x1D1D1F, // primary
    0x505056, // secondary
    0x6C6C71, // tertiary
    0x7A2AAE, // syntax purple
    0xA3241C, // syntax red
    0x1550BC, // syntax blue
    0x8A4300, // syntax orange
    0x085A5D, // syntax teal
    0x0B5B7D, // syntax cyan
    0xFFFFFF, // view background
    0xEDEDF0, // window background
    0xFBE7A1, // find match
    0xF8D568, // find current
    0x0E7230, // green text
    0xB82C24, // red text
    0x9C4800, // orange text
    0x0A64D8, // selection
    0x6E3FD6, // moved
    0x5A2FC0, // moved text
};

constexpr std::array<QRgb, kColorRoleCount> kDark = {
    0x2DB04F, // green
    0xF0574D, // red
    0xFF9F0A, // orange
    0x3D95FF, // accent
    0xEDEDED, // primary
    0xC2C2C8, // secondary
    0xA0A0A6, // tertiary
    0xDDB4FF, // syntax purple
    0xFFAFA6, // syntax red
    0xA3CDFF, // syntax blue
    0xFFC27A, // syntax orange
    0x84E0DB, // syntax teal
    0x8ADDFF, // syntax cyan
    0x1E1E1E, // view background
    0x2A2A2C, // window background
    0x4A3B12, // find match
    0x664A00, // find current
    0x3CC05E, // green text
    0xFF7A70, // red text
    0xFF9F0A, // orange text
    0x1F6FD6, // selection
    0x9F6BFF, // moved
    0xB593FF, // moved text
};

} // namespace

Palette::Palette(bool dark, const std::array<QRgb, kColorRoleCount>& values) : m_dark(dark)
{
    for (std::size_t i = 0; i < values.size(); ++i)
        m_colors[i] = QColor::fromRgb(values[i]);
}

const Palette& Palette::light()
{
    static const Palette palette(false, kLight);
    return palette;
}

const Palette& Palette::dark()
{
    static const Palette palette(true, kDark);
    return palette;
}

QColor Palette::color(ColorRole role, qreal opacity) const
{
    QColor c = color(role);
    c.setAlphaF(float(opacity));
    return c;
}

QColor Palette::tokenColor(TokenRole role) const
{
    switch (role) {
    case TokenRole::keyword:
    case TokenRole::decorator: return color(ColorRole::syntaxPurple);
    case TokenRole::string: return color(ColorRole::syntaxRed);
    case TokenRole::number:
    case TokenRole::xmlTag: return color(ColorRole::syntaxBlue);
    case TokenRole::comment: return color(ColorRole::secondary);
    case TokenRole::literal: return color(ColorRole::syntaxOrange);
    case TokenRole::builtin:
    case TokenRole::xmlAttr:
    case TokenRole::symbol: return color(ColorRole::syntaxTeal);
    case TokenRole::jsonKey: return color(ColorRole::syntaxCyan);
    }
    return color(ColorRole::primary);
}

QPalette Palette::widgetPalette() const
{
    const QColor window = color(ColorRole::windowBackground);
    const QColor base = color(ColorRole::viewBackground);
    const QColor text = color(ColorRole::primary);

    QPalette p(window);
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, base);
    p.setColor(QPalette::AlternateBase, m_dark ? base.lighter(115) : base.darker(104));
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::PlaceholderText, color(ColorRole::tertiary));
    p.setColor(QPalette::Button, m_dark ? window.lighter(125) : window.lighter(104));
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::BrightText, color(ColorRole::red));
    p.setColor(QPalette::Highlight, color(ColorRole::selection));
    p.setColor(QPalette::HighlightedText, QColor(Qt::white));
    p.setColor(QPalette::Link, color(ColorRole::accent));
    p.setColor(QPalette::ToolTipBase, base);
    p.setColor(QPalette::ToolTipText, text);
    // The bevel shades that styles draw frames and scroll bars with.
    p.setColor(QPalette::Light, m_dark ? window.lighter(150) : QColor(Qt::white));
    p.setColor(QPalette::Midlight, m_dark ? window.lighter(130) : window.lighter(102));
    p.setColor(QPalette::Mid, m_dark ? window.lighter(170) : window.darker(125));
    p.setColor(QPalette::Dark, m_dark ? window.darker(150) : window.darker(150));
    p.setColor(QPalette::Shadow, QColor(Qt::black));
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
        p.setColor(QPalette::Disabled, role, color(ColorRole::tertiary));
    }
    return p;
}

} // namespace varnel
