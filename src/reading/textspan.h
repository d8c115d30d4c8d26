// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QtGlobal>

namespace varnel {

// A stretch of a line's text, in UTF-16 code units.
struct TextSpan {
    qsizetype start = 0;
    qsizetype length = 0;

    qsizetype end() const { return start + length; }
    friend bool operator==(const TextSpan&, const TextSpan&) = default;
};

} // namespace varnel
