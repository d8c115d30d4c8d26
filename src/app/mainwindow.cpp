// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/mainwindow.h"

#include "app/application.h"
#include "viewmodel/filereload.h"
#include "viewmodel/ignoring.h"
#include "viewmodel/windowfit.h"
#include "viewmodel/windowtitle.h"
#include "widgets/comparison/compareoptionsmenu.h"
#include "widgets/comparison/diffcontainerview.h"
#include "widgets/diffview/diffcanvas.h"
#include "widgets/export/exportpresenter.h"
#include "widgets/intake/welcomeview.h"
#include "widgets/root/pastecommands.h"
#include "widgets/root/rootview.h"
#include "widgets/style/buttons.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QWindow>

namespace varnel {

ReportHandler exportPresenterHandler()
{
    return [](ReportCommand command, const ReportRequest& request, QWidget* anchor) {
        switch (command) {
        case ReportCommand::exportPdf: ExportPresenter::exportPdf(request, anchor); return;
        case ReportCommand::share: ExportPresenter::share(request, anchor); return;
        case ReportCommand::print: ExportPresenter::print(request, anchor); return;
        }
    };
}

MainWindow::MainWindow(Application& application, ComparisonViewModel::Comparator comparator)
    : m_application(application)
    , m_root(new RootView(application.recentsStore(), std::move(comparator), this))
{
    setAttribute(Qt::WA_DeleteOnClose);
    // A new window compares as the last options chosen in any window say.
    m_root->viewModel().setCompareOptions(rememberedCompareOptions(Preferences()));
    setCentralWidget(m_root);
    buildMenus();
    fitToScreen();

    ComparisonViewModel& model = m_root->viewModel();
    connect(&model, &ComparisonViewModel::leftFileChanged, this, &MainWindow::updateCommands);
    connect(&model, &ComparisonViewModel::rightFileChanged, this, &MainWindow::updateCommands);
    connect(m_root->comparisonView(), &DiffContainerView::shareRequested, this,
            [this] { runReport(ReportCommand::share); });
    // Files on disks that send no notices, or renamed over without one, are seen here.
    connect(this, &MainWindow::activated, &model.reload(), &FileReload::windowActivated);
    updateCommands();
}

MainWindow::~MainWindow()
{
    disconnect(m_focusChanges);
}

void MainWindow::fitToScreen()
{
    const QScreen* where = screen();
    if (!where)
        return;
    // The preferred size counts the menu bar; the root's minimum does not.
    const int menuHeight = menuBar()->sizeHint().height();
    const QMargins frame = windowHandle() ? windowHandle()->frameMargins() : QMargins();
    const WindowFit fit = fitWindow(RootView::kDefaultSize, RootView::kMinimumSize + QSize(0, menuHeight),
                                    where->availableGeometry().size(), frame);
    m_root->setMinimumSize(fit.minimum.shrunkBy(QMargins(0, menuHeight, 0, 0)).expandedTo(QSize(1, 1)));
    resize(fit.size);
}

QAction* MainWindow::action(Command command) const
{
    return m_actions.value(qsizetype(command));
}

QAction* MainWindow::addCommand(Command command, const QString& text, const QList<QKeySequence>& keys)
{
    auto* item = new QAction(text, this);
    item->setShortcuts(keys);
    if (m_actions.size() <= qsizetype(command))
        m_actions.resize(qsizetype(command) + 1);
    m_actions[qsizetype(command)] = item;
    return item;
}

QAction* MainWindow::useCommand(Command command, QAction* item)
{
    if (m_actions.size() <= qsizetype(command))
        m_actions.resize(qsizetype(command) + 1);
    m_actions[qsizetype(command)] = item;
    return item;
}

void MainWindow::buildEditMenu()
{
    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    // The comparison screen's own actions: one shortcut each, whether the menu or the screen
    // takes the keys.
    DiffContainerView* comparison = m_root->comparisonView();
    using FindAction = DiffContainerView::FindAction;
    edit->addAction(useCommand(Command::find, comparison->findAction(FindAction::find)));
    edit->addAction(useCommand(Command::findNext, comparison->findAction(FindAction::next)));
    edit->addAction(useCommand(Command::findPrevious, comparison->findAction(FindAction::previous)));
    edit->addSeparator();
    m_paste = new PasteCommands(*m_root, this);
    using Paste = PasteCommands::Command;
    edit->addAction(useCommand(Command::compareClipboardWithLeft, m_paste->action(Paste::compareWithLeft)));
    edit->addAction(useCommand(Command::compareClipboardWithRight, m_paste->action(Paste::compareWithRight)));
    edit->addAction(useCommand(Command::pasteAsOriginal, m_paste->action(Paste::pasteAsOriginal)));
    edit->addAction(useCommand(Command::pasteAsChanged, m_paste->action(Paste::pasteAsChanged)));
    edit->setToolTipsVisible(true);
    edit->addSeparator();
    edit->addAction(addCommand(Command::selectAll, QStringLiteral("Select All"),
                               QKeySequence::keyBindings(QKeySequence::SelectAll)));
    connect(action(Command::selectAll), &QAction::triggered, this, [this] {
        if (m_selectAllTarget)
            m_selectAllTarget->selectAll();
    });
    // Until the window's members go: deleting its widgets moves the keyboard.
    m_focusChanges =
        connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) { updateSelectAll(now); });
    updateSelectAll(QApplication::focusWidget());
    edit->addSeparator();
    edit->addAction(
        addCommand(Command::preferences, QStringLiteral("Preferences"), {QKeySequence(Qt::CTRL | Qt::Key_Comma)}));
    action(Command::preferences)->setMenuRole(QAction::PreferencesRole);
    connect(action(Command::preferences), &QAction::triggered, &m_application, &Application::showPreferences);
}

