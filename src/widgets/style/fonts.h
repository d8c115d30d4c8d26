// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QFont>
#include <QString>

namespace varnel::fonts {

// The window's text styles, in device-independent pixels (a 13-pixel font is what the
// design calls 13 points).
enum class TextStyle { body, callout, subheadline, footnote, caption, caption2, headline, largeTitle };

int pixelSize(TextStyle style);

// The desktop's fixed-pitch family (DejaVu Sans Mono on a bare Debian).
QString monospaceFamily();

// The fixed-pitch font at a size in pixels, rounded to whole pixels so that glyphs sit on
// the pixel grid at every device pixel ratio.
QFont monospace(qreal pixelSize, bool bold = false);

// The application's own family at a text style's size (semi-bold for the headline).
QFont ui(TextStyle style);
// The same at another weight.
QFont ui(TextStyle style, QFont::Weight weight);

} // namespace varnel::fonts
