// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QFont>
#include <QStringList>

namespace varnel {

// `text` wrapped to `width` pixels (at word boundaries where it can, anywhere where it
// must) on at most `maxLines` lines. Text that needs more lines is shortened in the
// middle, with "…" where the cut is, so that both its start and its end stay readable
// (a file name's stem and its extension).
QStringList elideToLines(const QString& text, const QFont& font, int width, int maxLines);

} // namespace varnel
