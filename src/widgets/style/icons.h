// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "widgets/style/palette.h"

#include <QIcon>
#include <QPixmap>

class QPainter;

namespace varnel {

class DiffMode;

// The symbols the window shows. Each has a freedesktop icon name, looked up in the
// desktop's icon theme first, and a drawing of our own that is used when the theme has
// none (a bare Debian or Xvfb has no theme at all).
enum class IconName {
    docPlaintext,     // a text or source file
    docRichtext,      // a PDF file
    docText,          // a Word document
    docQuestionmark,  // a file of a kind we cannot compare
    docBadgePlus,     // an empty drop zone
    chevronUp,        // previous change
    chevronDown,      // next change
    expandVertical,   // show every unchanged line
    compressVertical, // fold unchanged lines
    share,
    swap,
    close,       // close the comparison
    closeFilled, // remove a recent comparison
    arrowRight,  // between the two names of a recent comparison
    info,
    warning,
    checkmark,
};

namespace icons {

// The theme names tried, in order: the symbolic variant first, then the plain one.
QStringList themeNames(IconName name);

// The symbol for a kind of file (text, PDF, Word, unsupported).
IconName forMode(const DiffMode& mode);

// The icon at `size` device-independent pixels, drawn in `color`. Our own drawings and
// single-coloured theme icons take the colour, so they read on light and dark
// backgrounds alike; a theme icon of several colours keeps its own. Cached.
QPixmap pixmap(IconName name, int size, const QColor& color, qreal devicePixelRatio);

// Draws the icon centred in `rect` (scaled by `scale` about its centre) at the painter's
// device pixel ratio.
void paint(QPainter& painter, const QRectF& rect, IconName name, int size, const QColor& color, qreal scale = 1);

// A QIcon (for actions, menus and buttons) that draws in the current palette's `role`
// at `opacity` each time it is painted, so it follows the appearance; disabled, it is
// drawn fainter.
QIcon icon(IconName name, ColorRole role = ColorRole::secondary, qreal opacity = 1);

} // namespace icons

} // namespace varnel
