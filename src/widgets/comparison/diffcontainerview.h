// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "highlight/syntaxhighlighter.h"
#include "viewmodel/comparisonviewmodel.h"
#include "widgets/comparison/comparisontoolbar.h"

#include <QPointer>
#include <QWidget>

#include <array>
#include <optional>

class QAction;
class QLabel;
class QShortcut;
class QStackedWidget;
class QTimer;

namespace varnel {

class BusyIndicator;
class ChangeReader;
class CompareOptionsMenu;
class FindBar;
class FindModel;
class InlineView;
class ReloadBanner;
class SideBySideView;
class SummaryBarView;
class WrapOffer;

// The comparison screen: the toolbar, a line, and below them what the view model is at:
// "Comparing files…", the error, "Files are identical", or the summary bar over the diff
// in the view model's layout (side by side or inline, remembered at once). PDF
// and Word comparisons carry a banner saying that only their text is compared, and are
// never syntax-coloured; a text file's language is the view model's (the left file's).
// Under that banner, a note offers to wrap their paragraphs while the longest is cut at the
// column's edge, until the offer is answered (see WrapOffer).
// Over the content, a note says what happened to the files on disk (see ReloadBanner); a
// result compared again stays in view until the new one comes.
//
// While it shows, Ctrl+[ and Ctrl+] (or Alt+Up and Alt+Down, for keyboards that need
// AltGr for brackets) step through the changes. Closing the comparison with Ctrl+W is the
// main window's command, which also closes the window on the welcome screen. Ctrl+F opens
// the find bar at the bottom, F3 and Shift+F3 go to the next and previous match, and
// Escape closes the bar.
//
// Files dropped on it: one replaces the side of the column it lands on (the left or right
// half), two make a new comparison in the order given; more are refused with an alert.
class DiffContainerView : public QWidget {
    Q_OBJECT

public:
    // What the content area shows.
    enum class Content { empty, comparing, error, identical, diff };

    // How long a comparison runs before "Comparing files…" appears, so that quick ones
    // never flash it.
    static constexpr int kProgressDelayMs = 150;
    // How long it runs before the bar under it shows how much is done instead of sweeping.
    static constexpr int kDeterminateDelayMs = 1000;

    explicit DiffContainerView(ComparisonViewModel& model, QWidget* parent = nullptr);
    ~DiffContainerView() override;

    ComparisonToolbar* toolbar() const { return m_toolbar; }
    Content content() const;
    // The banner's text, or an empty string when none shows.
    QString bannerText() const;
    // The note over the content saying what happened to the files on disk.
    ReloadBanner* reloadBanner() const { return m_reloadBanner; }
    // The note under it offering to wrap a document's long paragraphs (hidden when not
    // offered).
    WrapOffer* wrapOffer() const { return m_wrapOffer; }
    QString errorText() const;
    // The headline of a comparison without changes: "Files are identical", or what was
    // ignored to make them so (see identicalNotice).
    QString identicalText() const;
    // The line under it naming how the two files were written
    // differently (line ends, encoding, byte-order mark, final newline); empty when hidden.
    QString formatsText() const;
    std::optional<SyntaxHighlighter::Language> language() const { return m_language; }
    BusyIndicator* busyIndicator() const { return m_busy; }

    DiffViewMode viewMode() const { return m_model.layout().mode(); }
    // Shows the layout and remembers it for every window and the next start.
    void setViewMode(DiffViewMode mode) { m_model.layout().setMode(mode); }

    SummaryBarView* summaryBar() const { return m_summary; }
    SideBySideView* sideBySideView() const { return m_sideBySide; }
    InlineView* inlineView() const { return m_inline; }
    // The layout in use.
    QWidget* currentDiffView() const;

    // Enables the share button while there is a result to share; without, it stays
    // disabled. A click asks for the share command through shareRequested().
    void setShareAvailable(bool available);

    // Asks for a replacement file for one side ("Choose a replacement file"), starting in
    // the folder of the file it replaces; an unsupported one is refused with an alert and
    // changes nothing, as is one picked after the comparison changed under the dialog.
    void replaceFile(FileSide side);
    // The side a file dropped at `x` replaces.
    FileSide dropSide(qreal x) const { return x < width() / 2.0 ? FileSide::left : FileSide::right; }

