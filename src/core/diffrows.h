// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/diffline.h"
#include "core/textlines.h"

#include <QList>

#include <iterator>
#include <memory>
#include <optional>
#include <vector>

namespace varnel {

// The rows of a diff result, in display order, read like a list of DiffLine values.
//
// The engine stores runs of rows, not rows: a run of unchanged lines, a change block (r
// lines removed and a added: min(r, a) pairs of removed-then-added rows, then the rest of
// the longer side), or one placeholder. A row is made on demand from its run and the
// documents' text, so a result costs memory per change, not per line: comparing two
// copies of a file of a hundred million lines holds one run. A row is named by its index;
// an unchanged row views its line in each document, so each side shows its own bytes.
//
// Hand-made rows (a list of DiffLine) are kept as they are. Copies share everything and
// may be handed from one thread to another.
class DiffRows {
public:
    struct Run {
        enum class Kind : std::uint8_t { unchanged, change, placeholder };
        qint64 firstRow = 0; // index of its first row in the result
        qint64 left = 0;     // 0-based index of its first left line
        qint64 right = 0;    // 0-based index of its first right line
        qint64 removed = 0;  // left lines: an unchanged run's length, a placeholder's hidden count
        qint64 inserted = 0; // right lines of a change block
        Kind kind = Kind::unchanged;
        // A change block that -B or -I set aside: its rows keep their kind and carry this.
        IgnoredReason ignored = IgnoredReason::none;

        qint64 rows() const
        {
            switch (kind) {
            case Kind::change: return removed + inserted;
            case Kind::placeholder: return 1;
            case Kind::unchanged: break;
            }
            return removed;
        }
    };

    // Unchanged lines whose two sides differ only in ways the options ignore: a stretch of
    // consecutive left lines with one reason. Kept per stretch, not per line.
    struct IgnoredStretch {
        qint64 left = 0;         // 0-based index of its first left line
        std::int32_t length = 0; // a longer stretch is cut in two
        IgnoredReason reason = IgnoredReason::none;
    };

    class const_iterator {
    public:
        using iterator_concept = std::random_access_iterator_tag;
        using iterator_category = std::input_iterator_tag; // rows are made, not referenced
        using value_type = DiffLine;
        using difference_type = qsizetype;
        using reference = DiffLine;
        using pointer = void;

        const_iterator() = default;
        DiffLine operator*() const { return m_rows->rowAt(m_row, m_run); }
        DiffLine operator[](difference_type n) const { return *(*this + n); }
        const_iterator& operator++()
        {
            ++m_row;
            return *this;
        }
        const_iterator operator++(int)
        {
            const_iterator old = *this;
            ++m_row;
            return old;
        }
        const_iterator& operator--()
        {
            --m_row;
            return *this;
        }
        const_iterator operator--(int)
        {
            const_iterator old = *this;
            --m_row;
            return old;
        }
        const_iterator& operator+=(difference_type n)
        {
            m_row += n;
            return *this;
        }
        const_iterator& operator-=(difference_type n)
        {
            m_row -= n;
            return *this;
        }
        friend const_iterator operator+(const_iterator it, difference_type n) { return it += n; }
        friend const_iterator operator+(difference_type n, const_iterator it) { return it += n; }
        friend const_iterator operator-(const_iterator it, difference_type n) { return it -= n; }
        friend difference_type operator-(const const_iterator& a, const const_iterator& b) { return a.m_row - b.m_row; }
        friend bool operator==(const const_iterator& a, const const_iterator& b) { return a.m_row == b.m_row; }
        friend auto operator<=>(const const_iterator& a, const const_iterator& b) { return a.m_row <=> b.m_row; }

    private:
        friend class DiffRows;
        const_iterator(const DiffRows* rows, qsizetype row) : m_rows(rows), m_row(row) {}

        const DiffRows* m_rows = nullptr;
        qsizetype m_row = 0;
        mutable size_t m_run = 0; // the run that held the last row read: the next one is usually there
    };
    using iterator = const_iterator;
    using value_type = DiffLine;
    using size_type = qsizetype;

    DiffRows() = default;
    // Rows made by hand, kept as they are.
    DiffRows(QList<DiffLine> lines); // NOLINT(google-explicit-constructor): a list of rows is rows

    // Rows stored as runs over the two documents; `ignored` (in left-line order) marks
    // unchanged rows, and may be shared by the collapsed and the full rows of one result.
    static DiffRows fromRuns(std::vector<Run> runs, SharedLines original, SharedLines revised,
                             std::shared_ptr<const std::vector<IgnoredStretch>> ignored = {});

    qsizetype size() const { return m_size; }
    qsizetype count() const { return m_size; }
    bool isEmpty() const { return m_size == 0; }
    bool empty() const { return m_size == 0; }

    DiffLine operator[](qsizetype row) const
    {
        size_t run = 0;
        return rowAt(row, run);
    }
    DiffLine at(qsizetype row) const { return (*this)[row]; }
    DiffLine first() const { return (*this)[0]; }
    DiffLine last() const { return (*this)[m_size - 1]; }
    DiffLine front() const { return first(); }
    DiffLine back() const { return last(); }

    const_iterator begin() const { return const_iterator(this, 0); }
    const_iterator end() const { return const_iterator(this, m_size); }
    const_iterator cbegin() const { return begin(); }
    const_iterator cend() const { return end(); }
    const_iterator constBegin() const { return begin(); }
    const_iterator constEnd() const { return end(); }

    // The runs (empty for hand-made rows); for tests and measurements.
    const std::vector<Run>& runs() const;
    // The marked stretches of unchanged rows, in left-line order.
    const std::vector<IgnoredStretch>& ignoredStretches() const;

private:
    struct Storage;

    // Row `row`, with `run` a hint: the run index to try first, updated to the run used.
    DiffLine rowAt(qsizetype row, size_t& run) const;

    std::shared_ptr<const Storage> m_storage;
    qsizetype m_size = 0;
};

} // namespace varnel
