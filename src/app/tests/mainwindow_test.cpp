// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/about.h"
#include "app/privacywindow.h"
#include "app/settingswindow.h"
#include "apptestutil.h"
#include "viewmodel/filereload.h"
#include "viewmodel/findmodel.h"
#include "viewmodel/preferences.h"
#include "widgets/comparison/diffcontainerview.h"
#include "widgets/comparison/findbar.h"
#include "widgets/diffview/sidebysideview.h"
#include "widgets/export/exportpresenter.h"
#include "widgets/export/reportdialogs.h"
#include "widgets/root/rootview.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>
#include <QScreen>
#include <QTest>

using namespace varnel;

namespace {

using Command = MainWindow::Command;

class MainWindowTest : public ::testing::Test {
protected:
    MainWindow* shownWindow()
    {
        MainWindow* window = app->newWindow();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window));
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window));
        return window;
    }

    // Opens two small files in `window` and waits for the comparison.
    void compare(MainWindow* window, const QString& left = QStringLiteral("old.txt"),
                 const QString& right = QStringLiteral("new.txt"))
    {
        window->rootView()->openFile(files.file(left, "1\n2\n3\n"));
        window->rootView()->openFile(files.file(right, "1\nzwei\n3\n"));
        ASSERT_TRUE(test::waitFor([window] { return !window->rootView()->viewModel().isComparing(); }));
        test::settle();
    }

    struct Call {
        ReportCommand command;
        int rows;
        QString left;
        QString right;
        QStringList inputs;
        QWidget* anchor;
    };
    ReportHandler recorder()
    {
        return [this](ReportCommand command, const ReportRequest& request, QWidget* anchor) {
            calls.push_back({command, int(request.result.lines().size()), request.leftName, request.rightName,
                             request.inputs, anchor});
        };
    }

    test::ApplicationScope app;
    test::FakeDialogs dialogs;
    test::TempFiles files;
    std::vector<Call> calls;
};

QStringList menuTitles(const QMenu* menu)
{
    QStringList titles;
    for (const QAction* item : menu->actions()) {
        if (!item->isSeparator())
            titles.append(item->text());
    }
    return titles;
}

