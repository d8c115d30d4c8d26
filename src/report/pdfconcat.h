// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QByteArray>

#include <optional>

namespace varnel::report {

// Joins two PDF documents as written by QPdfWriter into one: the pages of `first`, then
// the pages of `second`. The second document's objects are renumbered after the first's
// and its page tree hangs below the first's. Nothing when either document is not laid
// out the way QPdfWriter lays it out (a classic cross-reference table, one page tree).
std::optional<QByteArray> concatenatePdf(const QByteArray& first, const QByteArray& second);

} // namespace varnel::report