    // View ▸ Compare Options, for the window's menu; the toolbar's "Ignoring: …" opens it too.
    CompareOptionsMenu* compareOptionsMenu() const { return m_optionsMenu; }

    FindBar* findBar() const { return m_findBar; }
    FindModel& findModel() const { return *m_find; }
    // Opens the find bar (Ctrl+F) with the keyboard in its field, or closes it (Escape).
    void openFind();
    void closeFind();
    // Goes to the next or previous match, centred like a focused change; opens the bar
    // first when it is closed (F3, Shift+F3).
    void findNext();
    void findPrevious();
    // The commands above with their keys ("Find…" Ctrl+F, "Find Next" and "Find Previous":
    // the platform's keys and F3, Shift+F3), for a menu to show. They act on this screen and
    // are enabled while it shows a comparison to find in.
    enum class FindAction { find, next, previous };
    QAction* findAction(FindAction which) const { return m_findActions[std::size_t(which)]; }

    // F7: the list of changes (ChangeReader), for a menu to show; enabled while the result
    // has changes. Choosing one focuses it and puts the keyboard in the diff.
    QAction* listChangesAction() const { return m_listChanges; }
    void openChangeReader();
    // The list while it is open.
    ChangeReader* changeReader() const;

Q_SIGNALS:
    // The share button (toolbar()->shareButton()) was clicked with a result in view.
    void shareRequested();

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void scheduleRefresh();
    void refresh();
    void showResult();
    void releaseResult();
    void applyViewMode(DiffViewMode mode);
    void updateWrapOffer();
    // The shown result could not be wrapped (see DiffCanvas::wrappingDropped).
    void sayWrappingDropped();
    bool m_wrapDropSaid = false; // an alert that wrapping was dropped is on its way
    void focusDiffView(Qt::FocusReason reason = Qt::OtherFocusReason);
    void followProgress();
    void followModel();
    void followMoves();
    void buildFindActions();
    void buildChangeReader(); // changereader.cpp
    void connectFind();
    void updateFindActions();
    void applyFind();
    void revealFind();
    qint64 firstRowInView() const;
    void share();
    QWidget* buildProgressPage();
    QWidget* buildErrorPage();
    QWidget* buildResultPage();

    ComparisonViewModel& m_model;
    bool m_shareAvailable = false;
    std::optional<SyntaxHighlighter::Language> m_language;
    bool m_refreshPending = false;
    // Which layouts still show an older result than the view model's.
    bool m_sideBySideStale = true;
    bool m_inlineStale = true;
    bool m_layoutsEmpty = true;

    ComparisonToolbar* m_toolbar;
    QStackedWidget* m_pages;
    ReloadBanner* m_reloadBanner;
    QWidget* m_emptyPage;
    QWidget* m_progressPage = nullptr;
    BusyIndicator* m_busy = nullptr;
    QWidget* m_errorPage = nullptr;
    QLabel* m_errorLabel = nullptr;
    QWidget* m_resultPage = nullptr;
    QWidget* m_banner = nullptr;
    QLabel* m_bannerLabel = nullptr;
    WrapOffer* m_wrapOffer = nullptr;
    QStackedWidget* m_resultStack = nullptr;
    QWidget* m_identicalPage = nullptr;
    QLabel* m_identicalLabel = nullptr;
    QLabel* m_formatsLabel = nullptr; // how the identical files were written differently
    QWidget* m_diffPage = nullptr;
    SummaryBarView* m_summary = nullptr;
    QStackedWidget* m_layouts = nullptr;
    SideBySideView* m_sideBySide = nullptr;
    InlineView* m_inline = nullptr;
    QTimer* m_progressDelay;
    QTimer* m_determinateDelay;
    FindModel* m_find;
    FindBar* m_findBar;
    CompareOptionsMenu* m_optionsMenu;
    QShortcut* m_closeFind;
    std::array<QAction*, 3> m_findActions{};
    bool m_revealPending = false;
    QAction* m_listChanges = nullptr;
    QPointer<ChangeReader> m_reader;
};

} // namespace varnel
