// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/diffrows.h"

#include <QList>

#include <optional>
#include <vector>

namespace varnel {

// How the rows of a collapsed result stand among the rows of the full result it was made
// from: the same rows in the same order, except that each placeholder stands for the run
// of unchanged rows it hides.
class FoldedRows {
public:
    FoldedRows() = default;
    static FoldedRows build(const DiffRows& collapsed);

    // The full row where a collapsed row stands; for a placeholder, the first row it hides.
    qint64 toFull(qint64 collapsedRow) const;
    // The collapsed row that shows a full row; none when a placeholder hides it.
    std::optional<qint64> toCollapsed(qint64 fullRow) const;
    // The placeholder that hides a full row; none when the row is shown.
    std::optional<qint64> placeholderOf(qint64 fullRow) const;
    // The full rows [first, first + count) a placeholder hides; none for another row.
    struct Hidden {
        qint64 first = 0;
        qint64 count = 0;
    };
    std::optional<Hidden> hiddenBy(qint64 collapsedRow) const;

    qsizetype placeholderCount() const { return qsizetype(m_folds.size()); }

private:
    struct Fold {
        qint64 collapsedRow; // the placeholder's row
        qint64 fullStart;    // the first row it hides
        qint64 hidden;       // how many
    };
    std::vector<Fold> m_folds;
};

} // namespace varnel
