// SPDX-License-Identifier: GPL-3.0-or-later

#include "widgets/diffview/rowmetrics.h"

#include "widgets/style/fonts.h"

#include <algorithm>
#include <cmath>

namespace varnel {

namespace {

constexpr int kTabWidth = 4;

qreal centredBaseline(const QFontMetricsF& metrics, int rowHeight)
{
    return std::round((rowHeight - metrics.height()) / 2 + metrics.ascent());
}

} // namespace

RowMetrics RowMetrics::forFontSize(qreal fontSize)
{
    RowMetrics m;
    m.fontSize = std::round(fontSize);
    m.textFont = fonts::monospace(m.fontSize);
    m.numberFont = fonts::monospace(std::max(m.fontSize - 3, kSmallestFont));
    m.labelFont = fonts::monospace(std::max(m.fontSize - 2, kSmallestFont));
    m.textMetrics = QFontMetricsF(m.textFont);
    m.numberMetrics = QFontMetricsF(m.numberFont);
    m.labelMetrics = QFontMetricsF(m.labelFont);
    m.rowHeight = std::max(kMinimumRowHeight, int(std::ceil(m.textMetrics.height())) + kVerticalInsets);
    m.textBaseline = centredBaseline(m.textMetrics, m.rowHeight);
    m.numberBaseline = centredBaseline(m.numberMetrics, m.rowHeight);
    m.labelBaseline = centredBaseline(m.labelMetrics, m.rowHeight);
    m.advance = m.textMetrics.horizontalAdvance(QLatin1Char('0'));
    m.tabDistance = kTabWidth * m.advance;
    m.digitAdvance = m.numberMetrics.horizontalAdvance(QLatin1Char('0'));
    m.lineStep = int(std::ceil(std::max(m.textMetrics.lineSpacing(), m.textMetrics.height())));
    m.textTop = m.textBaseline - m.textMetrics.ascent();
    return m;
}

} // namespace varnel
