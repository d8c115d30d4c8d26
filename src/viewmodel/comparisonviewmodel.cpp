// SPDX-License-Identifier: GPL-3.0-or-later

#include "viewmodel/comparisonviewmodel.h"

#include "core/fileextension.h"
#include "viewmodel/filereload.h"
#include "viewmodel/ignoring.h"

#include <QFutureWatcher>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <cmath>
#include <utility>

namespace varnel {

ComparisonViewModel::ComparisonViewModel(QObject* parent)
    : ComparisonViewModel(OptionsComparator(&Comparison::perform), parent)
{
}

ComparisonViewModel::ComparisonViewModel(Comparator comparator, QObject* parent)
    : ComparisonViewModel(ProgressComparator([comparator = std::move(comparator)](
                                                 const FileItem& left, const FileItem& right, const CancelCheck& cancel,
                                                 const ProgressReport&) { return comparator(left, right, cancel); }),
                          parent)
{
}

ComparisonViewModel::ComparisonViewModel(ProgressComparator comparator, QObject* parent)
    : ComparisonViewModel(OptionsComparator([comparator = std::move(comparator)](
                                                const FileItem& left, const FileItem& right, const CancelCheck& cancel,
                                                const ProgressReport& progress, const CompareOptions&) {
                              return comparator(left, right, cancel, progress);
                          }),
                          parent)
{
}

ComparisonViewModel::ComparisonViewModel(OptionsComparator comparator, QObject* parent)
    : QObject(parent)
    , m_comparator(std::move(comparator))
    , m_layout(new DiffLayout(this))
    , m_reload(new FileReload(*this))
    , m_moves(new MoveDetection(this))
    , m_progressPoll(new QTimer(this))
{
    m_progressPoll->setInterval(kProgressPollMs);
    connect(m_progressPoll, &QTimer::timeout, this, &ComparisonViewModel::pollProgress);
}

ComparisonViewModel::~ComparisonViewModel()
{
    // A running job finishes on its own; its outcome has nowhere to go.
    cancelComparison();
}

// Setters of published fields: each assignment notifies.

void ComparisonViewModel::setLeftFile(std::optional<FileItem> file)
{
    m_leftFile = std::move(file);
    Q_EMIT leftFileChanged();
}

void ComparisonViewModel::setRightFile(std::optional<FileItem> file)
{
    m_rightFile = std::move(file);
    Q_EMIT rightFileChanged();
}

void ComparisonViewModel::setDiffResult(std::optional<DiffResult> result)
{
    m_diffResult = std::move(result);
    m_changes.reset();
    Q_EMIT diffResultChanged();
}

void ComparisonViewModel::setFullDiffResult(std::optional<DiffResult> result)
{
    m_fullDiffResult = std::move(result);
    m_changes.reset();
    Q_EMIT fullDiffResultChanged();
}

void ComparisonViewModel::setShowAllContext(bool show)
{
    m_showAllContext = show;
    m_changes.reset();
    Q_EMIT showAllContextChanged();
}

void ComparisonViewModel::setIsComparing(bool comparing)
{
    m_isComparing = comparing;
    Q_EMIT isComparingChanged();
}

// Unlike the others, progress notifies only when it moves: it is polled.
void ComparisonViewModel::setProgress(std::optional<double> progress)
{
    if (progress == m_progress)
        return;
    m_progress = progress;
    Q_EMIT progressChanged();
}

void ComparisonViewModel::pollProgress()
{
    if (!m_runningProgress)
        return;
    const double fraction = m_runningProgress->load(std::memory_order_relaxed);
    if (fraction < 0)
        return;
    // A thousandth is finer than any bar shows; coarser steps spare the listeners.
    setProgress(std::round(std::clamp(fraction, 0.0, 1.0) * 1000) / 1000);
}

void ComparisonViewModel::setComparisonError(std::optional<QString> error)
{
    m_comparisonError = std::move(error);
    Q_EMIT comparisonErrorChanged();
}

void ComparisonViewModel::setDiffFontSize(double size)
{
    m_diffFontSize = size;
    Q_EMIT diffFontSizeChanged();
}

void ComparisonViewModel::setFocusedChangeIndex(std::optional<qint64> index)
{
    m_focusedChangeIndex = index;
    Q_EMIT focusedChangeIndexChanged();
}

const std::optional<DiffResult>& ComparisonViewModel::activeDiffResult() const
{
    return m_showAllContext ? m_fullDiffResult : m_diffResult;
}

const QList<qint64>& ComparisonViewModel::changeLineRows() const
{
    if (!m_changes) {
        QList<qint64> rows;
        if (const std::optional<DiffResult>& active = activeDiffResult()) {
            qint64 row = 0;
            for (const DiffLine& line : active->lines()) {
                const DiffLineType type = line.type();
                if ((type == DiffLineType::added || type == DiffLineType::removed) &&
                    line.ignored() == IgnoredReason::none)
                    rows.append(row);
                ++row;
            }
        }
        m_changes = std::move(rows);
    }
    return *m_changes;
}

std::optional<qint64> ComparisonViewModel::focusedChangeRow() const
{
    const QList<qint64>& rows = changeLineRows();
    if (m_focusedChangeIndex && *m_focusedChangeIndex >= 0 && *m_focusedChangeIndex < rows.size())
        return rows[*m_focusedChangeIndex];
    return std::nullopt;
}

void ComparisonViewModel::loadFile(const QUrl& url, FileSide side)
{
    FileItem item = FileItem::fromUrl(url);
    if (QString label = std::exchange(side == FileSide::left ? m_leftLabel : m_rightLabel, {}); !label.isEmpty())
        item.name = std::move(label);
    setSide(std::move(item), side);
}

void ComparisonViewModel::loadText(FileItem text, FileSide side)
{
    setSide(std::move(text), side);
}

void ComparisonViewModel::setSide(FileItem item, FileSide side)
{
    if (side == FileSide::left)
        setLeftFile(std::move(item));
    else
        setRightFile(std::move(item));
    clearComparisonState();
    triggerComparisonIfReady();
}

void ComparisonViewModel::labelNextFile(FileSide side, const QString& label)
{
    (side == FileSide::left ? m_leftLabel : m_rightLabel) = label;
}

std::optional<Language> ComparisonViewModel::language() const
{
    const std::optional<FileItem>& named = m_leftFile && m_leftFile->isInMemory() ? m_rightFile : m_leftFile;
    if (!named || named->isInMemory() || named->mode.kind() != DiffMode::Kind::text)
        return std::nullopt;
    const FileKind* kind = fileKindOf(filePath(named->url));
    return kind ? kind->language : std::nullopt;
}

void ComparisonViewModel::setCompareOptions(const CompareOptions& options)
{
    if (options == m_compareOptions)
        return;
    m_compareOptions = options;
    const bool showAll = m_showAllContext; // the same files, seen the same way
    // Changed again before the last change's result came: the place it kept still holds.
    const std::optional<LinePlace> place = m_pendingFocus ? m_pendingFocus : focusedPlace();
    clearComparisonState();
    setShowAllContext(showAll);
    if (bothFilesLoaded())
        m_pendingFocus = place;
    Q_EMIT compareOptionsChanged();
    triggerComparisonIfReady();
}

void ComparisonViewModel::chooseCompareOptions(const CompareOptions& options)
{
    setCompareOptions(options);
    Preferences preferences;
    rememberCompareOptions(preferences, options);
}

std::optional<ComparisonViewModel::LinePlace> ComparisonViewModel::focusedPlace() const
{
    const std::optional<qint64> row = focusedChangeRow();
    if (!row)
        return std::nullopt;
    const DiffLine line = activeDiffResult()->lines()[*row];
    if (line.type() == DiffLineType::added)
        return LinePlace{PageSide::right, line.rightLineNumber().value_or(0)};
    return LinePlace{PageSide::left, line.leftLineNumber().value_or(0)};
}

std::optional<qint64> ComparisonViewModel::changeNearest(LinePlace place) const
{
    const QList<qint64>& rows = changeLineRows();
    const DiffRows& lines = activeDiffResult()->lines();
    // By the focused line's own file where a change has a line there, else by the other.
    for (PageSide side : {place.side, place.side == PageSide::left ? PageSide::right : PageSide::left}) {
        std::optional<qint64> best;
        qint64 bestDistance = 0;
        for (qsizetype index = 0; index < rows.size(); ++index) {
            const DiffLine line = lines[rows[index]];
            const std::optional<qint64> number =
                side == PageSide::left ? line.leftLineNumber() : line.rightLineNumber();
            if (!number)
                continue;
            const qint64 distance = std::abs(*number - place.number);
            if (!best || distance < bestDistance) {
                best = index;
                bestDistance = distance;
            }
        }
        if (best)
            return best;
    }
    return std::nullopt;
}

void ComparisonViewModel::swapFiles()
{
    std::optional<FileItem> left = m_leftFile;
    setLeftFile(m_rightFile);
    setRightFile(std::move(left));
    clearComparisonState();
    triggerComparisonIfReady();
}

void ComparisonViewModel::compareAgain()
{
    if (!bothFilesLoaded())
        return;
    const std::optional<LinePlace> place = m_pendingFocus ? m_pendingFocus : focusedPlace();
    // A file rewritten may read as another kind now (binary, say): the comparison then
    // says why it cannot be read.
    for (std::optional<FileItem>* file : {&m_leftFile, &m_rightFile}) {
        if ((*file)->url.isLocalFile())
            (*file)->mode = FileItem::fromUrl((*file)->url).mode;
    }
    setComparisonError(std::nullopt);
    m_pendingFocus = place;
    triggerComparisonIfReady(true);
}

void ComparisonViewModel::resetFiles()
{
    cancelComparison();
    setLeftFile(std::nullopt);
    setRightFile(std::nullopt);
    clearComparisonState();
    setProgress(std::nullopt);
    setIsComparing(false);
}

bool ComparisonViewModel::moveToOtherEnd(std::optional<qint64> row)
{
    if (!row)
        row = focusedChangeRow();
    if (!row || !activeDiffResult() || *row < 0 || *row >= activeDiffResult()->lines().size())
        return false;
    const DiffLine line = activeDiffResult()->lines()[*row];
    const std::optional<MoveEnd> end = movedBlocks().of(line);
    if (!end)
        return false;
    const PageSide other = line.type() == DiffLineType::removed ? PageSide::right : PageSide::left;
    setFocusedChangeIndex(changeNearest(LinePlace{other, end->otherLine}));
    return true;
}

void ComparisonViewModel::moveToNextChange()
{
    const qint64 n = changeLineRows().size();
    if (n == 0)
        return;
    const qint64 current = m_focusedChangeIndex.value_or(-1);
    setFocusedChangeIndex((current + 1) % n);
}

void ComparisonViewModel::moveToPreviousChange()
{
    const qint64 n = changeLineRows().size();
    if (n == 0)
        return;
    const qint64 current = m_focusedChangeIndex.value_or(0);
    setFocusedChangeIndex(((current - 1) % n + n) % n);
}

void ComparisonViewModel::focusChange(qint64 index)
{
    if (index >= 0 && index < changeLineRows().size())
        setFocusedChangeIndex(index);
}

void ComparisonViewModel::increaseFontSize()
{
    setDiffFontSize(std::min(kMaximumFontSize, m_diffFontSize + 1));
}

void ComparisonViewModel::decreaseFontSize()
{
    setDiffFontSize(std::max(kMinimumFontSize, m_diffFontSize - 1));
}

void ComparisonViewModel::resetFontSize()
{
    setDiffFontSize(kDefaultFontSize);
}

void ComparisonViewModel::clearComparisonState()
{
    m_pendingFocus.reset();
    m_formats = {};
    setDiffResult(std::nullopt);
    setFullDiffResult(std::nullopt);
    setComparisonError(std::nullopt);
    setFocusedChangeIndex(std::nullopt);
    setShowAllContext(false);
    m_moves->setResult(m_lastJob, std::nullopt, std::nullopt);
}

void ComparisonViewModel::cancelComparison()
{
    if (m_cancelRunning)
        m_cancelRunning->store(true);
    m_cancelRunning.reset();
    m_runningProgress.reset();
    if (m_progressPoll)
        m_progressPoll->stop();
    if (m_watcher) {
        m_watcher->disconnect(this);
        m_watcher->deleteLater();
    }
    m_watcher.clear();
}

void ComparisonViewModel::triggerComparisonIfReady(bool again)
{
    if (!bothFilesLoaded())
        return;
    cancelComparison();
    m_comparingAgain = again;
    m_newComparison = m_newComparison || !again;
    setIsComparing(true);
    if (!again) {
        setDiffResult(std::nullopt);
        setFullDiffResult(std::nullopt);
    }

    const quint64 job = ++m_lastJob;
    // A result kept in view while its files are compared again keeps its moves too.
    if (!again)
        m_moves->setResult(job, std::nullopt, std::nullopt);
    // The job finds the moved blocks too, so that they are published with the result.
    auto moves = std::make_shared<std::optional<MovedBlocks>>();
    auto cancelled = std::make_shared<std::atomic<bool>>(false);
    m_cancelRunning = cancelled;
    auto progress = std::make_shared<std::atomic<double>>(-1.0);
    m_runningProgress = progress;
    setProgress(std::nullopt);
    m_progressPoll->start();
    auto* watcher = new QFutureWatcher<Expected<ComparisonOutcome>>(this);
    m_watcher = watcher;
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, job, moves] {
        const Expected<ComparisonOutcome> outcome = watcher->result();
        watcher->deleteLater();
        if (m_watcher == watcher)
            m_watcher.clear();
        publish(job, outcome, std::move(*moves));
    });
    // The worker gets copies of everything it needs and never touches the view model.
    watcher->setFuture(
        QtConcurrent::run([comparator = m_comparator, left = *m_leftFile, right = *m_rightFile,
                           options = m_compareOptions, cancelled, progress, moves, detect = m_moves->isEnabled()] {
            const CancelCheck cancel = [cancelled] { return cancelled->load(std::memory_order_relaxed); };
            Expected<ComparisonOutcome> outcome = comparator(
                left, right, cancel,
                [progress](double fraction) { progress->store(fraction, std::memory_order_relaxed); }, options);
            if (detect && outcome)
                *moves = MovedBlocks::find(outcome.value().fullResult, cancel);
            return outcome;
        }));
}

