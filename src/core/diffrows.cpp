// SPDX-License-Identifier: GPL-3.0-or-later

#include "core/diffrows.h"

#include <algorithm>

namespace varnel {

struct DiffRows::Storage {
    QList<DiffLine> lines; // hand-made rows; empty when the rows are runs
    std::vector<Run> runs;
    std::shared_ptr<const std::vector<IgnoredStretch>> ignored;
    SharedLines original;
    SharedLines revised;
};

DiffRows::DiffRows(QList<DiffLine> lines) : m_size(lines.size())
{
    auto storage = std::make_shared<Storage>();
    storage->lines = std::move(lines);
    m_storage = std::move(storage);
}

DiffRows DiffRows::fromRuns(std::vector<Run> runs, SharedLines original, SharedLines revised,
                            std::shared_ptr<const std::vector<IgnoredStretch>> ignored)
{
    DiffRows rows;
    rows.m_size = runs.empty() ? 0 : runs.back().firstRow + runs.back().rows();
    auto storage = std::make_shared<Storage>();
    storage->runs = std::move(runs);
    storage->runs.shrink_to_fit();
    storage->original = std::move(original);
    storage->revised = std::move(revised);
    storage->ignored = std::move(ignored);
    rows.m_storage = std::move(storage);
    return rows;
}

const std::vector<DiffRows::Run>& DiffRows::runs() const
{
    static const std::vector<Run> none;
    return m_storage ? m_storage->runs : none;
}

const std::vector<DiffRows::IgnoredStretch>& DiffRows::ignoredStretches() const
{
    static const std::vector<IgnoredStretch> none;
    return m_storage && m_storage->ignored ? *m_storage->ignored : none;
}

namespace {

// Why the unchanged row of left line `left` (0-based) differs, by a binary search.
IgnoredReason reasonAt(const std::vector<DiffRows::IgnoredStretch>& stretches, qint64 left)
{
    const auto after = std::upper_bound(stretches.begin(), stretches.end(), left,
                                        [](qint64 line, const DiffRows::IgnoredStretch& s) { return line < s.left; });
    if (after == stretches.begin())
        return IgnoredReason::none;
    const DiffRows::IgnoredStretch& stretch = *(after - 1);
    return left < stretch.left + stretch.length ? stretch.reason : IgnoredReason::none;
}

} // namespace

DiffLine DiffRows::rowAt(qsizetype row, size_t& hint) const
{
    Q_ASSERT(row >= 0 && row < m_size);
    const Storage& storage = *m_storage;
    if (storage.runs.empty())
        return storage.lines[row];

    // The hinted run, the one after it (reading in order), or a binary search.
    const std::vector<Run>& runs = storage.runs;
    const auto holds = [&](size_t index) {
        return index < runs.size() && runs[index].firstRow <= row && row < runs[index].firstRow + runs[index].rows();
    };
    if (!holds(hint)) {
        if (holds(hint + 1)) {
            ++hint;
        } else {
            const auto after = std::upper_bound(runs.begin(), runs.end(), row,
                                                [](qsizetype r, const Run& run) { return r < run.firstRow; });
            hint = size_t(after - runs.begin()) - 1;
        }
    }
    const Run& run = runs[hint];
    const qint64 k = row - run.firstRow;
    const TextLines& left = *storage.original;
    const TextLines& right = *storage.revised;

    switch (run.kind) {
    case Run::Kind::unchanged: {
        DiffLine line(run.left + k + 1, run.right + k + 1, left.utf8(run.left + k), right.utf8(run.right + k),
                      DiffLineType::unchanged);
        if (storage.ignored && !storage.ignored->empty())
            line.setIgnored(reasonAt(*storage.ignored, run.left + k));
        return line;
    }
    case Run::Kind::placeholder:
        return DiffLine(run.left + 1, run.right + 1, QUtf8StringView(), DiffLineType::contextCollapsed, run.removed);
    case Run::Kind::change: break;
    }
    // Pairs of a removed and an added row first, then the rest of the longer side.
    const qint64 pairs = std::min(run.removed, run.inserted);
    qint64 i = 0;
    bool removal = false;
    if (k < 2 * pairs) {
        i = k / 2;
        removal = k % 2 == 0;
    } else {
        i = pairs + (k - 2 * pairs);
        removal = run.removed > run.inserted;
    }
    DiffLine line = removal ? DiffLine(run.left + i + 1, std::nullopt, left.utf8(run.left + i), DiffLineType::removed)
                            : DiffLine(std::nullopt, run.right + i + 1, right.utf8(run.right + i), DiffLineType::added);
    line.setIgnored(run.ignored);
    return line;
}

} // namespace varnel
