// SPDX-License-Identifier: GPL-3.0-or-later

#include "testutil.h"
#include "widgets/style/palette.h"

#include <QPalette>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

using namespace varnel;
using varnel::test::contrast;
using varnel::test::over;

namespace {

double luminance(const QColor& color)
{
    const auto channel = [](double c) { return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); };
    return 0.2126 * channel(color.redF()) + 0.7152 * channel(color.greenF()) + 0.0722 * channel(color.blueF());
}

struct Background {
    const char* name;
    QColor color;
};

// Every background a diff row's text can stand on: plain, the added and removed tints
// (focused or not), the focused unchanged tint, the collapsed row's fill and the marks of
// find.
std::vector<Background> rowBackgrounds(const Palette& palette)
{
    const QColor view = palette.color(ColorRole::viewBackground);
    const double base = palette.isDark() ? 0.22 : 0.12;
    return {
        {"plain", view},
        {"added", over(palette.color(ColorRole::green, base), view)},
        {"added, focused", over(palette.color(ColorRole::green, base + 0.18), view)},
        {"removed", over(palette.color(ColorRole::red, base), view)},
        {"removed, focused", over(palette.color(ColorRole::red, base + 0.18), view)},
        {"moved", over(palette.color(ColorRole::moved, base), view)},
        {"moved, focused", over(palette.color(ColorRole::moved, base + 0.18), view)},
        {"unchanged, focused", over(palette.color(ColorRole::accent, 0.08), view)},
        {"collapsed", over(palette.color(ColorRole::secondary, 0.06), view)},
        // A changed word is tinted as strongly as a focused row (see the spans of a
        // modified line); find marks are opaque.
        {"find match", palette.color(ColorRole::findMatch)},
        {"current find match", palette.color(ColorRole::findCurrent)},
    };
}

class PaletteContrast : public ::testing::TestWithParam<bool> {};

TEST_P(PaletteContrast, TextIsReadableOnEveryRowBackground)
{
    const Palette& palette = Palette::forDark(GetParam());
    std::vector<std::pair<const char*, QColor>> texts = {
        {"primary", palette.color(ColorRole::primary)},
        {"secondary", palette.color(ColorRole::secondary)},
    };
    for (int role = 0; role <= int(TokenRole::symbol); ++role)
        texts.emplace_back("token", palette.tokenColor(TokenRole(role)));
    for (const auto& [name, text] : texts) {
        for (const Background& background : rowBackgrounds(palette)) {
            EXPECT_GE(contrast(text, background.color), 4.5)
                << name << " " << text.name().toStdString() << " on " << background.name;
        }
    }
    for (const Background& background : rowBackgrounds(palette))
        EXPECT_GE(contrast(palette.color(ColorRole::tertiary), background.color), 3.0)
            << "numbers on " << background.name;
}

TEST_P(PaletteContrast, ChangeColoursAreReadableOnTheViewAndDistinct)
{
    const Palette& palette = Palette::forDark(GetParam());
    const QColor view = palette.color(ColorRole::viewBackground);
    // The inline markers are text in these colours (the badges have their own, below).
    for (ColorRole role : {ColorRole::green, ColorRole::red, ColorRole::orange, ColorRole::accent, ColorRole::moved})
        EXPECT_GE(contrast(palette.color(role), view), 3.0) << int(role);
    EXPECT_NE(palette.color(ColorRole::green), palette.color(ColorRole::red));
    EXPECT_NE(palette.color(ColorRole::green), palette.color(ColorRole::accent));
    EXPECT_NE(palette.color(ColorRole::red), palette.color(ColorRole::orange));
    // Three grades of text, strongest first.
    const double primary = contrast(palette.color(ColorRole::primary), view);
    const double secondary = contrast(palette.color(ColorRole::secondary), view);
    const double tertiary = contrast(palette.color(ColorRole::tertiary), view);
    EXPECT_GT(primary, secondary);
    EXPECT_GT(secondary, tertiary);
}

TEST_P(PaletteContrast, BadgeTextAndHighlightedItemsAreReadable)
{
    const Palette& palette = Palette::forDark(GetParam());
    // A summary badge: its text on its tint, over the bar's fill over the view.
    const QColor bar = over(palette.color(ColorRole::secondary, 0.06), palette.color(ColorRole::viewBackground));
    const std::pair<ColorRole, ColorRole> badges[] = {{ColorRole::green, ColorRole::greenText},
                                                      {ColorRole::red, ColorRole::redText},
                                                      {ColorRole::orange, ColorRole::orangeText},
                                                      {ColorRole::moved, ColorRole::movedText},      // "⇅N"
                                                      {ColorRole::secondary, ColorRole::secondary}}; // "≈N"
    for (const auto& [tint, text] : badges)
        EXPECT_GE(contrast(palette.color(text), over(palette.color(tint, 0.12), bar)), 4.5) << int(text);
    // A highlighted menu item, selected text in a field.
    const QPalette widgets = palette.widgetPalette();
    EXPECT_GE(contrast(widgets.color(QPalette::HighlightedText), widgets.color(QPalette::Highlight)), 4.5);
}

