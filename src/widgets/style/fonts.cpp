// SPDX-License-Identifier: GPL-3.0-or-later

#include "widgets/style/fonts.h"

#include <QFontDatabase>
#include <QGuiApplication>

#include <algorithm>

namespace varnel::fonts {

int pixelSize(TextStyle style)
{
    switch (style) {
    case TextStyle::body:
    case TextStyle::headline: return 13;
    case TextStyle::callout:
    case TextStyle::subheadline: return 12;
    case TextStyle::footnote:
    case TextStyle::caption: return 11;
    case TextStyle::caption2: return 10;
    case TextStyle::largeTitle: return 26;
    }
    return 13;
}

QString monospaceFamily()
{
    static const QString family = QFontDatabase::systemFont(QFontDatabase::FixedFont).family();
    return family;
}

QFont monospace(qreal pixelSize, bool bold)
{
    QFont font(monospaceFamily());
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setKerning(false);
    font.setPixelSize(std::max(1, qRound(pixelSize)));
    if (bold)
        font.setWeight(QFont::Bold);
    return font;
}

QFont ui(TextStyle style)
{
    QFont font = QGuiApplication::font();
    font.setPixelSize(pixelSize(style));
    if (style == TextStyle::headline)
        font.setWeight(QFont::DemiBold);
    return font;
}

QFont ui(TextStyle style, QFont::Weight weight)
{
    QFont font = ui(style);
    font.setWeight(weight);
    return font;
}

} // namespace varnel::fonts
