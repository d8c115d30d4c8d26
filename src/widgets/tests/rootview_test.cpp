// SPDX-License-Identifier: GPL-3.0-or-later

#include "screentestutil.h"
#include "widgets/comparison/diffcontainerview.h"
#include "widgets/diffview/sidebysideview.h"
#include "widgets/intake/dropzoneview.h"
#include "widgets/intake/recentslistview.h"
#include "widgets/intake/welcomeview.h"
#include "widgets/root/rootview.h"

#include <QMainWindow>
#include <QTest>
#include <QThreadPool>

using namespace varnel;

namespace {

class RootViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::clearPreferences();
        store = std::make_unique<RecentComparisonsStore>();
    }

    // A main window as the application makes it, over real comparisons unless told.
    std::unique_ptr<QMainWindow> window(RootView** root, ComparisonViewModel::Comparator comparator = {})
    {
        auto main = std::make_unique<QMainWindow>();
        *root = new RootView(*store, std::move(comparator), main.get());
        main->setCentralWidget(*root);
        main->resize(RootView::kDefaultSize);
        main->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(main.get()));
        main->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(main.get()));
        return main;
    }

    static bool done(RootView* root) { return !root->viewModel().isComparing(); }

    test::FakeDialogs dialogs;
    test::TempFiles files;
    std::unique_ptr<RecentComparisonsStore> store;
};

TEST_F(RootViewTest, TheComparisonScreenShowsAsSoonAsBothFilesAreChosen)
{
    RootView* root = nullptr;
    auto hold = std::make_shared<std::atomic<bool>>(true);
    auto main = window(&root, test::cannedComparator({QStringLiteral("a")}, {QStringLiteral("b")}, hold));
    EXPECT_GE(main->minimumSizeHint().width(), 900);
    EXPECT_EQ(root->minimumSize(), QSize(900, 600));
    EXPECT_EQ(root->sizeHint(), QSize(1100, 700));
    EXPECT_EQ(root->currentScreen(), root->welcomeView());

    root->openFile(files.file(QStringLiteral("a.txt")));
    EXPECT_EQ(root->currentScreen(), root->welcomeView());
    root->openFile(files.file(QStringLiteral("b.txt")));
    EXPECT_EQ(root->currentScreen(), root->comparisonView()); // while it still runs
    EXPECT_TRUE(root->viewModel().isComparing());
    hold->store(false);
    ASSERT_TRUE(test::waitFor([root] { return done(root); }));
    EXPECT_EQ(root->currentScreen(), root->comparisonView());
}

TEST_F(RootViewTest, OpenRequestsFillLeftThenRightThenStartOver)
{
    RootView* root = nullptr;
    auto main = window(&root);
    const QUrl a = files.file(QStringLiteral("a.txt"));
    const QUrl b = files.file(QStringLiteral("b.txt"));
    const QUrl c = files.file(QStringLiteral("c.txt"));
    root->openFile(QUrl(QStringLiteral("https://example.com/x.txt")));
    EXPECT_FALSE(root->viewModel().leftFile());

    root->openFile(a);
    EXPECT_EQ(root->viewModel().leftFile()->url, a);
    EXPECT_FALSE(root->viewModel().rightFile());
    root->openFile(b);
    EXPECT_EQ(root->viewModel().rightFile()->url, b);
    EXPECT_TRUE(root->viewModel().isComparing());

    root->openFile(c);
    EXPECT_EQ(root->viewModel().leftFile()->url, c);
    EXPECT_FALSE(root->viewModel().rightFile());
    EXPECT_FALSE(root->viewModel().isComparing());
    EXPECT_EQ(root->currentScreen(), root->welcomeView());
}

