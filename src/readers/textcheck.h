// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace varnel {

// How many bytes of a file's start the text check reads.
inline constexpr qsizetype kTextCheckSize = 64 * 1024;

// Whether `head`, a file's first bytes, holds text: no NUL byte and well-formed UTF-8, or
// UTF-16 after a byte-order mark with no NUL unit and no unpaired surrogate, or Latin-1
// (or Windows-1252) whose only control characters are tab, LF, FF and CR. When `cut` the data goes on
// past `head`, so a character cut at its end still counts.
bool looksLikeText(QByteArrayView head, bool cut);

} // namespace varnel
