// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/diffline.h"

#include <QString>

namespace varnel {

// What a marked row's tooltip says: why the row is not a change though its lines differ.
// "White space differs", "Letter case differs" or "Matches an ignored pattern"; a blank
// line that ignoring blank lines set aside is "Blank line, ignored". Empty for a row that
// is not marked.
QString ignoredRowNote(const DiffLine& line);

// The quiet marker of such a row, drawn in its number column.
inline constexpr char16_t kIgnoredMarker = u'\u2248'; // ≈

} // namespace varnel