TEST_F(MainWindowTest, EachWindowHasItsOwnMenusWithTheirTitlesAndKeys)
{
    MainWindow* window = shownWindow();
    EXPECT_EQ(window->size(), QSize(1100, 700)); // on the tests' screen of 1920x1080
    EXPECT_EQ(window->rootView()->minimumSize(), QSize(900, 600));

    const QList<QAction*> menus = window->menuBar()->actions();
    ASSERT_EQ(menus.size(), 4);
    EXPECT_EQ(menus[0]->text(), "&File");
    EXPECT_EQ(menuTitles(menus[0]->menu()),
              QStringList({"New Window", "Open\u2026", "Open Recent", "Export as PDF\u2026", "Share\u2026",
                           "Print\u2026", "Close Window", "Close Window", "Quit"}));
    EXPECT_EQ(menus[1]->text(), "&Edit");
    EXPECT_EQ(menuTitles(menus[1]->menu()),
              QStringList({"Find\u2026", "Find Next", "Find Previous", "Compare Clipboard with Left",
                           "Compare Clipboard with Right", "Paste as Original", "Paste as Changed", "Select All",
                           "Preferences"}));
    EXPECT_EQ(menus[2]->text(), "&View");
    EXPECT_EQ(
        menuTitles(menus[2]->menu()),
        QStringList({"Increase Text Size", "Decrease Text Size", "Reset Text Size", "Wrap Long Lines",
                     "Scroll Together", "Changed Lines Side by Side", "Detect Moved Lines", "Go to Other End of Move",
                     "Compare Again", "Reload Automatically", "List Changes\u2026", "Compare Options"}));
    EXPECT_EQ(menus[3]->text(), "&Help");
    EXPECT_EQ(menuTitles(menus[3]->menu()), QStringList({"Privacy Policy", "About Varnel"}));

    const auto keys = [window](Command command) { return window->action(command)->shortcuts(); };
    EXPECT_EQ(keys(Command::newWindow), QList<QKeySequence>({QKeySequence("Ctrl+N")}));
    EXPECT_EQ(keys(Command::open), QList<QKeySequence>({QKeySequence("Ctrl+O")}));
    EXPECT_EQ(keys(Command::exportPdf), QList<QKeySequence>({QKeySequence("Ctrl+Shift+E")}));
    EXPECT_EQ(keys(Command::share), QList<QKeySequence>({QKeySequence("Ctrl+Shift+S")}));
    EXPECT_EQ(keys(Command::print), QList<QKeySequence>({QKeySequence("Ctrl+P")}));
    EXPECT_EQ(keys(Command::close), QList<QKeySequence>({QKeySequence("Ctrl+W")}));
    EXPECT_EQ(keys(Command::quit), QList<QKeySequence>({QKeySequence("Ctrl+Q")}));
    EXPECT_EQ(keys(Command::increaseTextSize), QList<QKeySequence>({QKeySequence("Ctrl++"), QKeySequence("Ctrl+=")}));
    EXPECT_EQ(keys(Command::decreaseTextSize), QList<QKeySequence>({QKeySequence("Ctrl+-")}));
    EXPECT_EQ(keys(Command::resetTextSize), QList<QKeySequence>({QKeySequence("Ctrl+0")}));
    EXPECT_EQ(keys(Command::wrapLongLines), QList<QKeySequence>({QKeySequence("Alt+Z")}));
    EXPECT_EQ(keys(Command::scrollTogether), QList<QKeySequence>({QKeySequence("Alt+S")}));
    EXPECT_EQ(keys(Command::pairChangedLines), QList<QKeySequence>({QKeySequence("Alt+P")}));
    EXPECT_EQ(keys(Command::compareAgain), QList<QKeySequence>({QKeySequence("F5")}));
    EXPECT_EQ(keys(Command::otherEndOfMove), QList<QKeySequence>({QKeySequence("Alt+M")}));
    EXPECT_EQ(keys(Command::listChanges), QList<QKeySequence>({QKeySequence("F7")}));
    // Detecting moved lines is a check item, on until turned off, remembered.
    QAction* detect = window->action(Command::detectMovedLines);
    EXPECT_TRUE(detect->isCheckable() && detect->isChecked() && !detect->toolTip().isEmpty());
    detect->trigger();
    EXPECT_FALSE(window->rootView()->viewModel().moveDetection().isEnabled());
    EXPECT_EQ(Preferences().string(Preferences::kDetectMovedLines, {}), QStringLiteral("false"));
    detect->trigger();
    EXPECT_TRUE(window->rootView()->viewModel().moveDetection().isEnabled());
    // Pairing changed lines is a check item, off until chosen, that says what it does.
    QAction* pair = window->action(Command::pairChangedLines);
    EXPECT_TRUE(pair->isCheckable() && !pair->isChecked() && !pair->toolTip().isEmpty());
    pair->trigger();
    EXPECT_TRUE(window->rootView()->comparisonView()->sideBySideView()->isPairing());
    EXPECT_EQ(Preferences().string(Preferences::kPairChangedLines, {}), QStringLiteral("true"));
    pair->trigger();
    // Scrolling together is a check item, off until chosen; wrapping checks it and keeps it
    // from being changed, with a tooltip that says why.
    QAction* together = window->action(Command::scrollTogether);
    EXPECT_TRUE(together->isCheckable() && !together->isChecked());
    const QString togetherTip = together->toolTip();
    together->trigger();
    EXPECT_TRUE(window->rootView()->comparisonView()->sideBySideView()->scrollsTogether());
    together->trigger();
    // Wrapping is a check item, off until chosen, that says what it does.
    EXPECT_TRUE(window->action(Command::wrapLongLines)->isCheckable());
    EXPECT_FALSE(window->action(Command::wrapLongLines)->isChecked());
    EXPECT_FALSE(window->action(Command::wrapLongLines)->toolTip().isEmpty());
    window->action(Command::wrapLongLines)->trigger();
    EXPECT_TRUE(window->rootView()->comparisonView()->sideBySideView()->isWrapping());
    EXPECT_EQ(Preferences().string(Preferences::kWrapLongLines, {}), QStringLiteral("true"));
    EXPECT_TRUE(together->isChecked() && !together->isEnabled());
    EXPECT_NE(together->toolTip(), togetherTip);
    EXPECT_TRUE(window->rootView()->comparisonView()->sideBySideView()->scrollsTogether());
    EXPECT_EQ(Preferences().string(Preferences::kScrollTogether, {}), QStringLiteral("false")); // as chosen
    EXPECT_TRUE(keys(Command::findNext).contains(QKeySequence("F3")));
    EXPECT_TRUE(keys(Command::findPrevious).contains(QKeySequence("Shift+F3")));
    // No two commands of the window share a key.
    QList<QKeySequence> taken;
    for (const QAction* item : window->findChildren<QAction*>()) {
        for (const QKeySequence& key : item->shortcuts()) {
            EXPECT_FALSE(taken.contains(key)) << key.toString().toStdString();
            taken.append(key);
        }
    }
    // The second "Close Window" only shows beside "Close Comparison".
    EXPECT_FALSE(window->action(Command::closeWindow)->isVisible());
}