void ComparisonViewModel::publish(quint64 job, const Expected<ComparisonOutcome>& outcome,
                                  std::optional<MovedBlocks> moves)
{
    if (job != m_lastJob || !m_cancelRunning)
        return; // superseded or reset: change nothing
    m_cancelRunning.reset();
    m_runningProgress.reset();
    m_progressPoll->stop();
    setProgress(std::nullopt);
    const std::optional<LinePlace> place = std::exchange(m_pendingFocus, std::nullopt);
    if (outcome) {
        m_formats = outcome.value().formats;
        m_moves->setResult(job, outcome.value().fullResult, std::move(moves));
        setDiffResult(outcome.value().result);
        setFullDiffResult(outcome.value().fullResult);
        if (place || m_comparingAgain)
            setFocusedChangeIndex(place ? changeNearest(*place) : std::nullopt);
        if (std::exchange(m_newComparison, false)) {
            const QUrl left = m_leftFile->url;
            const QUrl right = m_rightFile->url;
            if (onComparisonSucceeded)
                onComparisonSucceeded(left, right);
            Q_EMIT comparisonSucceeded(left, right);
        }
        if (m_comparingAgain)
            Q_EMIT comparedAgain();
    } else {
        if (m_comparingAgain) {
            // The result in view no longer shows these files.
            m_formats = {};
            m_moves->setResult(job, std::nullopt, std::nullopt);
            setDiffResult(std::nullopt);
            setFullDiffResult(std::nullopt);
            setFocusedChangeIndex(std::nullopt);
        }
        setComparisonError(outcome.error().message);
    }
    setIsComparing(false);
}

} // namespace varnel
