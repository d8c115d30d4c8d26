// SPDX-License-Identifier: GPL-3.0-or-later

#include "reading/ignorednote.h"

namespace varnel {

QString ignoredRowNote(const DiffLine& line)
{
    const bool setAside = line.type() == DiffLineType::added || line.type() == DiffLineType::removed;
    switch (line.ignored()) {
    case IgnoredReason::none: return {};
    case IgnoredReason::whitespace:
        return setAside ? QStringLiteral("Blank line, ignored") : QStringLiteral("White space differs");
    case IgnoredReason::letterCase: return QStringLiteral("Letter case differs");
    case IgnoredReason::pattern: return QStringLiteral("Matches an ignored pattern");
    }
    return {};
}

} // namespace varnel