void MainWindow::updateSelectAll(QWidget* focus)
{
    // The menu bar takes the keyboard while it is walked with the keys, and gives it back:
    // the column keeps its claim meanwhile.
    if (qobject_cast<QMenuBar*>(focus) || qobject_cast<QMenu*>(focus))
        return;
    auto* canvas = qobject_cast<DiffCanvas*>(focus);
    m_selectAllTarget = canvas && isAncestorOf(canvas) ? canvas : nullptr;
    action(Command::selectAll)->setEnabled(!m_selectAllTarget.isNull());
}

void MainWindow::buildMenus()
{
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->addAction(addCommand(Command::newWindow, QStringLiteral("New Window"), {QKeySequence(Qt::CTRL | Qt::Key_N)}));
    connect(action(Command::newWindow), &QAction::triggered, &m_application, &Application::newWindow);
    file->addAction(useCommand(Command::open, m_root->openAction()));
    buildRecentMenu(file);
    file->addSeparator();
    const auto report = [this, file](Command command, ReportCommand kind, const QString& text,
                                     const QKeySequence& key) {
        file->addAction(addCommand(command, text, {key}));
        connect(action(command), &QAction::triggered, this, [this, kind] { runReport(kind); });
    };
    report(Command::exportPdf, ReportCommand::exportPdf, QStringLiteral("Export as PDF…"),
           QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_E));
    report(Command::share, ReportCommand::share, QStringLiteral("Share…"),
           QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    report(Command::print, ReportCommand::print, QStringLiteral("Print…"), QKeySequence(Qt::CTRL | Qt::Key_P));
    file->addSeparator();
    file->addAction(addCommand(Command::close, QStringLiteral("Close Window"), {QKeySequence(Qt::CTRL | Qt::Key_W)}));
    connect(action(Command::close), &QAction::triggered, this, &MainWindow::closeComparisonOrWindow);
    file->addAction(addCommand(Command::closeWindow, QStringLiteral("Close Window"),
                               {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_W)}));
    connect(action(Command::closeWindow), &QAction::triggered, this, &QWidget::close);
    file->addSeparator();
    file->addAction(addCommand(Command::quit, QStringLiteral("Quit"), {QKeySequence(Qt::CTRL | Qt::Key_Q)}));
    action(Command::quit)->setMenuRole(QAction::QuitRole);
    // Closing every window ends the process; a window could still refuse.
    connect(action(Command::quit), &QAction::triggered, qApp, &QApplication::closeAllWindows, Qt::QueuedConnection);

    buildEditMenu();

    buildViewMenu();

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->addAction(addCommand(Command::privacyPolicy, QStringLiteral("Privacy Policy")));
    connect(action(Command::privacyPolicy), &QAction::triggered, &m_application, &Application::showPrivacyPolicy);
    help->addAction(addCommand(Command::about, QStringLiteral("About Varnel")));
    action(Command::about)->setMenuRole(QAction::AboutRole);
    connect(action(Command::about), &QAction::triggered, &m_application, &Application::showAbout);
}

