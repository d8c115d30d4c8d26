// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/diffline.h"
#include "core/diffrows.h"

#include <QList>

#include <array>

namespace varnel {

// Which rows of a result a view shows as text: the left column shows removed and
// unchanged lines, the right column added and unchanged lines, the inline view all.
enum class ShownRows { left, right, all };

// The rows with the most characters, per way of showing them, found in one pass over a
// result so that a view can size its horizontal scrolling by measuring a handful of lines
// instead of all of them.
//
// Cost: one look at each row's length, O(rows × log kCount) at worst, no text touched.
// Invariant: each list holds up to kCount row indexes, longest first, of rows whose
// content is shown as text that way.
class LongestLines {
public:
    static constexpr qsizetype kCount = 32;

    static LongestLines find(const DiffRows& lines);

    const QList<qint64>& rows(ShownRows shown) const { return m_rows[std::size_t(shown)]; }

private:
    std::array<QList<qint64>, 3> m_rows;
};

} // namespace varnel
