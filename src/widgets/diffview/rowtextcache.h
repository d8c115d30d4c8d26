// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "highlight/syntaxhighlighter.h"
#include "reading/textspan.h"

#include <QHash>
#include <QString>
#include <QTextLayout>

#include <list>
#include <memory>
#include <optional>

namespace varnel {

// The text of one painted row, ready to draw: the line in UTF-16, its highlight runs and,
// for lines of ordinary length, the shaped layout.
struct RowText {
    // Lines longer than this are never shaped whole: they are drawn a visible window at a
    // time on a grid of equal character cells, so a line of megabytes costs no more to
    // paint than a screenful.
    static constexpr qsizetype kLongLine = 4096;

    QString text;
    QList<HighlightRun> runs;            // empty without a language
    std::unique_ptr<QTextLayout> layout; // absent for long lines
    qreal width = 0;                     // of the text as drawn (its widest line)
    // The changes within a modified line, against the line it pairs with; computed when
    // the row is first painted.
    std::optional<QList<TextSpan>> changes;
    // The occurrences of the find query that meet the characters [matchesFrom, matchesTo),
    // for the query numbered `matchesOf` (0: none yet).
    QList<TextSpan> matches;
    quint64 matchesOf = 0;
    qsizetype matchesFrom = 0;
    qsizetype matchesTo = 0;
    // Wrapped: the screen lines the text takes, and for long lines the character cells of
    // each (0: not wrapped).
    int lines = 1;
    qsizetype cellsPerLine = 0;

    bool isLong() const { return !layout; }
};

// A small cache of recently painted rows, least recently used first out, so that
// scrolling back neither converts nor highlights nor shapes a line again. Bounded both in
// rows and in characters, so a few very long lines cannot fill memory.
//
// The idea: the rows in view change slowly; a few hundred entries cover the screen and
// the pages just left. Cost: one hash lookup per painted row. Invariant: every entry was
// built with the current font, language and colours; the owner clears the cache when any
// of them changes.
class RowTextCache {
public:
    static constexpr qsizetype kMaxRows = 512;
    static constexpr qsizetype kMaxCharacters = 1024 * 1024;

    // The entry of `row`, or nullptr.
    RowText* find(qint64 row);
    // The same, leaving the order of use as it is.
    const RowText* peek(qint64 row) const
    {
        const auto at = m_index.constFind(row);
        return at == m_index.constEnd() ? nullptr : &at.value()->second;
    }
    // Stores `text` for `row` (replacing any entry) and returns it; may evict others.
    RowText& insert(qint64 row, RowText text);
    void clear();

    qsizetype size() const { return m_index.size(); }

private:
    using Entry = std::pair<qint64, RowText>;
    std::list<Entry> m_entries; // most recently used first
    QHash<qint64, std::list<Entry>::iterator> m_index;
    qsizetype m_characters = 0;
};

} // namespace varnel
