// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "viewmodel/comparisonviewmodel.h"
#include "viewmodel/recentcomparisonsstore.h"

#include <QWidget>

class QAction;
class QStackedWidget;

namespace varnel {

class DiffContainerView;
class WelcomeView;

// The content of a main window. It owns the window's view model, shows the welcome
// screen while fewer than two files are chosen and the comparison screen as soon as both
// are (also while they are still being compared), records every successful comparison in
// the process's recent comparisons, and loads the files the desktop asks the window to
// open.
class RootView : public QWidget {
    Q_OBJECT

public:
    static constexpr QSize kMinimumSize{900, 600};
    static constexpr QSize kDefaultSize{1100, 700};

    // `store` is the process's one recents store and must outlive the view. A comparator
    // replaces the real comparison (tests, tools).
    explicit RootView(RecentComparisonsStore& store, QWidget* parent = nullptr);
    RootView(RecentComparisonsStore& store, ComparisonViewModel::Comparator comparator, QWidget* parent = nullptr);
    ~RootView() override;

    ComparisonViewModel& viewModel() { return *m_model; }
    RecentComparisonsStore& recentsStore() { return m_store; }
    WelcomeView* welcomeView() const { return m_welcome; }
    DiffContainerView* comparisonView() const { return m_comparison; }
    // The screen in view: the welcome screen or the comparison screen.
    QWidget* currentScreen() const;

    // Files the desktop (or the command line) asks this window to open, as openFiles() in
    // the view model places them; a file of a kind Varnel cannot read is refused with an
    // alert, once this request has been handled.
    void openFiles(const QList<QUrl>& urls);
    void openFile(const QUrl& url) { openFiles({url}); }

    // "Open…" (Ctrl+O), on either screen: a dialog for one or two files. One file fills
    // the first empty side, else replaces the right one; two make a new comparison. The
    // dialog starts in the folder of the file it would replace.
    QAction* openAction() const { return m_openAction; }
    void chooseFiles();
    // Whether successful comparisons go to the recent comparisons (by default they do). A
    // window opened for one comparison of someone else's files (git's temporary copies,
    // `varnel --wait`) keeps them out.
    void setRecordsComparisons(bool records) { m_recordsComparisons = records; }

    QSize sizeHint() const override { return kDefaultSize; }

private:
    void updateScreen();

    RecentComparisonsStore& m_store;
    ComparisonViewModel* m_model;
    QStackedWidget* m_screens;
    WelcomeView* m_welcome;
    DiffContainerView* m_comparison;
    QAction* m_openAction;
    bool m_refusalPending = false; // an alert about a refused file is on its way
    bool m_recordsComparisons = true;
};

} // namespace varnel
