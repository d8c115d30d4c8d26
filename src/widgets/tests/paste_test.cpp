// SPDX-License-Identifier: GPL-3.0-or-later

// The clipboard as one side, through the platform's clipboard (offscreen, it is the
// process's own): Ctrl+V on a drop zone and the Edit menu's paste commands.
#include "screentestutil.h"
#include "testutil.h"
#include "widgets/comparison/comparisontoolbar.h"
#include "widgets/comparison/diffcontainerview.h"
#include "widgets/intake/dropzoneview.h"
#include "widgets/intake/welcomeview.h"
#include "widgets/root/pastecommands.h"
#include "widgets/root/rootview.h"

#include <QAction>
#include <QClipboard>
#include <QMainWindow>
#include <QTest>

using namespace varnel;
using Command = PasteCommands::Command;

namespace {

class PasteTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::clearPreferences();
        QGuiApplication::clipboard()->clear();
        store = std::make_unique<RecentComparisonsStore>();
        main = std::make_unique<QMainWindow>();
        root = new RootView(*store, main.get());
        commands = new PasteCommands(*root, root);
        main->setCentralWidget(root);
        main->resize(RootView::kDefaultSize);
        main->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(main.get()));
        main->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(main.get()));
    }
    void TearDown() override { QGuiApplication::clipboard()->clear(); }

    ComparisonViewModel& model() { return root->viewModel(); }
    bool enabled(Command command) { return commands->action(command)->isEnabled(); }
    void compared()
    {
        ASSERT_TRUE(test::waitFor([this] { return !model().isComparing(); }));
        test::settle(); // the recording is queued
    }
    void pressPaste(FileSide side)
    {
        DropZoneView* zone = root->welcomeView()->dropZone(side);
        zone->setFocus(Qt::TabFocusReason);
        QTest::keyClick(zone, Qt::Key_V, Qt::ControlModifier);
    }

    test::FakeDialogs dialogs;
    test::TempFiles files;
    std::unique_ptr<RecentComparisonsStore> store;
    std::unique_ptr<QMainWindow> main;
    RootView* root = nullptr;
    PasteCommands* commands = nullptr;
};

} // namespace

TEST_F(PasteTest, CtrlVOnADropZonePastesTextOrFilesAndSaysWhenThereIsNeither)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    pressPaste(FileSide::left);
    clipboard->setImage(QImage(8, 8, QImage::Format_RGB32));
    pressPaste(FileSide::left);
    ASSERT_EQ(dialogs.alerts.size(), 2u);
    EXPECT_EQ(dialogs.alerts[0].title, QStringLiteral("Nothing to Paste"));
    EXPECT_EQ(dialogs.alerts[0].text, QStringLiteral("The clipboard is empty. Copy some text, then try again."));
    EXPECT_EQ(dialogs.alerts[1].text,
              QStringLiteral("The clipboard holds an image, not text. Copy some text, then try again."));
    EXPECT_FALSE(model().leftFile());

    clipboard->setText(QStringLiteral("one\nzwei\n"));
    pressPaste(FileSide::left);
    ASSERT_TRUE(model().leftFile() && model().leftFile()->isInMemory());
    const DropZoneView* zone = root->welcomeView()->dropZone(FileSide::left);
    EXPECT_TRUE(zone->toolTip().startsWith(QStringLiteral("Clipboard, taken at "))) << zone->toolTip().toStdString();

    // A file manager's copy opens the file, as a drop would.
    const QUrl two = files.file(QStringLiteral("two.txt"));
    clipboard->setMimeData(test::urlMime({two}).release());
    pressPaste(FileSide::right);
    ASSERT_TRUE(model().rightFile());
    EXPECT_EQ(model().rightFile()->url, two);
    compared();
    EXPECT_TRUE(store->recents().isEmpty()); // a comparison with pasted text is never recorded
}

TEST_F(PasteTest, EachScreenHasItsPasteCommandsAndTheTextTakesTheOtherSide)
{
    EXPECT_TRUE(enabled(Command::pasteAsOriginal) && !enabled(Command::compareWithLeft));
    QGuiApplication::clipboard()->setText(QStringLiteral("one\ntwo\n"));
    commands->action(Command::pasteAsChanged)->trigger();
    ASSERT_TRUE(model().rightFile() && model().rightFile()->isInMemory());
    const QUrl left = files.file(QStringLiteral("left.txt"));
    root->openFile(left);
    compared();
    EXPECT_FALSE(enabled(Command::pasteAsOriginal) || enabled(Command::pasteAsChanged));
    EXPECT_TRUE(enabled(Command::compareWithLeft) && enabled(Command::compareWithRight));

    // Compared with the left side, the clipboard becomes the right one; and the other way.
    commands->action(Command::compareWithLeft)->trigger();
    EXPECT_EQ(model().leftFile()->url, left);
    EXPECT_TRUE(model().rightFile()->isInMemory());
    commands->action(Command::compareWithRight)->trigger();
    EXPECT_TRUE(model().leftFile()->isInMemory());
    compared();
    const FileLabelButton* label = root->comparisonView()->toolbar()->fileLabel(FileSide::left);
    EXPECT_TRUE(label->toolTip().startsWith(QStringLiteral("Clipboard, taken at "))) << label->toolTip().toStdString();
    EXPECT_TRUE(store->recents().isEmpty());
    commands->setAvailable(false); // a window of one comparison
    EXPECT_FALSE(enabled(Command::compareWithLeft) || enabled(Command::compareWithRight));
}

// Looked at by hand: the toolbar names the pasted side "Clipboard" in both appearances,
// and the JSON file on the left colours both sides.
TEST_F(PasteTest, AComparisonWithTheClipboardOnOneSide)
{
    QGuiApplication::clipboard()->setText(QStringLiteral("{\n  \"name\": \"varnel\",\n  \"pasted\": true\n}\n"));
    commands->action(Command::pasteAsChanged)->trigger();
    QTest::qWait(300); // the zone fades its new content in
    test::grabImage(root).save(QStringLiteral("/tmp/varnel-paste-welcome.png"));
    root->openFile(files.file(QStringLiteral("package.json"), "{\n  \"name\": \"varnel\",\n  \"pasted\": false\n}\n"));
    compared();
    ASSERT_EQ(root->currentScreen(), root->comparisonView());
    EXPECT_EQ(root->comparisonView()->toolbar()->fileLabel(FileSide::right)->accessibleName(),
              QStringLiteral("Clipboard"));
    for (const bool dark : {false, true}) {
        test::AppearanceScope appearance(dark);
        test::settle();
        test::grabImage(root).save(QStringLiteral("/tmp/varnel-paste-%1.png").arg(dark ? "dark" : "light"));
    }
}
