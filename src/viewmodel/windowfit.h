// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QMargins>
#include <QSize>

namespace varnel {

// The size a window opens at and the least it can be made, on a screen whose free area
// (the screen less its panels) is `available`, in the window system's device-independent
// pixels. The window's own frame (`frame`, nothing before the window system has framed
// it) comes out of that area too. Where the screen is smaller than the minimum, the
// minimum yields to it, so that no part of the window is ever out of reach: at a scale of
// 2 a 1920x1080 screen has 960x540 such pixels, less than a minimum of 900x600.
struct WindowFit {
    QSize size;
    QSize minimum;
};

WindowFit fitWindow(const QSize& preferred, const QSize& minimum, const QSize& available, const QMargins& frame = {});

} // namespace varnel
