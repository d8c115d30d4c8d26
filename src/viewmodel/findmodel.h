// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "reading/foldedrows.h"
#include "reading/matchindex.h"

#include <QObject>
#include <QPointer>

#include <atomic>
#include <memory>
#include <optional>

template <typename T>
class QFutureWatcher;

namespace varnel {

class ComparisonViewModel;

// Find in a comparison window: the query, its matches in every line of the result (both
// files, the lines that context folding hides included) and the match the user is at.
//
// Counting runs on a worker thread, so typing never waits for a million rows; a new
// query, a change of case or a new result stops the count that runs and starts another,
// and only the newest count is published. Moving to a match that folding hides expands
// all context first (the view model's showAllContext), then goes there.
class FindModel : public QObject {
    Q_OBJECT

public:
    // The current match in the rows shown: its row of the active result and its place in
    // the row's text; `side` names the line it is in when the row shows a different line on
    // each side (see MatchIndex::build).
    struct Highlight {
        qint64 row = 0;
        TextSpan span;
        std::optional<PageSide> side;
        friend bool operator==(const Highlight&, const Highlight&) = default;
    };

    explicit FindModel(ComparisonViewModel& model, QObject* parent = nullptr);
    ~FindModel() override;

    const QString& query() const { return m_matcher.query(); }
    bool caseSensitive() const { return m_matcher.sensitivity() == Qt::CaseSensitive; }
    // A new query or case starts a new count and forgets the current match.
    void setQuery(const QString& query);
    void setCaseSensitive(bool sensitive);
    const TextMatcher& matcher() const { return m_matcher; }

    bool isCounting() const { return m_counting; }
    // The number of matches; none while counting, or without a query or a result.
    std::optional<qint64> total() const;
    // The current match's number (0-based) among all.
    std::optional<qint64> currentIndex() const;
    // "7 of 42", "42 matches", "No matches", "…" while counting, "Too many matches to
    // count" when counting ran out of memory; empty without a query.
    // Followed by " · Too many matches to mark" once the views dropped their marks.
    QString statusText() const;
    // The views could not mark this query's occurrences (painting them ran out of memory):
    // the status says so until the next query or result.
    void noteMarksDropped();
    bool marksDropped() const { return m_marksDropped; }
    // The current match where it shows; none without one, or while folding hides it.
    std::optional<Highlight> currentHighlight() const;

    // Goes to the next or the previous match, wrapping around. Without a current match it
    // starts from `fromRow` (a row of the active result: the first one in view), or from
    // the top. Asked while counting, the move happens once the count is in.
    void moveToNext(std::optional<qint64> fromRow = std::nullopt);
    void moveToPrevious(std::optional<qint64> fromRow = std::nullopt);

Q_SIGNALS:
    // The query, the case, the count or the current match changed: the status and the
    // highlights are to be read again.
    void changed();
    // The user moved to a match: show it (after the context has been expanded, when the
    // move did that).
    void currentMoved();

private:
    enum class Direction { next, previous };
    struct Count {
        MatchIndex index;
        FoldedRows folded;
    };

    void restart();
    void scheduleRestart();
    void cancel();
    void move(Direction direction, std::optional<qint64> fromRow);
    void setCurrent(const MatchIndex::Match& match);
    qint64 toFull(qint64 activeRow) const;

    ComparisonViewModel& m_model;
    TextMatcher m_matcher;
    bool m_counting = false;
    bool m_restartPending = false;
    bool m_marksDropped = false;
    bool m_countFailed = false; // the count ran out of memory
    std::optional<Count> m_count;
    std::optional<MatchIndex::Match> m_current;
    TextSpan m_currentSpan;
    std::optional<PageSide> m_currentSide;
    std::optional<std::pair<Direction, std::optional<qint64>>> m_pendingMove;

    quint64 m_lastJob = 0;
    std::shared_ptr<std::atomic<bool>> m_cancelRunning;
    QPointer<QFutureWatcher<std::optional<Count>>> m_watcher;
};

} // namespace varnel
