// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "compare/comparison.h"
#include "readers/filekinds.h"
#include "viewmodel/difflayout.h"
#include "viewmodel/movedetection.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>

template <typename T>
class QFutureWatcher;

namespace varnel {

class FileReload;

// The state of one comparison window: the two chosen files, the results of comparing
// them, the progress and error of the running comparison, the diff's text size and the
// focus in the list of changes. Views read it and call its operations; it lives on the
// main thread.
//
// Every published property notifies on every assignment, whether or not the value
// changed. Comparisons run on a worker thread; each gets a job number, and only the
// newest job ever publishes. A superseded job is asked to stop early and its outcome is
// dropped.
class ComparisonViewModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(std::optional<varnel::FileItem> leftFile READ leftFile NOTIFY leftFileChanged)
    Q_PROPERTY(std::optional<varnel::FileItem> rightFile READ rightFile NOTIFY rightFileChanged)
    Q_PROPERTY(std::optional<varnel::DiffResult> diffResult READ diffResult NOTIFY diffResultChanged)
    Q_PROPERTY(std::optional<varnel::DiffResult> fullDiffResult READ fullDiffResult NOTIFY fullDiffResultChanged)
    Q_PROPERTY(bool showAllContext READ showAllContext WRITE setShowAllContext NOTIFY showAllContextChanged)
    Q_PROPERTY(bool isComparing READ isComparing NOTIFY isComparingChanged)
    Q_PROPERTY(std::optional<double> progress READ progress NOTIFY progressChanged)
    Q_PROPERTY(std::optional<QString> comparisonError READ comparisonError NOTIFY comparisonErrorChanged)
    Q_PROPERTY(double diffFontSize READ diffFontSize WRITE setDiffFontSize NOTIFY diffFontSizeChanged)
    Q_PROPERTY(std::optional<qint64> focusedChangeIndex READ focusedChangeIndex NOTIFY focusedChangeIndexChanged)

public:
    // The diff text size: where it starts and where reset brings it, and the bounds of the
    // text-size commands. The setter itself applies no bounds.
    static constexpr double kDefaultFontSize = 13;
    static constexpr double kMinimumFontSize = 10;
    static constexpr double kMaximumFontSize = 24;

    // Runs one comparison; replaceable in tests. Must be callable from a worker thread.
    using Comparator = std::function<Expected<ComparisonOutcome>(const FileItem&, const FileItem&, const CancelCheck&)>;
    // The same, telling how far it has come (a fraction from 0 to 1, from any thread).
    using ProgressComparator = std::function<Expected<ComparisonOutcome>(const FileItem&, const FileItem&,
                                                                         const CancelCheck&, const ProgressReport&)>;
    // The same, comparing lines as the options say.
    using OptionsComparator = std::function<Expected<ComparisonOutcome>(
        const FileItem&, const FileItem&, const CancelCheck&, const ProgressReport&, const CompareOptions&)>;

    // How often the running comparison's progress is looked at.
    static constexpr int kProgressPollMs = 50;

    explicit ComparisonViewModel(QObject* parent = nullptr);
    ComparisonViewModel(Comparator comparator, QObject* parent = nullptr);
    ComparisonViewModel(ProgressComparator comparator, QObject* parent = nullptr);
    ComparisonViewModel(OptionsComparator comparator, QObject* parent = nullptr);
    ~ComparisonViewModel() override;