TEST_F(MainWindowTest, TheApplicationsReportCommandsExportShareAndPrint)
{
    MainWindow* window = shownWindow();
    app->setReportHandler(exportPresenterHandler());
    compare(window);
    QStringList names;
    QList<QWidget*> parents;
    QList<int> pages;
    QList<QPoint> menuPositions;
    QList<QStringList> menuItems;
    dialogs::setSaveReportHandler([&](QWidget* parent, const QString& name) {
        parents.append(parent);
        names.append(name);
        return std::optional<dialogs::ReportFileChoice>(); // cancelled
    });
    dialogs::setPrintHandler([&](QWidget* parent, QPrinter&, int pageCount) {
        parents.append(parent);
        pages.append(pageCount);
        return false;
    });
    dialogs::setMenuHandler([&](QMenu& menu, const QPoint& position) -> QAction* {
        menuPositions.append(position);
        QStringList texts;
        for (const QAction* item : menu.actions())
            texts.append(item->text());
        menuItems.append(texts);
        return nullptr;
    });
    QTest::keyClick(window, Qt::Key_E, Qt::ControlModifier | Qt::ShiftModifier);
    QTest::keyClick(window, Qt::Key_P, Qt::ControlModifier);
    QTest::keyClick(window, Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    QWidget* share = window->rootView()->comparisonView()->toolbar()->shareButton();
    QTest::mouseClick(share, Qt::LeftButton);
    dialogs::setSaveReportHandler({});
    dialogs::setPrintHandler({});
    dialogs::setMenuHandler({});

    EXPECT_EQ(names, QStringList{"old.txt vs new.txt.pdf"});
    EXPECT_EQ(pages, QList<int>{1});
    EXPECT_EQ(parents, (QList<QWidget*>{window->rootView(), window->rootView()}));
    // The menu command and the button open the same menu, both under the button.
    ASSERT_EQ(menuItems.size(), 2);
    EXPECT_TRUE(menuItems[0].contains("Copy File"));
    EXPECT_EQ(menuItems[0], menuItems[1]);
    const QPoint underButton = share->mapToGlobal(QPoint(0, share->height()));
    EXPECT_EQ(menuPositions, (QList<QPoint>{underButton, underButton}));
    EXPECT_TRUE(QFileInfo::exists(ExportPresenter::shareFolder() + "/old.txt vs new.txt.pdf"));
    EXPECT_TRUE(dialogs.alerts.empty());
}

TEST_F(MainWindowTest, ReportCommandsNeedBothFilesAndAHandler)
{
    MainWindow* window = shownWindow();
    for (Command command : {Command::exportPdf, Command::share, Command::print})
        EXPECT_FALSE(window->action(command)->isEnabled()); // no handler yet
    app->setReportHandler(recorder());
    for (Command command : {Command::exportPdf, Command::share, Command::print})
        EXPECT_FALSE(window->action(command)->isEnabled()); // the welcome screen
    QTest::keyClick(window, Qt::Key_E, Qt::ControlModifier | Qt::ShiftModifier);
    QTest::keyClick(window, Qt::Key_P, Qt::ControlModifier);
    EXPECT_TRUE(calls.empty()); // a disabled item ignores its key

    compare(window);
    for (QAction* item : {window->exportAction(), window->shareAction(), window->printAction()})
        EXPECT_TRUE(item->isEnabled());
    QTest::keyClick(window, Qt::Key_E, Qt::ControlModifier | Qt::ShiftModifier);
    QTest::keyClick(window, Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    QTest::keyClick(window, Qt::Key_P, Qt::ControlModifier);
    QTest::mouseClick(window->rootView()->comparisonView()->toolbar()->shareButton(), Qt::LeftButton);
    ASSERT_EQ(calls.size(), 4u);
    EXPECT_EQ(calls[0].command, ReportCommand::exportPdf);
    EXPECT_EQ(calls[1].command, ReportCommand::share);
    EXPECT_EQ(calls[2].command, ReportCommand::print);
    EXPECT_EQ(calls[3].command, ReportCommand::share);
    EXPECT_EQ(calls[0].left, "old.txt");
    EXPECT_EQ(calls[0].right, "new.txt");
    EXPECT_EQ(calls[0].rows, int(window->rootView()->viewModel().activeDiffResult()->lines().size()));
    EXPECT_EQ(calls[0].inputs, QStringList({files.path("old.txt"), files.path("new.txt")}));
    EXPECT_EQ(calls[0].anchor, window->rootView());
    EXPECT_EQ(calls[3].anchor, window->rootView()->comparisonView()->toolbar()->shareButton());

    // A window opened later gets the same commands; taking the handler away disables them.
    MainWindow* second = shownWindow();
    compare(second);
    EXPECT_TRUE(second->action(Command::print)->isEnabled());
    app->setReportHandler({});
    EXPECT_FALSE(window->action(Command::print)->isEnabled());
    EXPECT_FALSE(second->action(Command::exportPdf)->isEnabled());
}

// Edit's find commands act on the comparison shown, through their keys too; Select All on
// the diff column that has the keyboard.
TEST_F(MainWindowTest, TheEditMenuFindsAndSelectsInTheComparison)
{
    MainWindow* window = shownWindow();
    for (Command command : {Command::find, Command::findNext, Command::findPrevious, Command::selectAll})
        EXPECT_FALSE(window->action(command)->isEnabled());
    compare(window);
    DiffContainerView* comparison = window->rootView()->comparisonView();
    FindBar* bar = comparison->findBar();
    EXPECT_TRUE(window->action(Command::findPrevious)->isEnabled());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F, Qt::ControlModifier);
    ASSERT_TRUE(bar->isVisible());
    ASSERT_EQ(QApplication::focusWidget(), bar->field());
    EXPECT_FALSE(window->action(Command::selectAll)->isEnabled());
    QTest::keyClicks(bar->field(), QStringLiteral("zwei"));
    ASSERT_TRUE(test::waitFor([comparison] { return !comparison->findModel().isCounting(); }));
    QTest::keyClick(bar->field(), Qt::Key_F3);
    EXPECT_EQ(bar->statusLabel()->text(), "1 of 1");

    DiffCanvas* left = comparison->sideBySideView()->column(PageSide::left);
    left->setFocus();
    ASSERT_TRUE(window->action(Command::selectAll)->isEnabled());
    QTest::keyClick(left, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(left->selectedText(), "1\n2\n3");
    // Walking the menus with the keys takes the keyboard to the menu bar: still enabled.
    window->menuBar()->setFocus(Qt::MenuBarFocusReason);
    EXPECT_TRUE(window->action(Command::selectAll)->isEnabled());
    left->setFocus(); // as the menu bar gives it back

    // Back on the welcome screen there is nothing to find.
    window->action(Command::close)->trigger();
    test::settle();
    EXPECT_FALSE(window->action(Command::find)->isEnabled());
    EXPECT_FALSE(window->action(Command::selectAll)->isEnabled());
}

// F5 reads both files again and leaves the recents as they were; Reload Automatically is
// on at first and every window follows it.
TEST_F(MainWindowTest, CompareAgainRereadsTheFilesAndLeavesTheRecents)
{
    MainWindow* window = shownWindow();
    EXPECT_FALSE(window->action(Command::compareAgain)->isEnabled()); // nothing to compare yet
    compare(window);
    MainWindow* other = shownWindow();
    compare(other, QStringLiteral("a.txt"), QStringLiteral("b.txt"));
    RecentComparisonsStore& store = window->rootView()->recentsStore();
    ASSERT_TRUE(test::waitFor([&] { return store.recents().size() == 2; }));
    EXPECT_TRUE(window->action(Command::reloadAutomatically)->isChecked());
    other->action(Command::reloadAutomatically)->trigger(); // off: only F5 compares
    EXPECT_FALSE(window->action(Command::reloadAutomatically)->isChecked());

    files.file(QStringLiteral("new.txt"), "1\n2\n3\n");
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    QTest::keyClick(window, Qt::Key_F5);
    ComparisonViewModel& model = window->rootView()->viewModel();
    ASSERT_TRUE(test::waitFor([&] { return !model.isComparing() && model.diffResult(); }));
    EXPECT_FALSE(model.diffResult()->hasChanges());
    test::settle();
    EXPECT_EQ(store.recents().front().leftName, QStringLiteral("a.txt"));
    EXPECT_EQ(store.recents().size(), 2);

    // Becoming active, the window looks at its files again.
    model.reload().watch().setNoticesFollowed(false);
    files.file(QStringLiteral("new.txt"), "1\n2\n3\n4\n");
    Q_EMIT window->activated();
    EXPECT_FALSE(model.reload().notice().isEmpty());
}

TEST_F(MainWindowTest, TextSizeStaysBetweenTenAndTwentyFourOnEveryScreen)
{
    MainWindow* window = shownWindow();
    ComparisonViewModel& model = window->rootView()->viewModel();
    EXPECT_EQ(model.diffFontSize(), 13);
    for (Command command : {Command::increaseTextSize, Command::decreaseTextSize, Command::resetTextSize})
        EXPECT_TRUE(window->action(command)->isEnabled());

    for (int i = 0; i < 20; ++i)
        QTest::keyClick(window, Qt::Key_Equal, Qt::ControlModifier);
    EXPECT_EQ(model.diffFontSize(), 24);
    QTest::keyClick(window, Qt::Key_0, Qt::ControlModifier);
    EXPECT_EQ(model.diffFontSize(), 13);
    for (int i = 0; i < 20; ++i)
        QTest::keyClick(window, Qt::Key_Minus, Qt::ControlModifier);
    EXPECT_EQ(model.diffFontSize(), 10);
    window->action(Command::increaseTextSize)->trigger();
    EXPECT_EQ(model.diffFontSize(), 11);

    // The same on the comparison screen, and only in this window.
    MainWindow* other = shownWindow();
    compare(window);
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    QTest::keyClick(window, Qt::Key_0, Qt::ControlModifier);
    EXPECT_EQ(model.diffFontSize(), 13);
    window->action(Command::increaseTextSize)->trigger();
    EXPECT_EQ(model.diffFontSize(), 14);
    EXPECT_EQ(other->rootView()->viewModel().diffFontSize(), 13);
}

TEST_F(MainWindowTest, CtrlWClosesTheComparisonThenTheWindow)
{
    MainWindow* window = shownWindow();
    const QPointer<MainWindow> alive = window;
    compare(window);
    EXPECT_EQ(window->action(Command::close)->text(), "Close Comparison");
    EXPECT_TRUE(window->action(Command::closeWindow)->isVisible());
    EXPECT_EQ(window->windowTitle(), "old.txt \u2194 new.txt");

    QTest::keyClick(window, Qt::Key_W, Qt::ControlModifier);
    test::deleteClosed();
    ASSERT_TRUE(alive);
    EXPECT_EQ(window->rootView()->currentScreen(), window->rootView()->welcomeView());
    EXPECT_FALSE(window->rootView()->viewModel().leftFile());
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->action(Command::close)->text(), "Close Window");
    EXPECT_FALSE(window->action(Command::closeWindow)->isVisible());
    EXPECT_TRUE(window->windowTitle().isEmpty());

    // On the welcome screen, with a file chosen or not, it closes the window.
    window->rootView()->openFile(files.file(QStringLiteral("c.txt")));
    QTest::keyClick(window, Qt::Key_W, Qt::ControlModifier);
    test::deleteClosed();
    EXPECT_FALSE(alive);
    EXPECT_TRUE(app->windows().isEmpty());
}

// `varnel --wait --label …` for git: the labels wherever a name shows, nothing recorded,
// and the comparison closing the window whole (Escape once find has taken its own).
TEST_F(MainWindowTest, AWindowForOneComparisonClosesWholeAndRecordsNothing)
{
    const QStringList paths{files.file(QStringLiteral("1a2b_old.txt"), "1\n2\n").toLocalFile(),
                            files.file(QStringLiteral("new.txt"), "1\n3\n").toLocalFile()};
    const QStringList labels{QStringLiteral("src/a.txt (old)"), QStringLiteral("src/a.txt (new)")};
    for (const QKeySequence& key : {QKeySequence(Qt::CTRL | Qt::Key_W), QKeySequence(Qt::Key_Escape)}) {
        MainWindow* window = app->openInNewWindow(paths, labels);
        window->setOneComparison();
        const QPointer<MainWindow> alive = window;
        ASSERT_TRUE(QTest::qWaitForWindowActive(window));
        ASSERT_TRUE(test::waitFor([window] { return !window->rootView()->viewModel().isComparing(); }));
        test::settle();
        EXPECT_EQ(window->windowTitle(), "src/a.txt (old) \u2194 src/a.txt (new)");
        EXPECT_EQ(window->action(Command::close)->text(), "Close Window");
        EXPECT_FALSE(window->action(Command::closeWindow)->isVisible());
        EXPECT_FALSE(window->action(Command::open)->isEnabled()); // it opens no other files
        EXPECT_FALSE(window->action(Command::compareClipboardWithLeft)->isEnabled());
        const QList<QObject*> shownIn = window->action(Command::clearRecents)->associatedObjects();
        ASSERT_FALSE(shownIn.isEmpty());
        const QWidget* recentMenu = qobject_cast<QWidget*>(shownIn[0]);
        ASSERT_NE(recentMenu, nullptr);
        EXPECT_FALSE(recentMenu->isEnabled()); // nor recent ones
        window->setReportHandler(recorder());
        window->exportAction()->trigger();
        ASSERT_FALSE(calls.empty());
        EXPECT_EQ(calls.back().left, labels[0]);
        EXPECT_EQ(calls.back().right, labels[1]);
        EXPECT_EQ(calls.back().inputs, paths);

        if (key == QKeySequence(Qt::Key_Escape)) {
            QTest::keyClick(window, Qt::Key_F, Qt::ControlModifier);
            ASSERT_TRUE(window->rootView()->comparisonView()->findBar()->isVisible());
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
            test::deleteClosed();
            ASSERT_TRUE(alive) << "Escape closes find first";
            EXPECT_FALSE(window->rootView()->comparisonView()->findBar()->isVisible());
        }
        QWidget* focus = QApplication::focusWidget() ? QApplication::focusWidget() : window;
        QTest::keySequence(focus, key);
        test::deleteClosed();
        EXPECT_FALSE(alive) << key.toString().toStdString();
    }
    test::settle();
    EXPECT_TRUE(app->recentsStore().recents().isEmpty());
}

// View ▸ Compare Options acts on its own window; the next window starts as last chosen.
TEST_F(MainWindowTest, CompareOptionsAreTheWindowsOwnAndTheNextWindowStartsWithThem)
{
    MainWindow* first = shownWindow();
    MainWindow* second = shownWindow();
    QAction* allSpace = first->menuBar()->actions()[2]->menu()->actions().last()->menu()->actions()[3];
    ASSERT_EQ(allSpace->text(), "Ignore All White Space");
    allSpace->trigger();
    EXPECT_TRUE(first->rootView()->viewModel().compareOptions().ignoreAllSpace);
    EXPECT_FALSE(second->rootView()->viewModel().compareOptions().ignoreAllSpace);
    EXPECT_TRUE(shownWindow()->rootView()->viewModel().compareOptions().ignoreAllSpace);
}

TEST_F(MainWindowTest, NewWindowsHaveTheirOwnViewModelAndShareTheRecents)
{
    MainWindow* first = shownWindow();
    QTest::keyClick(first, Qt::Key_N, Qt::ControlModifier);
    ASSERT_EQ(app->windows().size(), 2);
    MainWindow* second = app->windows().constFirst();
    ASSERT_NE(second, first);
    EXPECT_NE(&second->rootView()->viewModel(), &first->rootView()->viewModel());
    EXPECT_EQ(&second->rootView()->recentsStore(), &first->rootView()->recentsStore());
    EXPECT_EQ(&second->rootView()->recentsStore(), &app->recentsStore());
}

// File ▸ Open Recent lists the recorded pairs, newest first, and opens them on either
// screen; "Clear" empties the list and is disabled while it is empty.
TEST_F(MainWindowTest, OpenRecentListsThePairsAndClearEmptiesThem)
{
    MainWindow* window = shownWindow();
    QAction* clear = window->action(Command::clearRecents);
    QMenu* recent =
        clear->associatedObjects().isEmpty() ? nullptr : qobject_cast<QMenu*>(clear->associatedObjects()[0]);
    ASSERT_TRUE(recent);
    EXPECT_FALSE(clear->isEnabled());
    compare(window, QStringLiteral("one/same.txt"), QStringLiteral("two/same.txt"));
    // Same names: the title names the folders that tell them apart.
    EXPECT_EQ(window->windowTitle(), "one/same.txt \u2194 two/same.txt");
    compare(window, QStringLiteral("a&b.txt"), QStringLiteral("c.txt"));
    ASSERT_TRUE(test::waitFor([&] { return recent->actions().size() == 4; }));
    EXPECT_EQ(menuTitles(recent), QStringList({"a&&b.txt \u2194 c.txt", "same.txt \u2194 same.txt", "Clear"}));
    EXPECT_TRUE(clear->isEnabled());

    recent->actions()[1]->trigger();
    EXPECT_TRUE(window->rootView()->viewModel().leftFile()->url.path().endsWith("/one/same.txt"));
    EXPECT_EQ(window->rootView()->viewModel().rightFile()->name, "same.txt");
    ASSERT_TRUE(test::waitFor([window] { return !window->rootView()->viewModel().isComparing(); }));
    clear->trigger();
    EXPECT_TRUE(app->recentsStore().recents().isEmpty());
    ASSERT_TRUE(test::waitFor([&] { return menuTitles(recent) == QStringList({"Clear"}); }));
    EXPECT_FALSE(clear->isEnabled());
}

TEST_F(MainWindowTest, OpenRequestsGoToTheMostRecentlyActiveWindow)
{
    const QString a = files.file(QStringLiteral("a.txt")).toLocalFile();
    const QString b = files.file(QStringLiteral("b.txt")).toLocalFile();
    const QString c = files.file(QStringLiteral("c.txt")).toLocalFile();

    // No window: a new one.
    MainWindow* first = app->open({a, b});
    ASSERT_EQ(app->windows().size(), 1);
    EXPECT_EQ(first->rootView()->viewModel().leftFile()->name, "a.txt");
    EXPECT_EQ(first->rootView()->viewModel().rightFile()->name, "b.txt");
    ASSERT_TRUE(QTest::qWaitForWindowExposed(first));

    MainWindow* second = shownWindow();
    first->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(first));
    EXPECT_EQ(app->windows().constFirst(), first);

    // One file at a time, as the desktop's "Open With" sends them: left, right, start over.
    EXPECT_EQ(app->open({c}), first);
    EXPECT_EQ(first->rootView()->viewModel().leftFile()->name, "c.txt");
    EXPECT_FALSE(first->rootView()->viewModel().rightFile());
    // Several files at once are one comparison, even where a file is already chosen.
    EXPECT_EQ(app->open({a, b}), first);
    EXPECT_EQ(first->rootView()->viewModel().leftFile()->name, "a.txt");
    EXPECT_EQ(first->rootView()->viewModel().rightFile()->name, "b.txt");
    EXPECT_FALSE(second->rootView()->viewModel().leftFile());

    // Files Varnel cannot read are refused with one alert, and the comparison stays.
    const QString x = files.file(QStringLiteral("x.xyz"), QByteArray("\0x", 2)).toLocalFile();
    const QString y = files.file(QStringLiteral("y.xyz"), QByteArray("\0y", 2)).toLocalFile();
    EXPECT_EQ(app->open({x, y}), first);
    ASSERT_TRUE(test::waitFor([this] { return !dialogs.alerts.empty(); }));
    EXPECT_EQ(dialogs.alerts.size(), 1u);
    EXPECT_EQ(first->rootView()->viewModel().leftFile()->name, "a.txt");
    EXPECT_EQ(first->rootView()->viewModel().rightFile()->name, "b.txt");
    // With one readable file among them, that one starts over on the left.
    EXPECT_EQ(app->open({x, c}), first);
    EXPECT_EQ(first->rootView()->viewModel().leftFile()->name, "c.txt");
    EXPECT_FALSE(first->rootView()->viewModel().rightFile());

    // No files: a new window, as starting Varnel again from the desktop's menu does.
    MainWindow* third = app->open({});
    EXPECT_NE(third, first);
    EXPECT_NE(third, second);
    EXPECT_EQ(app->windows().size(), 3);
    ASSERT_TRUE(test::waitFor([first] { return !first->rootView()->viewModel().isComparing(); }));
}

