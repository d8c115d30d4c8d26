// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QtGlobal>

#include <climits>

namespace varnel {

// A scroll bar counts in int, and wrapped rows can be taller in all than an int holds (a
// million rows of a few thousand pixels). Past that limit a step of the bar stands for
// several pixels: the fewest that bring the whole range within the limit, so that its end
// is still reached. Within it, a step is a pixel and nothing changes.
class ScrollScale {
public:
    ScrollScale() = default;
    // For a scroll range of `pixels` pixels (the rows' height less the view's) and a bar
    // that counts up to `limit`.
    explicit ScrollScale(qint64 pixels, qint64 limit = INT_MAX);

    qint64 pixelsPerStep() const { return m_perStep; }
    // The bar's maximum: the step that stands for the end of the range.
    int steps() const { return m_steps; }
    // The pixel a step stands for; the last step stands for the very end.
    qint64 toPixels(qint64 step) const;
    // The step of a pixel, clamped to the range: the last at or before it, the end's at the end.
    int toSteps(qint64 pixel) const;

private:
    qint64 m_pixels = 0;
    qint64 m_perStep = 1;
    int m_steps = 0;
};

} // namespace varnel
