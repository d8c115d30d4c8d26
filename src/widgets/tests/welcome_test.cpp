// SPDX-License-Identifier: GPL-3.0-or-later

#include "screentestutil.h"
#include "testutil.h"
#include "widgets/intake/dropzoneview.h"
#include "widgets/intake/recentslistview.h"
#include "widgets/intake/welcomeview.h"
#include "widgets/style/buttons.h"

#include <QSettings>
#include <QTest>

using namespace varnel;

namespace {

class WelcomeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::clearPreferences();
        store = std::make_unique<RecentComparisonsStore>();
        view = std::make_unique<WelcomeView>(model, *store);
        view->resize(1100, 700);
        view->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
        view->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(view.get()));
    }

    void TearDown() override { model.resetFiles(); }

    test::FakeDialogs dialogs;
    test::TempFiles files;
    ComparisonViewModel model;
    std::unique_ptr<RecentComparisonsStore> store;
    std::unique_ptr<WelcomeView> view;
};

// Two files dropped together on either zone fill both sides in order; three are refused.
TEST_F(WelcomeTest, TwoDroppedFilesFillBothSidesWhicheverZoneTheyLandOn)
{
    const QUrl left = files.file(QStringLiteral("left.txt"));
    const QUrl right = files.file(QStringLiteral("right.txt"));
    auto pair = test::urlMime({left, right});
    EXPECT_TRUE(test::drop(view->dropZone(FileSide::right), pair.get()));
    ASSERT_TRUE(test::waitFor([this] { return model.bothFilesLoaded(); }));
    EXPECT_EQ(model.leftFile()->url, left);
    EXPECT_EQ(model.rightFile()->url, right);

    model.resetFiles();
    auto three = test::urlMime({right, left, files.file(QStringLiteral("third.txt"))});
    EXPECT_TRUE(test::drop(view->dropZone(FileSide::left), three.get()));
    ASSERT_TRUE(test::waitFor([this] { return !dialogs.alerts.empty(); }));
    EXPECT_EQ(dialogs.alerts[0].text,
              QStringLiteral("Varnel compares two files at a time, and 3 were dropped. Please drop one or two files."));
    EXPECT_FALSE(model.leftFile());

    // A zone's dialog starts in the folder of the file it replaces.
    model.loadFile(left, FileSide::left);
    view->dropZone(FileSide::left)->openPicker();
    ASSERT_EQ(dialogs.requests.size(), 1u);
    EXPECT_EQ(dialogs.requests[0].folder, left.adjusted(QUrl::RemoveFilename));
}

TEST_F(WelcomeTest, TabFollowsTheScreenLeftToRightAndTopToBottom)
{
    model.loadFile(files.file(QStringLiteral("left.txt")), FileSide::left); // swap is on
    store->record(files.file(QStringLiteral("a.txt")), files.file(QStringLiteral("b.txt")));
    RecentsListView* recents = view->recentsList();
    const std::vector<QWidget*> expected = {view->dropZone(FileSide::left),  view->swapButton(),
                                            view->dropZone(FileSide::right), recents->clearAllButton(),
                                            recents->openButton(0),          recents->removeButton(0),
                                            view->dropZone(FileSide::left)};
    view->dropZone(FileSide::left)->setFocus(Qt::TabFocusReason);
    std::vector<QWidget*> visited;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        visited.push_back(QApplication::focusWidget());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    EXPECT_EQ(visited, expected);
}

TEST_F(WelcomeTest, SwapIsAvailableOnceEitherSideHasAFile)
{
    IconButton* swap = view->swapButton();
    EXPECT_FALSE(swap->isEnabled());
    EXPECT_EQ(swap->toolTip(), QStringLiteral("Swap files"));
    EXPECT_EQ(swap->cursor().shape(), Qt::PointingHandCursor);

    const QUrl right = files.file(QStringLiteral("only-right.md"));
    model.loadFile(right, FileSide::right);
    EXPECT_TRUE(swap->isEnabled());
    QTest::mouseClick(swap, Qt::LeftButton);
    ASSERT_TRUE(model.leftFile());
    EXPECT_EQ(model.leftFile()->url, right);
    EXPECT_FALSE(model.rightFile());
    EXPECT_EQ(view->dropZone(FileSide::left)->fileItem()->url, right);
    EXPECT_FALSE(view->dropZone(FileSide::right)->fileItem());
    EXPECT_TRUE(swap->isEnabled());

    model.resetFiles();
    EXPECT_FALSE(swap->isEnabled());
}

TEST_F(WelcomeTest, ZonesLoadTheirOwnSide)
{
    const QUrl a = files.file(QStringLiteral("a.json"));
    auto mime = test::urlMime({a});
    test::drop(view->dropZone(FileSide::right), mime.get());
    ASSERT_TRUE(test::waitFor([&] { return model.rightFile().has_value(); }));
    EXPECT_EQ(model.rightFile()->url, a);
    EXPECT_FALSE(model.leftFile());
}

