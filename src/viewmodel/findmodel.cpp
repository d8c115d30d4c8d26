// SPDX-License-Identifier: GPL-3.0-or-later

#include "viewmodel/findmodel.h"

#include "viewmodel/comparisonviewmodel.h"

#include <QFutureWatcher>
#include <QtConcurrent/QtConcurrentRun>

#include <new>

namespace varnel {

FindModel::FindModel(ComparisonViewModel& model, QObject* parent) : QObject(parent), m_model(model)
{
    // A comparison publishes or clears both results together: count once they have settled.
    connect(&m_model, &ComparisonViewModel::diffResultChanged, this, &FindModel::scheduleRestart);
    connect(&m_model, &ComparisonViewModel::fullDiffResultChanged, this, &FindModel::scheduleRestart);
    // The same matches, shown in other rows.
    connect(&m_model, &ComparisonViewModel::showAllContextChanged, this, &FindModel::changed);
}

FindModel::~FindModel()
{
    cancel();
}

void FindModel::setQuery(const QString& query)
{
    if (query == m_matcher.query())
        return;
    m_matcher = TextMatcher(query, m_matcher.sensitivity());
    restart();
}

void FindModel::setCaseSensitive(bool sensitive)
{
    if (sensitive == caseSensitive())
        return;
    m_matcher = TextMatcher(m_matcher.query(), sensitive ? Qt::CaseSensitive : Qt::CaseInsensitive);
    restart();
}

std::optional<qint64> FindModel::total() const
{
    if (m_counting || !m_count)
        return std::nullopt;
    return m_count->index.total();
}

std::optional<qint64> FindModel::currentIndex() const
{
    if (!m_current)
        return std::nullopt;
    return m_current->index;
}

QString FindModel::statusText() const
{
    if (m_matcher.isEmpty())
        return {};
    QString status;
    const qint64 count = total().value_or(0);
    if (m_counting)
        status = QString(QChar(0x2026));
    else if (m_countFailed)
        status = QStringLiteral("Too many matches to count");
    else if (count == 0)
        status = QStringLiteral("No matches");
    else if (m_current)
        status = QStringLiteral("%1 of %2").arg(m_current->index + 1).arg(count);
    else
        status = count == 1 ? QStringLiteral("1 match") : QStringLiteral("%1 matches").arg(count);
    return m_marksDropped ? status + QStringLiteral(" · Too many matches to mark") : status;
}

void FindModel::noteMarksDropped()
{
    if (std::exchange(m_marksDropped, true))
        return;
    Q_EMIT changed();
}

std::optional<FindModel::Highlight> FindModel::currentHighlight() const
{
    if (!m_current || !m_count)
        return std::nullopt;
    if (m_model.showAllContext())
        return Highlight{m_current->row, m_currentSpan, m_currentSide};
    const std::optional<qint64> row = m_count->folded.toCollapsed(m_current->row);
    if (!row)
        return std::nullopt;
    return Highlight{*row, m_currentSpan, m_currentSide};
}

void FindModel::cancel()
{
    if (m_cancelRunning)
        m_cancelRunning->store(true);
    m_cancelRunning.reset();
    if (m_watcher) {
        m_watcher->disconnect(this);
        m_watcher->deleteLater();
    }
    m_watcher.clear();
}

void FindModel::scheduleRestart()
{
    // The old count is of the old result: drop it now, count once the results settle.
    cancel();
    m_marksDropped = false;
    m_count.reset();
    m_current.reset();
    m_pendingMove.reset();
    m_counting = !m_matcher.isEmpty();
    Q_EMIT changed();
    if (std::exchange(m_restartPending, true))
        return;
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (m_restartPending)
                restart();
        },
        Qt::QueuedConnection);
}

