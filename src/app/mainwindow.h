// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "viewmodel/comparisonviewmodel.h"
#include "viewmodel/reportrequest.h"

#include <QMainWindow>
#include <QMenu>
#include <QPointer>

#include <functional>

namespace varnel {

class Application;
class DiffCanvas;
class PasteCommands;
class RootView;

// The three commands that turn a comparison into a report.
enum class ReportCommand { exportPdf, share, print };

// Runs a report command on the window's request (its active result, the two files' names
// and paths). `anchor` is the widget to place a popup by: the toolbar's share button for
// Share while the comparison screen shows, else the window's content.
using ReportHandler = std::function<void(ReportCommand command, const ReportRequest& request, QWidget* anchor)>;

// The report commands as the application carries them out: ExportPresenter's export, share
// and print.
ReportHandler exportPresenterHandler();

// A main window: a RootView and the window's own menu bar. Every command acts on this
// window: File (New Window, Open…, Open Recent, Export as PDF…, Share…, Print…, Close,
// Quit), Edit (Find…,
// Find Next, Find Previous, the clipboard's text as a side, Select All, Preferences), View (the text size, wrapping
// long lines, scrolling together and the window's Compare Options, which it starts with as last chosen) and Help
// (Privacy Policy, About Varnel). The find commands are enabled while a comparison shows,
// Select All while a diff column has the keyboard.
//
// Ctrl+W is one command: on the comparison screen it closes the comparison ("Close
// Comparison"), on the welcome screen the window ("Close Window"). The report commands
// are enabled while both files are chosen and a report handler is set; a disabled item
// ignores its shortcut. Closing the window deletes it, and its view model with it.
//
// A window for one comparison (setOneComparison) closes as a whole: Ctrl+W and Escape
// close the window, and its comparison stays out of the recent comparisons.
class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    enum class Command {
        newWindow,
        open, // RootView::openAction
        clearRecents,
        exportPdf,
        share,
        print,
        close,       // Ctrl+W: the comparison, or the window on the welcome screen
        closeWindow, // Ctrl+Shift+W, offered while a comparison shows
        quit,
        find, // the comparison screen's find commands (DiffContainerView::findAction)
        findNext,
        findPrevious,
        selectAll, // the text of the diff column that has the keyboard
        preferences,
        increaseTextSize,
        decreaseTextSize,
        resetTextSize,
        wrapLongLines,
        scrollTogether, // checked and disabled while wrapping, which scrolls the columns together
        pairChangedLines,
        compareAgain,        // F5, enabled while both files are chosen
        reloadAutomatically, // checked while files changed on disk are compared again
        detectMovedLines,
        otherEndOfMove, // Alt+M: the focused change's other end, when it was moved
        privacyPolicy,
        about,
        compareClipboardWithLeft, // PasteCommands: the clipboard's text as one side
        compareClipboardWithRight,
        pasteAsOriginal,
        pasteAsChanged,
        listChanges, // F7: DiffContainerView::listChangesAction
    };

    // A comparator replaces the real comparison (tests).
    explicit MainWindow(Application& application, ComparisonViewModel::Comparator comparator = {});
    ~MainWindow() override;

    RootView* rootView() const { return m_root; }
    QAction* action(Command command) const;
    // File ▸ "Export as PDF…", "Share…" and "Print…".
    QAction* exportAction() const { return action(Command::exportPdf); }
    QAction* shareAction() const { return action(Command::share); }
    QAction* printAction() const { return action(Command::print); }

    // What the report commands (and the toolbar's share button) do. They are enabled while
    // both files are chosen and a handler is set; an empty handler disables them again.
    // Application::setReportHandler sets it for every window, present and future.
    void setReportHandler(ReportHandler handler);

    // Makes this the window of one comparison, as `varnel --wait` opens for git: closing
    // the comparison (Ctrl+W, Escape) closes the window, and nothing is recorded.
    void setOneComparison();
    bool isOneComparison() const { return m_oneComparison; }

Q_SIGNALS:
    // The window became the active one.
    void activated();

protected:
    void changeEvent(QEvent* event) override;
    // Escape that nothing inside took (the find bar takes its own) closes a window of one
    // comparison.
    void keyPressEvent(QKeyEvent* event) override;

private:
    QAction* addCommand(Command command, const QString& text, const QList<QKeySequence>& keys = {});
    QAction* useCommand(Command command, QAction* item);
    void buildEditMenu();
    // View ▸ Scroll Together, following the layout's preferences.
    QAction* buildScrollTogether();
    // View ▸ Changed Lines Side by Side, following the layout's preference.
    QAction* buildPairChangedLines();
    // View ▸ Compare Again and Reload Automatically, following its preference.
    void buildReloadCommands(QMenu* view);
    // View ▸ "Detect Moved Lines" and "Other End of Move".
    void buildMoveCommands(QMenu* view);
    // File ▸ Open Recent: the recent pairs, newest first, then "Clear" (disabled when
    // there are none).
    void buildRecentMenu(QMenu* file);
    void updateRecentMenu();
    // Select All acts on the diff column of this window that has the keyboard, or had it
    // when the menu bar took it.
    void updateSelectAll(QWidget* focus);
    void buildMenus();
    void buildViewMenu();
    // Opens within the screen's free area, the minimum yielding to a small screen.
    void fitToScreen();
    void updateCommands();
    void runReport(ReportCommand command);
    void closeComparisonOrWindow();

    Application& m_application;
    RootView* m_root;
    PasteCommands* m_paste = nullptr;
    ReportHandler m_reportHandler;
    QList<QAction*> m_actions; // indexed by Command
    QMenu* m_recentMenu = nullptr;
    bool m_oneComparison = false;
    QPointer<DiffCanvas> m_selectAllTarget;
    QMetaObject::Connection m_focusChanges;
};

} // namespace varnel
