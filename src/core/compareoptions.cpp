// SPDX-License-Identifier: GPL-3.0-or-later

#include "core/compareoptions.h"

#include <QRegularExpression>

namespace varnel {

QStringList ignoredAspects(const CompareOptions& options)
{
    QStringList aspects;
    if (options.ignoreAllSpace || options.ignoreSpaceChange || options.ignoreTrailingSpace)
        aspects << QStringLiteral("white space");
    if (options.ignoreCase)
        aspects << QStringLiteral("case");
    if (options.ignoreBlankLines)
        aspects << QStringLiteral("blank lines");
    for (const QString& pattern : options.ignoreMatching)
        aspects << QStringLiteral("lines matching “%1”").arg(pattern);
    return aspects;
}

std::optional<QString> patternError(const QString& pattern)
{
    const QRegularExpression expression(pattern);
    if (expression.isValid())
        return std::nullopt;
    return QStringLiteral("The pattern “%1” is not valid at position %2: %3.")
        .arg(pattern)
        .arg(expression.patternErrorOffset())
        .arg(expression.errorString());
}

} // namespace varnel