namespace {

// A colour as seen with deuteranopia or protanopia (Machado, Oliveira and Fernandes 2009,
// severity 1), applied to linear RGB.
using Matrix = std::array<std::array<double, 3>, 3>;
constexpr Matrix kNormal = {{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
constexpr Matrix kDeuteranopia = {
    {{0.367322, 0.860646, -0.227968}, {0.280085, 0.672501, 0.047413}, {-0.011820, 0.042940, 0.968881}}};
constexpr Matrix kProtanopia = {
    {{0.152286, 1.052583, -0.204868}, {0.114503, 0.786281, 0.099216}, {-0.003882, -0.048116, 1.051998}}};

double linear(double c)
{
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

// CIELAB (D65) of an opaque colour seen through `vision`.
std::array<double, 3> labSeen(const QColor& color, const Matrix& vision)
{
    const double rgb[3] = {linear(color.redF()), linear(color.greenF()), linear(color.blueF())};
    double seen[3];
    for (int row = 0; row < 3; ++row)
        seen[row] = std::clamp(vision[row][0] * rgb[0] + vision[row][1] * rgb[1] + vision[row][2] * rgb[2], 0.0, 1.0);
    const double x = (0.4124 * seen[0] + 0.3576 * seen[1] + 0.1805 * seen[2]) / 0.95047;
    const double y = 0.2126 * seen[0] + 0.7152 * seen[1] + 0.0722 * seen[2];
    const double z = (0.0193 * seen[0] + 0.1192 * seen[1] + 0.9505 * seen[2]) / 1.08883;
    const auto f = [](double t) { return t > 0.008856 ? std::cbrt(t) : 7.787 * t + 16.0 / 116; };
    return {116 * f(y) - 16, 500 * (f(x) - f(y)), 200 * (f(y) - f(z))};
}

double distanceSeen(const QColor& a, const QColor& b, const Matrix& vision)
{
    const std::array<double, 3> p = labSeen(a, vision);
    const std::array<double, 3> q = labSeen(b, vision);
    return std::hypot(p[0] - q[0], p[1] - q[1], p[2] - q[2]);
}

} // namespace

// Moved rows must not pass for added or removed ones, also for readers who cannot tell
// red from green (for whom those two tints are all but one: a distance under 3): the
// moved tint stands at least 7 CIELAB units from both in every vision, focused or not.
// Seen without red and green, violet and the accent are both blue: the focused unchanged
// row (which has its frame besides) stays a noticeable 3 units apart.
TEST_P(PaletteContrast, MovedTintStandsApartForEveryVision)
{
    const Palette& palette = Palette::forDark(GetParam());
    const QColor view = palette.color(ColorRole::viewBackground);
    const double base = palette.isDark() ? 0.22 : 0.12;
    for (const double tint : {base, base + 0.18}) {
        const QColor moved = over(palette.color(ColorRole::moved, tint), view);
        const QColor added = over(palette.color(ColorRole::green, tint), view);
        const QColor removed = over(palette.color(ColorRole::red, tint), view);
        const QColor focusedUnchanged = over(palette.color(ColorRole::accent, 0.08), view);
        for (const Matrix* vision : {&kNormal, &kDeuteranopia, &kProtanopia}) {
            EXPECT_GE(distanceSeen(moved, added, *vision), 7.0) << tint;
            EXPECT_GE(distanceSeen(moved, removed, *vision), 7.0) << tint;
            EXPECT_GE(distanceSeen(moved, focusedUnchanged, *vision), 3.0) << tint;
        }
    }
    // The reason for the test: red and green rows look alike without the red-green axis.
    EXPECT_LT(distanceSeen(over(palette.color(ColorRole::green, base), view),
                           over(palette.color(ColorRole::red, base), view), kDeuteranopia),
              3.0);
}

INSTANTIATE_TEST_SUITE_P(LightAndDark, PaletteContrast, ::testing::Values(false, true),
                         [](const auto& param) { return param.param ? "dark" : "light"; });

TEST(Palette, DarkIsDarkAndTheWidgetPaletteFollows)
{
    EXPECT_LT(luminance(Palette::dark().color(ColorRole::viewBackground)), 0.05);
    EXPECT_GT(luminance(Palette::light().color(ColorRole::viewBackground)), 0.9);
    for (bool dark : {false, true}) {
        const Palette& palette = Palette::forDark(dark);
        const QPalette widgets = palette.widgetPalette();
        EXPECT_EQ(widgets.color(QPalette::Base), palette.color(ColorRole::viewBackground));
        EXPECT_EQ(widgets.color(QPalette::Text), palette.color(ColorRole::primary));
        EXPECT_EQ(widgets.color(QPalette::Window), palette.color(ColorRole::windowBackground));
        EXPECT_GE(contrast(widgets.color(QPalette::WindowText), widgets.color(QPalette::Window)), 4.5);
    }
}

TEST(Appearance, SaysWhenItChanges)
{
    Appearance& hub = Appearance::instance();
    const bool was = hub.isDark();
    int changes = 0;
    const QMetaObject::Connection connection = QObject::connect(&hub, &Appearance::changed, [&] { ++changes; });
    hub.setDark(!was);
    hub.setDark(!was); // no change, no signal
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(&hub.palette(), &Palette::forDark(!was));
    hub.setDark(was);
    EXPECT_EQ(changes, 2);
    QObject::disconnect(connection);
}

} // namespace
