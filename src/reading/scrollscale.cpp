// SPDX-License-Identifier: GPL-3.0-or-later

#include "reading/scrollscale.h"

#include <algorithm>

namespace varnel {

ScrollScale::ScrollScale(qint64 pixels, qint64 limit) : m_pixels(std::max<qint64>(pixels, 0))
{
    limit = std::max<qint64>(limit, 1);
    m_perStep = std::max<qint64>(1, (m_pixels + limit - 1) / limit);
    m_steps = int((m_pixels + m_perStep - 1) / m_perStep);
}

qint64 ScrollScale::toPixels(qint64 step) const
{
    return std::clamp<qint64>(step * m_perStep, 0, m_pixels);
}

int ScrollScale::toSteps(qint64 pixel) const
{
    if (pixel >= m_pixels)
        return m_steps;
    return int(std::max<qint64>(pixel, 0) / m_perStep);
}

} // namespace varnel
