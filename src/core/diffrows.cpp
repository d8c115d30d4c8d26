#include "core/diffrows.h"

#include <algorithm>

namespace varnel {

struct DiffRows::Storage {
    QList<DiffLine> lines; // hand-made rows; empty when the rows are runs
    std::vector<Run> runs;
    SharedLines original;
    SharedLines revised;
    std::uint64_t idHigh = 0; // the base id, as two halves
    std::uint64_t idLow = 0;
};

namespace {

std::uint64_t highHalf(const QUuid& id)
{
    return std::uint64_t(id.data1) << 32 | std::uint64_t(id.data2) << 16 | id.data3;
}

std::uint64_t lowHalf(const QUuid& id)
{
    std::uint64_t low = 0;
    for (const uchar byte : id.data4)
        low = low << 8 | byte;
    return low;
}

QUuid fromHalves(std::uint64_t high, std::uint64_t low)
{
    return QUuid(uint(high >> 32), ushort(high >> 16), ushort(high), uchar(low >> 56), uchar(low >> 48),
                 uchar(low >> 40), uchar(low >> 32), uchar(low >> 24), uchar(low >> 16), uchar(low >> 8), uchar(low));
}

// Row indices stay below 2^62, so mixing them into the low half keeps the variant bits
// (the top two) and the version (in the high half) of the base.
constexpr std::uint64_t kIndexMask = (std::uint64_t(1) << 62) - 1;

} // namespace

DiffRows::DiffRows(QList<DiffLine> lines) : m_size(lines.size())
{
    auto storage = std::make_shared<Storage>();
    storage->lines = std::move(lines);
    m_storage = std::move(storage);
}

DiffRows DiffRows::fromRuns(std::vector<Run> runs, SharedLines original, SharedLines revised, const QUuid& base)
{
    DiffRows rows;
    rows.m_size = runs.empty() ? 0 : runs.back().firstRow + runs.back().rows();
    auto storage = std::make_shared<Storage>();
    storage->runs = std::move(runs);
    storage->runs.shrink_to_fit();
    storage->original = std::move(original);
    storage->revised = std::move(revised);
    storage->idHigh = highHalf(base);
    storage->idLow = lowHalf(base);
    rows.m_storage = std::move(storage);
    return rows;
}

const std::vector<DiffRows::Run>& DiffRows::runs() const
{
    static const std::vector<Run> none;
    return m_storage ? m_storage->runs : none;
}

std::optional<qsizetype> DiffRows::indexOf(const QUuid& id) const
{
    if (!m_storage)
        return std::nullopt;
    if (!m_storage->runs.empty()) {
        if (highHalf(id) != m_storage->idHigh)
            return std::nullopt;
        const std::uint64_t mixed = lowHalf(id) ^ m_storage->idLow;
        if (mixed > kIndexMask || mixed >= std::uint64_t(m_size))
            return std::nullopt;
        return qsizetype(mixed);
    }
    const QList<DiffLine>& lines = m_storage->lines;
    for (qsizetype row = 0; row < lines.size(); ++row) {
        if (lines[row].id() == id)
            return row;
    }
    return std::nullopt;
}

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
    const QUuid id = fromHalves(storage.idHigh, storage.idLow ^ std::uint64_t(row));
    const TextLines& left = *storage.original;
    const TextLines& right = *storage.revised;

    switch (run.kind) {
    case Run::Kind::unchanged:
        return DiffLine(id, run.left + k + 1, run.right + k + 1, left.utf8(run.left + k), DiffLineType::unchanged);
    case Run::Kind::placeholder:
        return DiffLine(id, run.left + 1, run.right + 1, QUtf8StringView(), DiffLineType::contextCollapsed,
                        run.removed);
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
    if (removal)
        return DiffLine(id, run.left + i + 1, std::nullopt, left.utf8(run.left + i), DiffLineType::removed);
    return DiffLine(id, std::nullopt, run.right + i + 1, right.utf8(run.right + i), DiffLineType::added);
}

} // namespace varnel