void MainWindow::buildViewMenu()
{
    ComparisonViewModel& model = m_root->viewModel();
    QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
    view->addAction(addCommand(Command::increaseTextSize, QStringLiteral("Increase Text Size"),
                               {QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)}));
    connect(action(Command::increaseTextSize), &QAction::triggered, &model, &ComparisonViewModel::increaseFontSize);
    view->addAction(addCommand(Command::decreaseTextSize, QStringLiteral("Decrease Text Size"),
                               {QKeySequence(Qt::CTRL | Qt::Key_Minus)}));
    connect(action(Command::decreaseTextSize), &QAction::triggered, &model, &ComparisonViewModel::decreaseFontSize);
    view->addAction(
        addCommand(Command::resetTextSize, QStringLiteral("Reset Text Size"), {QKeySequence(Qt::CTRL | Qt::Key_0)}));
    connect(action(Command::resetTextSize), &QAction::triggered, &model, &ComparisonViewModel::resetFontSize);
    view->addSeparator();
    QAction* wrap =
        addCommand(Command::wrapLongLines, QStringLiteral("Wrap Long Lines"), {QKeySequence(Qt::ALT | Qt::Key_Z)});
    wrap->setCheckable(true);
    wrap->setChecked(model.layout().wrapsLongLines());
    wrap->setToolTip(QStringLiteral("Show lines wider than their column on as many lines as they need"));
    view->setToolTipsVisible(true);
    view->addAction(wrap);
    connect(wrap, &QAction::toggled, &model.layout(), &DiffLayout::setWrapsLongLines);
    // Every window follows a change made in another.
    connect(&model.layout(), &DiffLayout::wrapChanged, wrap, &QAction::setChecked);
    view->addAction(buildScrollTogether());
    view->addAction(buildPairChangedLines());
    buildMoveCommands(view);
    view->addSeparator();
    buildReloadCommands(view);
    view->addSeparator();
    view->addAction(useCommand(Command::listChanges, m_root->comparisonView()->listChangesAction()));
    view->addMenu(m_root->comparisonView()->compareOptionsMenu());
}

void MainWindow::buildReloadCommands(QMenu* view)
{
    FileReload& reload = m_root->viewModel().reload();
    QAction* again = addCommand(Command::compareAgain, QStringLiteral("Compare Again"), {QKeySequence(Qt::Key_F5)});
    again->setToolTip(QStringLiteral("Read both files again and compare them"));
    connect(again, &QAction::triggered, &reload, &FileReload::compareAgain);
    view->addAction(again);
    QAction* automatic = addCommand(Command::reloadAutomatically, QStringLiteral("Reload Automatically"));
    automatic->setCheckable(true);
    automatic->setChecked(reload.isAutomatic());
    automatic->setToolTip(QStringLiteral("Compare the files again whenever one changes on disk"));
    connect(automatic, &QAction::triggered, &reload, &FileReload::setAutomatic);
    // Every window follows a change made in another.
    connect(&reload, &FileReload::automaticChanged, automatic, &QAction::setChecked);
    view->addAction(automatic);
}

QAction* MainWindow::buildPairChangedLines()
{
    DiffLayout& layout = m_root->viewModel().layout();
    QAction* pair = addCommand(Command::pairChangedLines, QStringLiteral("Changed Lines Side by Side"),
                               {QKeySequence(Qt::ALT | Qt::Key_P)});
    pair->setCheckable(true);
    pair->setChecked(layout.pairChangedLinesChosen());
    pair->setToolTip(QStringLiteral("Show a changed line's old and new text on one row, side by side"));
    connect(pair, &QAction::toggled, &layout, &DiffLayout::setPairChangedLines);
    // Every window follows a change made in another.
    connect(&layout, &DiffLayout::pairChangedLinesChanged, pair, &QAction::setChecked);
    return pair;
}

void MainWindow::buildMoveCommands(QMenu* view)
{
    ComparisonViewModel& model = m_root->viewModel();
    MoveDetection& detection = model.moveDetection();
    QAction* detect = addCommand(Command::detectMovedLines, QStringLiteral("Detect Moved Lines"));
    detect->setCheckable(true);
    detect->setChecked(detection.isEnabled());
    detect->setToolTip(QStringLiteral("Show blocks of lines removed in one place and added in another in their own "
                                      "colour"));
    connect(detect, &QAction::toggled, &detection, &MoveDetection::setEnabled);
    // Every window follows a change made in another.
    connect(&detection, &MoveDetection::enabledChanged, detect, &QAction::setChecked);
    view->addAction(detect);
    QAction* other = addCommand(Command::otherEndOfMove, QStringLiteral("Go to Other End of Move"),
                                {QKeySequence(Qt::ALT | Qt::Key_M)});
    other->setToolTip(QStringLiteral("Focus where the focused moved line came from, or went to"));
    connect(other, &QAction::triggered, &model, [&model] { model.moveToOtherEnd(); });
    view->addAction(other);
}

