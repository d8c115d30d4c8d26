// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "widgets/style/palette.h"

class QWidget;

namespace varnel {

// Gives `widget` the text colour of `role` (at `opacity`) now and whenever the appearance
// changes. Only the text roles are set, so everything else still comes from the parent.
void setTextColor(QWidget* widget, ColorRole role, qreal opacity = 1);

// Shows the pointing hand over a control that reacts to a click.
void setHandCursor(QWidget* widget);

} // namespace varnel