// The application takes every window with it, however many: none outlives the recents
// store it shows.
TEST_F(MainWindowTest, NoWindowOutlivesTheApplication)
{
    QList<QPointer<MainWindow>> windows;
    for (int count = 0; count < 3; ++count)
        windows.append(app->newWindow());
    app.application.reset();
    for (const QPointer<MainWindow>& window : windows)
        EXPECT_TRUE(window.isNull());
}

// Run a second time by CTest on a 1920x1080 screen at a scale of 2 (app_window_scale2),
// which is 960x540 to the window: smaller than its minimum.
TEST_F(MainWindowTest, TheWindowOpensWithinTheScreenWhateverItsScale)
{
    MainWindow* window = shownWindow();
    const QRect available = window->screen()->availableGeometry();
    EXPECT_LE(window->width(), available.width());
    EXPECT_LE(window->height(), available.height());
    EXPECT_LE(window->minimumSizeHint().width(), available.width());
    EXPECT_LE(window->minimumSizeHint().height(), available.height());
    if (available.width() >= 1100 && available.height() >= 700) {
        EXPECT_EQ(window->size(), QSize(1100, 700));
        EXPECT_EQ(window->rootView()->minimumSize(), QSize(900, 600));
    }
}

TEST_F(MainWindowTest, HelpAndEditOpenTheirWindows)
{
    MainWindow* window = shownWindow();
    const auto privacyWindows = [] {
        int count = 0;
        for (QWidget* widget : QApplication::topLevelWidgets())
            count += qobject_cast<PrivacyWindow*>(widget) && widget->isVisible() ? 1 : 0;
        return count;
    };
    window->action(Command::privacyPolicy)->trigger();
    window->action(Command::privacyPolicy)->trigger();
    EXPECT_EQ(privacyWindows(), 2); // a new one each time

    window->action(Command::preferences)->trigger();
    SettingsWindow* preferences = app->preferencesWindow();
    ASSERT_TRUE(preferences);
    EXPECT_TRUE(preferences->isVisible());
    QTest::keyClick(window, Qt::Key_Comma, Qt::ControlModifier);
    EXPECT_EQ(app->preferencesWindow(), preferences); // the one window, brought forward

    window->action(Command::about)->trigger();
    QMessageBox* about = app->aboutBox();
    ASSERT_TRUE(about);
    EXPECT_TRUE(about->isVisible());
    EXPECT_EQ(about->windowTitle(), "About Varnel");
    EXPECT_TRUE(about->text().contains("Varnel"));
    EXPECT_TRUE(about->text().contains(QStringLiteral(VARNEL_VERSION)));
    EXPECT_TRUE(about->text().contains(aboutCredit()));
    window->action(Command::about)->trigger();
    EXPECT_EQ(app->aboutBox(), about);

    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (qobject_cast<PrivacyWindow*>(widget))
            widget->close();
    }
    test::deleteClosed();
    EXPECT_EQ(privacyWindows(), 0);
}

} // namespace
