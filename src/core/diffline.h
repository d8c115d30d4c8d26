#pragma once

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
// its text: `content()` views the line inside the TextLines that the owning DiffResult
// keeps alive. Keep the DiffResult (or a copy of it) while you use a row's content.
class DiffLine {
public:
    DiffLine() = default;
    DiffLine(std::optional<qint64> leftLineNumber, std::optional<qint64> rightLineNumber, QUtf8StringView content,
             DiffLineType type, qint64 hiddenCount = 0)
        : m_left(leftLineNumber.value_or(0))
        , m_right(rightLineNumber.value_or(0))
        , m_text(content.data())
        , m_extent(type == DiffLineType::contextCollapsed ? hiddenCount : content.size())
        , m_type(type)
    {
    }

    // 1-based line numbers; absent where the row has no line on that side.
    std::optional<qint64> leftLineNumber() const { return m_left ? std::optional(m_left) : std::nullopt; }
    std::optional<qint64> rightLineNumber() const { return m_right ? std::optional(m_right) : std::nullopt; }
    DiffLineType type() const { return m_type; }

    // The line's text without its terminator; empty for a placeholder.
    QUtf8StringView content() const
    {
        return m_type == DiffLineType::contextCollapsed ? QUtf8StringView() : QUtf8StringView(m_text, m_extent);
    }
    QString contentString() const { return content().toString(); }

    // How many unchanged lines a placeholder stands for; absent for other rows.
    std::optional<qint64> hiddenCount() const
    {
        return m_type == DiffLineType::contextCollapsed ? std::optional(m_extent) : std::nullopt;
    }

private:
    qint64 m_left = 0;  // 0: absent (numbers start at 1)
    qint64 m_right = 0; // 0: absent
    const char* m_text = nullptr;
    qint64 m_extent = 0; // content length in bytes, or the hidden count of a placeholder
    DiffLineType m_type = DiffLineType::unchanged;
};

} // namespace varnel

Q_DECLARE_TYPEINFO(varnel::DiffLine, Q_RELOCATABLE_TYPE);
