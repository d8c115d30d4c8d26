// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// Hand-made rows for tests of what the compare options ignored.

#include "core/diffline.h"

#include <optional>

namespace varnel::test {

// A row with `text` on both sides (or `rightText` on the right), marked with `reason`.
// The texts must outlive the row: string literals do.
inline DiffLine markedRow(std::optional<qint64> left, std::optional<qint64> right, const char* text, DiffLineType type,
                          IgnoredReason reason = IgnoredReason::none, const char* rightText = nullptr)
{
    DiffLine line(left, right, QUtf8StringView(text), QUtf8StringView(rightText ? rightText : text), type);
    line.setIgnored(reason);
    return line;
}

} // namespace varnel::test