    const std::optional<FileItem>& leftFile() const { return m_leftFile; }
    const std::optional<FileItem>& rightFile() const { return m_rightFile; }
    const std::optional<DiffResult>& diffResult() const { return m_diffResult; }
    const std::optional<DiffResult>& fullDiffResult() const { return m_fullDiffResult; }
    // How each text file of the published results was written (encoding, line ends); set
    // with the results, before diffResultChanged, and absent for PDF and Word files.
    const std::optional<TextFormat>& textFormat(FileSide side) const
    {
        return side == FileSide::left ? m_formats.left : m_formats.right;
    }
    // Both, and whether equal lines are written in other Unicode forms.
    const TextFormats& textFormats() const { return m_formats; }
    bool showAllContext() const { return m_showAllContext; }
    bool isComparing() const { return m_isComparing; }
    // Whether the running comparison compares the same files again (compareAgain).
    bool isComparingAgain() const { return m_isComparing && m_comparingAgain; }
    // How much of the running comparison is done, from 0 to 1; nothing while no comparison
    // runs or before it knows.
    std::optional<double> progress() const { return m_progress; }
    const std::optional<QString>& comparisonError() const { return m_comparisonError; }
    double diffFontSize() const { return m_diffFontSize; }
    std::optional<qint64> focusedChangeIndex() const { return m_focusedChangeIndex; }
    // The layout the diff shows in, shared with every window through the preferences.
    DiffLayout& layout() { return *m_layout; }
    // What happens when the compared files change on disk.
    FileReload& reload() { return *m_reload; }
    // Whether moved blocks are looked for, and those of the published result.
    MoveDetection& moveDetection() { return *m_moves; }
    const MovedBlocks& movedBlocks() const { return m_moves->moves(); }

    void setShowAllContext(bool show);
    void setDiffFontSize(double size);

    // How lines are compared. A change compares the two files again, with the new options,
    // and focuses the change nearest to the line that had the focus (by its number in its
    // file), so the user stays where they were. Options changed again while that runs win.
    const CompareOptions& compareOptions() const { return m_compareOptions; }
    void setCompareOptions(const CompareOptions& options);
    // The user's choice of options for this window: set as above, and kept as the options
    // new windows start with (rememberedCompareOptions).
    void chooseCompareOptions(const CompareOptions& options);

    // The full result when every line is asked for, else the collapsed one.
    const std::optional<DiffResult>& activeDiffResult() const;
    bool bothFilesLoaded() const { return m_leftFile && m_rightFile; }
    // The language both sides are coloured as: the left file's, by its name in the
    // readers' table; none unless it is a text file. Text held in memory has no name:
    // with it on the left, the right file's name tells the language.
    std::optional<Language> language() const;
    // Where the added and removed rows stand in the active result's lines, in row order:
    // a change is named by its row. Rows that ignoring blank lines or patterns set aside
    // are not changes.
    const QList<qint64>& changeLineRows() const;
    // The focused change's index in the active result's lines, without searching them.
    std::optional<qint64> focusedChangeRow() const;

    // Called on the main thread after every successful comparison of files as chosen
    // (loaded, swapped, compared with other options), once the results are published and
    // before isComparing clears, with the left and right file URLs. The
    // comparisonSucceeded signal follows it at the same moment. Comparing the same files
    // again (compareAgain) is not a new comparison: comparedAgain() says it instead.
    std::function<void(const QUrl& left, const QUrl& right)> onComparisonSucceeded;

    void loadFile(const QUrl& url, FileSide side);
    // Puts text held in memory (FileItem::fromText) on `side`, as loadFile puts a file there.
    void loadText(FileItem text, FileSide side);
    // The name the next file loaded on `side` shows instead of its own, in the toolbar, the
    // window's title and the reports: for a file known by another name than its path's
    // (git's temporary copies, named by `varnel --label`). Files loaded after it, on that
    // side, show their own names again; so does every file after an empty label.
    void labelNextFile(FileSide side, const QString& label);
    void swapFiles();
    void resetFiles();
    // Compares the two files again as they are on disk now, each classified again under
    // the name it shows: the result in view stays until the new one comes, which keeps the
    // focus on the change nearest to the focused line, as a change of options does.
    void compareAgain();
    void moveToNextChange();
    void moveToPreviousChange();
    // Focuses the other end of the moved block that row `row` of the active result (by
    // default the focused change) belongs to; false when it belongs to none.
    bool moveToOtherEnd(std::optional<qint64> row = std::nullopt);
    // Focuses change `index` of changeLineRows() (the list of changes); an index out of
    // range changes nothing.
    void focusChange(qint64 index);

