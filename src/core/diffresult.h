// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/diffline.h"
#include "core/diffrows.h"
#include "core/textlines.h"

namespace varnel {

// The whole outcome of one comparison: the rows in display order and three counts.
//
// Counts are properties of the comparison, not of the rows shown: a collapsed and a full
// result of the same comparison carry the same counts. Copies are cheap and share rows
// and text, and may be handed from one thread to another. The rows are made on demand
// from runs (see DiffRows), so a result's memory grows with its changes, not its lines.
class DiffResult {
public:
    DiffResult() = default;
    DiffResult(DiffRows lines, qint64 addedCount, qint64 removedCount, qint64 modifiedCount, SharedLines original = {},
               SharedLines revised = {})
        : m_lines(std::move(lines))
        , m_addedCount(addedCount)
        , m_removedCount(removedCount)
        , m_modifiedCount(modifiedCount)
        , m_original(std::move(original))
        , m_revised(std::move(revised))
    {
    }

    // Rows made by hand (tests, tools), kept as they are.
    DiffResult(QList<DiffLine> lines, qint64 addedCount, qint64 removedCount, qint64 modifiedCount,
               SharedLines original = {}, SharedLines revised = {})
        : DiffResult(DiffRows(std::move(lines)), addedCount, removedCount, modifiedCount, std::move(original),
                     std::move(revised))
    {
    }

    const DiffRows& lines() const { return m_lines; }
    // Added rows that are not paired with a removed row.
    qint64 addedCount() const { return m_addedCount; }
    // Removed rows that are not paired with an added row.
    qint64 removedCount() const { return m_removedCount; }
    // Pairs of one removed and one added row, each pair counting once.
    qint64 modifiedCount() const { return m_modifiedCount; }

    // Lines that differ only in ways the comparison options ignore (each row once).
    qint64 ignoredCount() const { return m_ignoredCount; }
    void setIgnoredCount(qint64 count) { m_ignoredCount = count; }

    bool hasChanges() const { return m_addedCount > 0 || m_removedCount > 0 || m_modifiedCount > 0; }

    // The texts the rows' content points into.
    const SharedLines& original() const { return m_original; }
    const SharedLines& revised() const { return m_revised; }

private:
    DiffRows m_lines;
    qint64 m_addedCount = 0;
    qint64 m_removedCount = 0;
    qint64 m_modifiedCount = 0;
    qint64 m_ignoredCount = 0;
    SharedLines m_original;
    SharedLines m_revised;
};

} // namespace varnel

Q_DECLARE_METATYPE(varnel::DiffResult)
