// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/compareoptions.h"

#include <QMetaType>
#include <QUtf8StringView>

#include <cstdint>
#include <optional>

namespace varnel {

// What one row of a diff stands for.
enum class DiffLineType : std::uint8_t {
    contextCollapsed, // a placeholder for a run of unchanged lines that are not shown
    added,            // only in the right (revised) text
    removed,          // only in the left (original) text
    unchanged,        // equal in both texts
};

// Which column of the side-by-side presentation a row view draws.
enum class PageSide { left, right };

// Which of the two files of a comparison an operation addresses.
enum class FileSide { left, right };

// One row of a diff, in display order. Made by DiffEngine, which names a row by its index
// in the result.
//
// A row is a small value made on demand from its result (see DiffRows) and does not own
// its text: each side's text views the line inside the TextLines that the owning
// DiffResult keeps alive. Keep the DiffResult (or a copy of it) while you use a row's text.
//
// An unchanged row has two texts: its lines compare equal, but not always byte for byte
// (canonically equivalent Unicode), so each side shows its own file's line.
class DiffLine {
public:
    DiffLine() = default;
    // A row with one text (for an unchanged row, the same on both sides).
    DiffLine(std::optional<qint64> leftLineNumber, std::optional<qint64> rightLineNumber, QUtf8StringView content,
             DiffLineType type, qint64 hiddenCount = 0)
        : DiffLine(leftLineNumber, rightLineNumber, content, content, type, hiddenCount)
    {
    }
    // A row with each side's text; a removed row keeps only the left, an added one only the right.
    DiffLine(std::optional<qint64> leftLineNumber, std::optional<qint64> rightLineNumber, QUtf8StringView leftContent,
             QUtf8StringView rightContent, DiffLineType type, qint64 hiddenCount = 0)
        : m_left(leftLineNumber.value_or(0))
        , m_right(rightLineNumber.value_or(0))
        , m_leftText(type == DiffLineType::added ? nullptr : leftContent.data())
        , m_rightText(type == DiffLineType::removed ? nullptr : rightContent.data())
        , m_leftExtent(type == DiffLineType::contextCollapsed ? hiddenCount
                       : type == DiffLineType::added          ? 0
                                                              : leftContent.size())
        , m_rightExtent(type == DiffLineType::removed || type == DiffLineType::contextCollapsed ? 0
                                                                                                : rightContent.size())
        , m_type(type)
    {
    }

    // 1-based line numbers; absent where the row has no line on that side.
    std::optional<qint64> leftLineNumber() const { return m_left ? std::optional(m_left) : std::nullopt; }
    std::optional<qint64> rightLineNumber() const { return m_right ? std::optional(m_right) : std::nullopt; }
    DiffLineType type() const { return m_type; }

    // The left file's line without its terminator; empty for added rows and placeholders.
    QUtf8StringView leftContent() const
    {
        return m_type == DiffLineType::contextCollapsed ? QUtf8StringView() : QUtf8StringView(m_leftText, m_leftExtent);
    }
    // The right file's line without its terminator; empty for removed rows and placeholders.
    QUtf8StringView rightContent() const { return QUtf8StringView(m_rightText, m_rightExtent); }
    // The row's one line: the left one for removed and unchanged rows, the right one for
    // added rows; empty for a placeholder.
    QUtf8StringView content() const { return m_type == DiffLineType::added ? rightContent() : leftContent(); }
    QString contentString() const { return content().toString(); }
    // The text the row shows on `side`: that side's line for an unchanged row, the row's one
    // line otherwise.
    QUtf8StringView content(PageSide side) const
    {
        return m_type == DiffLineType::unchanged && side == PageSide::right ? rightContent() : content();
    }
    QString contentString(PageSide side) const { return content(side).toString(); }
    // Whether an unchanged row's two lines differ in their bytes.
    bool sidesDiffer() const
    {
        return m_type == DiffLineType::unchanged && (m_leftText != m_rightText || m_leftExtent != m_rightExtent) &&
               leftContent() != rightContent();
    }

    // Why the row is not a change though its lines differ: an unchanged row whose lines
    // differ only in an ignored way, or a row of a change block set aside by -B or -I.
    IgnoredReason ignored() const { return m_ignored; }
    void setIgnored(IgnoredReason reason) { m_ignored = reason; }

    // How many unchanged lines a placeholder stands for; absent for other rows.
    std::optional<qint64> hiddenCount() const
    {
        return m_type == DiffLineType::contextCollapsed ? std::optional(m_leftExtent) : std::nullopt;
    }

private:
    qint64 m_left = 0;  // 0: absent (numbers start at 1)
    qint64 m_right = 0; // 0: absent
    const char* m_leftText = nullptr;
    const char* m_rightText = nullptr;
    qint64 m_leftExtent = 0; // left length in bytes, or the hidden count of a placeholder
    qint64 m_rightExtent = 0;
    DiffLineType m_type = DiffLineType::unchanged;
    IgnoredReason m_ignored = IgnoredReason::none;
};

} // namespace varnel

Q_DECLARE_TYPEINFO(varnel::DiffLine, Q_RELOCATABLE_TYPE);