// Ctrl+O on either screen: one file fills the first empty side, else the right one; two
// make a new comparison; three are refused. The dialog starts beside the file replaced.
TEST_F(RootViewTest, CtrlOPicksOneOrTwoFilesOnEitherScreen)
{
    RootView* root = nullptr;
    auto main = window(&root);
    const ComparisonViewModel& model = root->viewModel();
    const QUrl a = files.file(QStringLiteral("a.txt"));
    const QUrl b = files.file(QStringLiteral("in/b.txt"));
    const QUrl c = files.file(QStringLiteral("c.txt"));
    dialogs.answers = {a, b, c};
    QTest::keyClick(main.get(), Qt::Key_O, Qt::ControlModifier);
    ASSERT_EQ(dialogs.requests.size(), 1u);
    EXPECT_TRUE(dialogs.requests[0].several);
    EXPECT_EQ(dialogs.requests[0].folder, QUrl());
    EXPECT_EQ(model.leftFile()->url, a);
    EXPECT_FALSE(model.rightFile());
    QTest::keyClick(main.get(), Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(model.rightFile()->url, b);
    EXPECT_EQ(root->currentScreen(), root->comparisonView());
    QTest::keyClick(main.get(), Qt::Key_O, Qt::ControlModifier);
    ASSERT_EQ(dialogs.requests.size(), 3u);
    EXPECT_EQ(dialogs.requests[2].folder, b.adjusted(QUrl::RemoveFilename));
    EXPECT_EQ(model.leftFile()->url, a);
    EXPECT_EQ(model.rightFile()->url, c);

    dialogs.severalAnswers = {{c, b}, {a, b, c}};
    QTest::keyClick(main.get(), Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(model.leftFile()->url, c);
    EXPECT_EQ(model.rightFile()->url, b);
    QTest::keyClick(main.get(), Qt::Key_O, Qt::ControlModifier);
    ASSERT_EQ(dialogs.alerts.size(), 1u);
    EXPECT_EQ(dialogs.alerts[0].text,
              "Varnel compares two files at a time, and 3 were chosen. Please choose one or two files.");
    EXPECT_EQ(model.leftFile()->url, c);
    ASSERT_TRUE(test::waitFor([root] { return done(root); }));
}

// On the comparison screen one file replaces the side of the column it lands on, and two
// replace both.
TEST_F(RootViewTest, FilesDroppedOnTheComparisonReplaceTheirColumnOrBoth)
{
    RootView* root = nullptr;
    auto main = window(&root);
    const ComparisonViewModel& model = root->viewModel();
    root->openFiles({files.file(QStringLiteral("a.txt")), files.file(QStringLiteral("b.txt"))});
    DiffContainerView* screen = root->comparisonView();
    const QUrl c = files.file(QStringLiteral("c.txt"));
    const QUrl d = files.file(QStringLiteral("d.txt"));
    auto one = test::urlMime({c});
    EXPECT_TRUE(test::dragEnter(screen, one.get()));
    EXPECT_TRUE(test::drop(screen, one.get(), QPoint(screen->width() / 4, screen->height() / 2)));
    ASSERT_TRUE(test::waitFor([&] { return model.leftFile()->url == c; }));
    EXPECT_EQ(model.rightFile()->name, "b.txt");
    EXPECT_TRUE(test::drop(screen, one.get(), QPoint(screen->width() * 3 / 4, screen->height() / 2)));
    ASSERT_TRUE(test::waitFor([&] { return model.rightFile()->url == c; }));

    auto two = test::urlMime({d, c});
    EXPECT_TRUE(test::drop(screen, two.get()));
    ASSERT_TRUE(test::waitFor([&] { return model.leftFile()->url == d; }));
    EXPECT_EQ(model.rightFile()->url, c);
    QMimeData text;
    text.setText(QStringLiteral("/tmp/x.txt"));
    EXPECT_FALSE(test::dragEnter(screen, &text));
    ASSERT_TRUE(test::waitFor([root] { return done(root); }));
}

// A dialog left open while another process opens a comparison: what it picks then is
// dropped, on either screen, so no pair mixes old and new files, in view or in the recents.
TEST_F(RootViewTest, APickFromADialogThatOutlivedItsComparisonIsDropped)
{
    RootView* root = nullptr;
    auto main = window(&root);
    const ComparisonViewModel& model = root->viewModel();
    const QUrl a = files.file(QStringLiteral("a.txt"));
    const QUrl c = files.file(QStringLiteral("c.txt"), "1\n");
    const QUrl d = files.file(QStringLiteral("d.txt"), "2\n");
    const QUrl picked = files.file(QStringLiteral("picked.txt"));
    root->openFile(a);
    const auto checkPair = [&] {
        EXPECT_EQ(model.leftFile()->url, c);
        EXPECT_EQ(model.rightFile()->url, d);
    };
    dialogs.answers = {picked};
    dialogs.whilePicking = [&] { root->openFiles({c, d}); };
    root->welcomeView()->dropZone(FileSide::right)->openPicker();
    checkPair();

    for (int way = 0; way < 2; ++way) {
        dialogs.answers = {picked, picked};
        dialogs.whilePicking = [&] { root->openFiles({d, c}); };
        if (way == 0)
            root->comparisonView()->replaceFile(FileSide::right);
        else
            root->chooseFiles();
        EXPECT_EQ(model.leftFile()->url, d);
        EXPECT_EQ(model.rightFile()->url, c);
        dialogs.whilePicking = [&] { root->openFiles({c, d}); };
        root->chooseFiles();
        checkPair();
    }
    ASSERT_TRUE(test::waitFor([root] { return done(root); }));
    test::settle();
    for (const RecentComparison& entry : store->recents())
        EXPECT_NE(entry.rightName, "picked.txt");
}

TEST_F(RootViewTest, OpenRequestsForUnsupportedFilesAlertOnceAndChangeNothing)
{
    RootView* root = nullptr;
    auto main = window(&root);
    const QUrl a = files.file(QStringLiteral("a.txt"));
    root->openFile(a);
    // As `varnel x.xyz y.xyz` asks: both refused, one alert, after the request.
    root->openFile(files.file(QStringLiteral("x.xyz"), QByteArray("\0x", 2)));
    root->openFile(files.file(QStringLiteral("y.xyz"), QByteArray("\0y", 2)));
    EXPECT_TRUE(dialogs.alerts.empty());
    EXPECT_EQ(root->viewModel().leftFile()->url, a);
    EXPECT_FALSE(root->viewModel().rightFile());
    ASSERT_TRUE(test::waitFor([this] { return !dialogs.alerts.empty(); }));
    QTest::qWait(50);
    ASSERT_EQ(dialogs.alerts.size(), 1u);
    EXPECT_EQ(dialogs.alerts[0].title, "Unsupported File Type");
    EXPECT_TRUE(dialogs.alerts[0].text.startsWith("The file \"x.xyz\" looks like a binary file"))
        << dialogs.alerts[0].text.toStdString();

    // The window goes on taking requests.
    root->openFile(files.file(QStringLiteral("b.txt")));
    EXPECT_EQ(root->currentScreen(), root->comparisonView());
    ASSERT_TRUE(test::waitFor([root] { return done(root); }));
}

TEST_F(RootViewTest, SuccessesAreRecordedAfterTheCallbackAndShowInEveryWindow)
{
    RootView* first = nullptr;
    RootView* second = nullptr;
    auto one = window(&first);
    auto two = window(&second);
    bool emptyWhenSignalled = false;
    QObject::connect(&first->viewModel(), &ComparisonViewModel::comparisonSucceeded, &first->viewModel(),
                     [&] { emptyWhenSignalled = store->recents().isEmpty(); });

    first->openFile(files.file(QStringLiteral("old.txt"), "1\n"));
    first->openFile(files.file(QStringLiteral("new.txt"), "2\n"));
    ASSERT_TRUE(test::waitFor([this] { return !store->recents().isEmpty(); }));
    EXPECT_TRUE(emptyWhenSignalled);
    ASSERT_EQ(store->recents().size(), 1);
    EXPECT_EQ(store->recents()[0].leftName, QStringLiteral("old.txt"));
    EXPECT_EQ(second->welcomeView()->recentsList()->rowCount(), 1);

    // A failed comparison is not remembered.
    first->openFile(files.file(QStringLiteral("doc.pdf")));
    first->openFile(files.file(QStringLiteral("text.txt")));
    ASSERT_TRUE(test::waitFor([first] { return done(first); }));
    test::settle();
    EXPECT_EQ(first->comparisonView()->content(), DiffContainerView::Content::error);
    EXPECT_EQ(store->recents().size(), 1);

    // Reopening from the second window's list compares there.
    QTest::mouseClick(second->welcomeView()->recentsList()->openButton(0), Qt::LeftButton);
    EXPECT_EQ(second->currentScreen(), second->comparisonView());
    EXPECT_EQ(second->viewModel().leftFile()->name, QStringLiteral("old.txt"));
    ASSERT_TRUE(test::waitFor([second] { return done(second); }));
}

TEST_F(RootViewTest, AWindowClosedDuringAComparisonRecordsNothing)
{
    RootView* root = nullptr;
    auto hold = std::make_shared<std::atomic<bool>>(true);
    auto main = window(&root, test::cannedComparator({QStringLiteral("a")}, {QStringLiteral("b")}, hold));
    root->openFile(files.file(QStringLiteral("a.txt")));
    root->openFile(files.file(QStringLiteral("b.txt")));
    main.reset();
    hold->store(false);
    QThreadPool::globalInstance()->waitForDone();
    test::settle();
    EXPECT_TRUE(store->recents().isEmpty());
}

} // namespace
