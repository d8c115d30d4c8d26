// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/compareoptions.h"
#include "core/diffresult.h"
#include "viewmodel/preferences.h"

#include <QString>

namespace varnel {

// What the window says of the comparison options that ignore something, and how the last
// options chosen are kept for the next window.

// The toolbar's label: "Ignoring: white space, case, 2 patterns"; empty when nothing is
// ignored.
QString ignoringLabel(const CompareOptions& options);
// The options in force as a phrase: "ignoring white space, case and lines matching “^#”";
// empty when nothing is ignored.
QString ignoringPhrase(const CompareOptions& options);
// The tooltip of the summary's "≈N" badge: the count, then the options in force.
QString ignoredBadgeToolTip(qint64 count, const CompareOptions& options);
// The headline of a comparison without changes, given its full result: "Files are
// identical", or, when differences were ignored, "No differences, ignoring white space (12
// lines differ only in white space)".
QString identicalNotice(const DiffResult& full, const CompareOptions& options);

// The options a new window starts with: the last ones chosen in any window, from the
// preferences "ignoreCase", "ignoreTrailingSpace", "ignoreSpaceChange", "ignoreAllSpace",
// "ignoreBlankLines" ("true" or anything else) and "ignoreMatchingLines" (a JSON array of
// patterns; one that is not valid is left out).
CompareOptions rememberedCompareOptions(const Preferences& preferences);
void rememberCompareOptions(Preferences& preferences, const CompareOptions& options);

} // namespace varnel