QAction* MainWindow::buildScrollTogether()
{
    DiffLayout& layout = m_root->viewModel().layout();
    QAction* together =
        addCommand(Command::scrollTogether, QStringLiteral("Scroll Together"), {QKeySequence(Qt::ALT | Qt::Key_S)});
    together->setCheckable(true);
    // Only the user's choice is stored: the item also shows checked while wrapping decides.
    connect(together, &QAction::triggered, &layout, &DiffLayout::setScrollTogether);
    const auto update = [together, &layout] {
        together->setChecked(layout.scrollsTogether());
        together->setEnabled(layout.scrollTogetherChoosable());
        together->setToolTip(layout.scrollTogetherChoosable()
                                 ? QStringLiteral("Scroll both columns as one, down and sideways")
                                 : QStringLiteral("Wrapped lines always scroll together; turn off Wrap Long Lines to "
                                                  "scroll the columns on their own"));
    };
    update();
    connect(&layout, &DiffLayout::scrollTogetherChanged, together, update);
    return together;
}

void MainWindow::buildRecentMenu(QMenu* file)
{
    m_recentMenu = file->addMenu(QStringLiteral("Open Recent"));
    addCommand(Command::clearRecents, QStringLiteral("Clear"));
    connect(action(Command::clearRecents), &QAction::triggered, this, [this] { m_root->recentsStore().clearAll(); });
    // Another process may have recorded a pair since.
    connect(m_recentMenu, &QMenu::aboutToShow, this, [this] { m_root->recentsStore().reload(); });
    // Queued: the change may come from one of the menu's own items, still at work.
    connect(&m_root->recentsStore(), &RecentComparisonsStore::recentsChanged, this, &MainWindow::updateRecentMenu,
            Qt::QueuedConnection);
    updateRecentMenu();
}

void MainWindow::updateRecentMenu()
{
    const QList<RecentComparison> recents = m_root->recentsStore().recents();
    const QList<RecentRowText> rows = RecentComparisonsStore::rowTexts(recents);
    m_recentMenu->clear(); // deletes its own items, not "Clear"
    for (qsizetype index = 0; index < recents.size(); ++index) {
        QString text = QStringLiteral("%1 \u2194 %2").arg(rows[index].left, rows[index].right);
        QAction* item = m_recentMenu->addAction(text.replace(u'&', QStringLiteral("&&")));
        item->setToolTip(rows[index].toolTip);
        connect(item, &QAction::triggered, this,
                [this, entry = recents[index]] { m_root->welcomeView()->openRecent(entry); });
    }
    m_recentMenu->setToolTipsVisible(true);
    m_recentMenu->addSeparator();
    m_recentMenu->addAction(action(Command::clearRecents));
    action(Command::clearRecents)->setEnabled(!recents.isEmpty());
}

void MainWindow::setReportHandler(ReportHandler handler)
{
    m_reportHandler = std::move(handler);
    m_root->comparisonView()->setShareAvailable(bool(m_reportHandler));
    updateCommands();
}

void MainWindow::setOneComparison()
{
    m_oneComparison = true;
    m_root->setRecordsComparisons(false);
    // The program waiting on this window asked about its two files: it opens no others.
    action(Command::open)->setEnabled(false);
    m_recentMenu->setEnabled(false);
    m_paste->setAvailable(false);
    updateCommands();
}

void MainWindow::updateCommands()
{
    const ComparisonViewModel& model = m_root->viewModel();
    const bool comparison = model.bothFilesLoaded();
    for (Command command : {Command::exportPdf, Command::share, Command::print})
        action(command)->setEnabled(comparison && m_reportHandler);
    action(Command::compareAgain)->setEnabled(comparison);
    const bool closesComparison = comparison && !m_oneComparison;
    action(Command::close)
        ->setText(closesComparison ? QStringLiteral("Close Comparison") : QStringLiteral("Close Window"));
    action(Command::closeWindow)->setVisible(closesComparison);
    // The window's title names the compared files; the desktop adds "Varnel".
    setWindowTitle(comparison ? comparisonTitle(*model.leftFile(), *model.rightFile()) : QString());
}

void MainWindow::runReport(ReportCommand command)
{
    const std::optional<ReportRequest> request = reportRequest(m_root->viewModel());
    if (!m_reportHandler || !request)
        return; // still comparing, or the comparison failed
    // The share menu opens under the share button, from the menu command too.
    QWidget* anchor = m_root;
    if (QWidget* button = m_root->comparisonView()->toolbar()->shareButton();
        command == ReportCommand::share && button->isVisible())
        anchor = button;
    m_reportHandler(command, *request, anchor);
}

void MainWindow::closeComparisonOrWindow()
{
    if (m_root->viewModel().bothFilesLoaded() && !m_oneComparison)
        m_root->viewModel().resetFiles();
    else
        close();
}

void MainWindow::keyPressEvent(QKeyEvent* event)
{
    if (m_oneComparison && event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

void MainWindow::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        Q_EMIT activated();
}

} // namespace varnel
