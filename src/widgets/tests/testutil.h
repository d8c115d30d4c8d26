// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/diffengine.h"
#include "widgets/style/appearance.h"

#include <QColor>
#include <QImage>
#include <QStringList>
#include <QWidget>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace varnel::test {

// `top` (with its alpha) painted over the opaque `bottom`.
inline QColor over(const QColor& top, const QColor& bottom)
{
    const double a = top.alphaF();
    return QColor::fromRgbF(float(top.redF() * a + bottom.redF() * (1 - a)),
                            float(top.greenF() * a + bottom.greenF() * (1 - a)),
                            float(top.blueF() * a + bottom.blueF() * (1 - a)));
}

// WCAG 2 contrast ratio of two opaque colours.
inline double contrast(const QColor& a, const QColor& b)
{
    const auto luminance = [](const QColor& color) {
        const auto channel = [](double c) { return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); };
        return 0.2126 * channel(color.redF()) + 0.7152 * channel(color.greenF()) + 0.0722 * channel(color.blueF());
    };
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

inline ::testing::AssertionResult sameColor(const QColor& actual, const QColor& expected, int tolerance = 2)
{
    if (std::abs(actual.red() - expected.red()) <= tolerance &&
        std::abs(actual.green() - expected.green()) <= tolerance &&
        std::abs(actual.blue() - expected.blue()) <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "colour " << actual.name().toStdString() << ", expected "
                                         << expected.name().toStdString();
}

inline QImage grabImage(QWidget* widget)
{
    return widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

inline DiffResult diff(const QStringList& left, const QStringList& right, bool collapse = false)
{
    return DiffEngine::compute(left, right, collapse);
}

inline QStringList numberedLines(int count, const QString& prefix = QStringLiteral("line"))
{
    QStringList lines;
    for (int i = 1; i <= count; ++i)
        lines.append(QStringLiteral("%1 %2").arg(prefix).arg(i));
    return lines;
}

// Sets the appearance for one test and puts it back afterwards.
class AppearanceScope {
public:
    explicit AppearanceScope(bool dark) : m_was(Appearance::instance().isDark())
    {
        Appearance::instance().setDark(dark);
    }
    ~AppearanceScope() { Appearance::instance().setDark(m_was); }
    AppearanceScope(const AppearanceScope&) = delete;
    AppearanceScope& operator=(const AppearanceScope&) = delete;

private:
    bool m_was;
};

} // namespace varnel::test