TEST_F(WelcomeTest, RecentsListFollowsTheStoreAndSetsTheInsets)
{
    EXPECT_FALSE(view->recentsList()->isVisible());
    EXPECT_EQ(view->zoneRowBottomInset(), 32);

    const QUrl gone = files.file(QStringLiteral("gone.txt"));
    store->record(files.file(QStringLiteral("kept-left.txt")), files.file(QStringLiteral("kept-right.txt")));
    store->record(gone, files.file(QStringLiteral("other.txt")));
    EXPECT_TRUE(view->recentsList()->isVisible());
    EXPECT_EQ(view->zoneRowBottomInset(), 16);
    ASSERT_EQ(view->recentsList()->rowCount(), 2);
    auto* newest = static_cast<RecentPairButton*>(view->recentsList()->openButton(0));
    EXPECT_EQ(newest->shownNames(), std::make_pair(QStringLiteral("gone.txt"), QStringLiteral("other.txt")));

    // A pair whose left file was deleted goes away, after an alert naming that file;
    // nothing else changes.
    ASSERT_TRUE(QFile::remove(gone.toLocalFile()));
    QTest::mouseClick(view->recentsList()->openButton(0), Qt::LeftButton);
    test::settle();
    ASSERT_EQ(store->recents().size(), 1);
    EXPECT_EQ(store->recents()[0].leftName, QStringLiteral("kept-left.txt"));
    EXPECT_EQ(view->recentsList()->rowCount(), 1);
    EXPECT_FALSE(model.leftFile());
    EXPECT_FALSE(model.rightFile());
    ASSERT_EQ(dialogs.alerts.size(), 1u);
    EXPECT_TRUE(dialogs.alerts[0].text.contains(gone.toLocalFile())) << dialogs.alerts[0].text.toStdString();

    // A pair that still resolves loads both sides.
    QTest::mouseClick(view->recentsList()->openButton(0), Qt::LeftButton);
    ASSERT_TRUE(model.leftFile() && model.rightFile());
    EXPECT_EQ(model.leftFile()->name, QStringLiteral("kept-left.txt"));
    EXPECT_EQ(model.rightFile()->name, QStringLiteral("kept-right.txt"));
}

TEST_F(WelcomeTest, RemoveTakesOneRowAndClearAllEmptiesTheStoredList)
{
    for (const char* name : {"one", "two", "three"})
        store->record(files.file(QLatin1StringView(name) + QStringLiteral(".a.txt")),
                      files.file(QLatin1StringView(name) + QStringLiteral(".b.txt")));
    ASSERT_EQ(view->recentsList()->rowCount(), 3);
    QTest::mouseClick(view->recentsList()->removeButton(1), Qt::LeftButton); // "two"
    test::settle();
    ASSERT_EQ(store->recents().size(), 2);
    EXPECT_EQ(store->recents()[0].leftName, QStringLiteral("three.a.txt"));
    EXPECT_EQ(store->recents()[1].leftName, QStringLiteral("one.a.txt"));
    EXPECT_EQ(view->recentsList()->rowCount(), 2);
    // The remove button reads as a control on its row, light and dark.
    for (bool dark : {false, true}) {
        test::AppearanceScope appearance(dark);
        const Palette& palette = Appearance::instance().palette();
        const QColor row =
            test::over(palette.color(ColorRole::secondary, 0.05), palette.color(ColorRole::windowBackground));
        auto* remove = static_cast<IconButton*>(view->recentsList()->removeButton(0));
        EXPECT_GE(test::contrast(test::over(remove->iconColor(), row), row), 3.0) << dark;
    }

    // A click on Clear All takes the focus off the rows it removes (there after closing a
    // comparison, say) without ringing whatever takes it next.
    view->recentsList()->openButton(0)->setFocus(Qt::OtherFocusReason);
    QTest::mouseClick(view->recentsList()->clearAllButton(), Qt::LeftButton);
    test::settle();
    for (FileSide side : {FileSide::left, FileSide::right})
        EXPECT_FALSE(hasKeyboardFocus(view->dropZone(side)));
    EXPECT_TRUE(store->recents().isEmpty());
    EXPECT_EQ(view->recentsList()->rowCount(), 0);
    EXPECT_FALSE(view->recentsList()->isVisible());
    EXPECT_EQ(view->zoneRowBottomInset(), 32);
    // Stored too: a store made now (the next start) reads an empty list.
    EXPECT_TRUE(RecentComparisonsStore().recents().isEmpty());
}

TEST_F(WelcomeTest, LongRecentNamesShareTheRowCutInTheMiddle)
{
    const QString longLeft = QString(200, QLatin1Char('m')) + QStringLiteral(".json");
    store->record(files.file(longLeft), files.file(QStringLiteral("short.json")));
    auto* button = static_cast<RecentPairButton*>(view->recentsList()->openButton(0));
    const auto [left, right] = button->shownNames();
    EXPECT_TRUE(left.contains(QChar(0x2026)));
    EXPECT_TRUE(left.endsWith(QStringLiteral(".json")));
    EXPECT_EQ(right, QStringLiteral("short.json")); // the short one keeps its whole name
    EXPECT_EQ(button->cursor().shape(), Qt::PointingHandCursor);
}

} // namespace