void FindModel::restart()
{
    m_restartPending = false;
    m_marksDropped = false;
    m_countFailed = false;
    cancel();
    m_count.reset();
    m_current.reset();
    m_pendingMove.reset();
    const std::optional<DiffResult>& full = m_model.fullDiffResult();
    m_counting = full && !m_matcher.isEmpty();
    if (!m_counting) {
        Q_EMIT changed();
        return;
    }

    const quint64 job = ++m_lastJob;
    auto cancelled = std::make_shared<std::atomic<bool>>(false);
    m_cancelRunning = cancelled;
    auto* watcher = new QFutureWatcher<std::optional<Count>>(this);
    m_watcher = watcher;
    auto outOfMemory = std::make_shared<std::atomic<bool>>(false);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, job, outOfMemory] {
        std::optional<Count> count = watcher->result();
        watcher->deleteLater();
        if (m_watcher == watcher)
            m_watcher.clear();
        if (job != m_lastJob || !m_cancelRunning)
            return; // superseded: a newer count runs
        if (!count && outOfMemory->load()) {
            m_cancelRunning.reset();
            m_counting = false;
            m_countFailed = true;
            m_pendingMove.reset();
            Q_EMIT changed();
            return;
        }
        if (!count)
            return;
        m_cancelRunning.reset();
        m_count = std::move(count);
        m_counting = false;
        Q_EMIT changed();
        if (const auto pending = std::exchange(m_pendingMove, std::nullopt))
            move(pending->first, pending->second);
    });
    // The worker holds its own copies of the results (they share their rows and text).
    watcher->setFuture(QtConcurrent::run([full = *full, collapsed = m_model.diffResult().value_or(DiffResult()),
                                          matcher = m_matcher, cancelled, outOfMemory]() -> std::optional<Count> {
        const auto stop = [&cancelled] { return cancelled->load(std::memory_order_relaxed); };
        // Out of memory, the count is given up: the result would otherwise be rethrown
        // from the finished handler, on the window's thread.
        try {
            std::optional<MatchIndex> index = MatchIndex::build(full.lines(), matcher, stop);
            if (!index)
                return std::nullopt;
            return Count{std::move(*index), FoldedRows::build(collapsed.lines())};
        } catch (const std::bad_alloc&) {
            outOfMemory->store(true);
            return std::nullopt;
        }
    }));
    Q_EMIT changed();
}

qint64 FindModel::toFull(qint64 activeRow) const
{
    return m_model.showAllContext() ? activeRow : m_count->folded.toFull(activeRow);
}

void FindModel::moveToNext(std::optional<qint64> fromRow)
{
    move(Direction::next, fromRow);
}

void FindModel::moveToPrevious(std::optional<qint64> fromRow)
{
    move(Direction::previous, fromRow);
}

void FindModel::move(Direction direction, std::optional<qint64> fromRow)
{
    if (m_counting) {
        m_pendingMove = std::pair(direction, fromRow);
        return;
    }
    if (!m_count || m_count->index.isEmpty())
        return;
    const MatchIndex& index = m_count->index;
    const qint64 total = index.total();
    std::optional<MatchIndex::Match> target;
    if (m_current) {
        const qint64 step = direction == Direction::next ? 1 : total - 1;
        target = index.at((m_current->index + step) % total);
    } else {
        const qint64 from = fromRow ? toFull(*fromRow) : 0;
        target = direction == Direction::next ? index.firstFrom(from) : index.lastBefore(from);
    }
    if (!target)
        return;
    setCurrent(*target);
    // A match that folding hides: show every line first.
    if (!m_model.showAllContext() && !m_count->folded.toCollapsed(target->row))
        m_model.setShowAllContext(true);
    Q_EMIT changed();
    Q_EMIT currentMoved();
}

void FindModel::setCurrent(const MatchIndex::Match& match)
{
    m_current = match;
    m_currentSpan = {};
    m_currentSide.reset();
    const std::optional<DiffResult>& full = m_model.fullDiffResult();
    if (!full || match.row >= full->lines().size())
        return;
    // Only the one occurrence is kept: a line may hold millions.
    const DiffLine line = full->lines()[match.row];
    const bool twoLines = line.sidesDiffer();
    if (const std::optional<TextSpan> left = m_matcher.nth(line.contentString(), match.inRow)) {
        m_currentSpan = *left;
        m_currentSide = twoLines ? std::optional(PageSide::left) : std::nullopt;
        return;
    }
    if (!twoLines)
        return;
    // An unchanged row whose two lines differ: the left line's occurrences, then the right one's.
    const qsizetype onLeft = m_matcher.count(line.content());
    m_currentSide = PageSide::right;
    if (const std::optional<TextSpan> right = m_matcher.nth(line.contentString(PageSide::right), match.inRow - onLeft))
        m_currentSpan = *right;
}

} // namespace varnel