    // The text-size commands: one step up or down within the bounds, or back to the default.
    void increaseFontSize();
    void decreaseFontSize();
    void resetFontSize();

Q_SIGNALS:
    void leftFileChanged();
    void rightFileChanged();
    void diffResultChanged();
    void fullDiffResultChanged();
    void showAllContextChanged();
    void isComparingChanged();
    void progressChanged();
    void comparisonErrorChanged();
    void diffFontSizeChanged();
    void focusedChangeIndexChanged();
    // The options changed (and the files, when both are chosen, are compared again).
    void compareOptionsChanged();
    // After every successful comparison; see onComparisonSucceeded.
    void comparisonSucceeded(const QUrl& left, const QUrl& right);
    // compareAgain() published its result.
    void comparedAgain();

private:
    struct Job;

    void setLeftFile(std::optional<FileItem> file);
    void setRightFile(std::optional<FileItem> file);
    void setDiffResult(std::optional<DiffResult> result);
    void setFullDiffResult(std::optional<DiffResult> result);
    void setIsComparing(bool comparing);
    void setProgress(std::optional<double> progress);
    void pollProgress();
    void setComparisonError(std::optional<QString> error);
    void setFocusedChangeIndex(std::optional<qint64> index);
    void setSide(FileItem item, FileSide side);

    // A focused line, by its number in one file, kept while the options compare again.
    struct LinePlace {
        PageSide side = PageSide::left;
        qint64 number = 0;
    };
    std::optional<LinePlace> focusedPlace() const;
    // The change of the active result nearest to `place`, by line number.
    std::optional<qint64> changeNearest(LinePlace place) const;

    void clearComparisonState();
    // Starts a comparison of both files when both are chosen; `again` keeps the result in
    // view until the new one comes.
    void triggerComparisonIfReady(bool again = false);
    void cancelComparison();
    void publish(quint64 job, const Expected<ComparisonOutcome>& outcome, std::optional<MovedBlocks> moves);

    OptionsComparator m_comparator;
    CompareOptions m_compareOptions;
    DiffLayout* m_layout;
    FileReload* m_reload;
    MoveDetection* m_moves;

    std::optional<FileItem> m_leftFile;
    std::optional<FileItem> m_rightFile;
    QString m_leftLabel; // for the next file loaded on that side
    QString m_rightLabel;
    std::optional<DiffResult> m_diffResult;
    std::optional<DiffResult> m_fullDiffResult;
    TextFormats m_formats;
    bool m_showAllContext = false;
    bool m_isComparing = false;
    std::optional<double> m_progress;
    // The running job's progress, written by its threads; below 0 until it reports.
    std::shared_ptr<std::atomic<double>> m_runningProgress;
    QTimer* m_progressPoll = nullptr;
    std::optional<QString> m_comparisonError;
    double m_diffFontSize = kDefaultFontSize;
    std::optional<qint64> m_focusedChangeIndex;
    // Where the focus was when the options changed, until the new result is published.
    std::optional<LinePlace> m_pendingFocus;

    // The active result's changes, derived once per result and dropped whenever its inputs change.
    mutable std::optional<QList<qint64>> m_changes;

    quint64 m_lastJob = 0;
    // Whether the newest job compares the same files again, and whether files chosen
    // (loaded, swapped, options) still await their first success: a change on disk may
    // supersede that comparison, and its success is still theirs.
    bool m_comparingAgain = false;
    bool m_newComparison = false;
    std::shared_ptr<std::atomic<bool>> m_cancelRunning; // the running job's stop flag
    QPointer<QFutureWatcher<Expected<ComparisonOutcome>>> m_watcher;
};

} // namespace varnel

Q_DECLARE_METATYPE(std::optional<varnel::FileItem>)
Q_DECLARE_METATYPE(std::optional<varnel::DiffResult>)
