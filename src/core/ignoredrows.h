// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/compareoptions.h"
#include "core/diffcontrol.h"
#include "core/diffrows.h"
#include "core/textlines.h"

#include <QByteArrayView>

#include <optional>
#include <vector>

namespace varnel {

// What the comparison options hid in one result, found once after the diff:
//  - change blocks that -B or -I set aside (every line on both sides blank, or matching
//    one of the patterns; a block that is only partly so stays a change, whole) get
//    Run::ignored and no longer count as changes;
//  - unchanged rows whose two lines differ in their bytes only in a way -i, -Z, -b or -w
//    ignores are marked, per stretch of consecutive rows with one reason.
// `count` is every such row once.
struct IgnoredRows {
    std::vector<DiffRows::IgnoredStretch> stretches;
    qint64 count = 0;
};

// Marks `runs` (a full result's, not yet folded) as above. Empty when cancelled.
std::optional<IgnoredRows> markIgnoredRows(std::vector<DiffRows::Run>& runs, const TextLines& left,
                                           const TextLines& right, const CompareOptions& options,
                                           const CancelCheck& cancel);

// Why two lines that the options call equal differ: none when their bytes are equal or
// they are canonically equivalent Unicode, else letter case when it takes case folding to
// make them equal, else white space.
IgnoredReason ignoredReason(QByteArrayView left, QByteArrayView right, const CompareOptions& options);

} // namespace varnel
