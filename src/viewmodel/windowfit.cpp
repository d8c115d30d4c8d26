// SPDX-License-Identifier: GPL-3.0-or-later

#include "viewmodel/windowfit.h"

#include <algorithm>

namespace varnel {

WindowFit fitWindow(const QSize& preferred, const QSize& minimum, const QSize& available, const QMargins& frame)
{
    // A screen too small for even a frame still leaves the window a pixel.
    const QSize room(std::max(1, available.width() - frame.left() - frame.right()),
                     std::max(1, available.height() - frame.top() - frame.bottom()));
    const QSize least = minimum.boundedTo(room);
    return {preferred.boundedTo(room).expandedTo(least), least};
}

} // namespace varnel
