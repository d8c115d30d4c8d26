// SPDX-License-Identifier: GPL-3.0-or-later

// Every control a keyboard reaches says what it is to a screen reader, on every screen.
#include "app/mainwindow.h"
#include "apptestutil.h"
#include "widgets/comparison/diffcontainerview.h"
#include "widgets/root/rootview.h"

#include <QAccessible>
#include <QTest>

using namespace varnel;

namespace {

// The widgets of `window` that Tab reaches (shown, enabled or not) without a name a
// screen reader could say, by class and object name.
QStringList unnamed(QWidget* window)
{
    QStringList found;
    QList<QWidget*> widgets = window->findChildren<QWidget*>();
    widgets.prepend(window);
    for (QWidget* widget : widgets) {
        if (!widget->isVisibleTo(window) || !(widget->focusPolicy() & Qt::TabFocus))
            continue;
        QAccessibleInterface* about = QAccessible::queryAccessibleInterface(widget);
        if (!about || about->text(QAccessible::Name).trimmed().isEmpty())
            found.append(QString::fromLatin1(widget->metaObject()->className()) + ' ' + widget->objectName());
    }
    return found;
}

} // namespace

TEST(ScreenReaderNames, EveryControlTheKeyboardReachesHasAName)
{
    test::ApplicationScope app;
    test::FakeDialogs dialogs;
    test::TempFiles files;
    MainWindow* window = app->newWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    EXPECT_EQ(unnamed(window), QStringList()) << "welcome";

    RootView* root = window->rootView();
    const auto compare = [&](const QString& left, const QByteArray& leftText, const QString& right,
                             const QByteArray& rightText) {
        root->viewModel().resetFiles();
        root->openFile(files.file(left, leftText));
        root->openFile(files.file(right, rightText));
        EXPECT_TRUE(test::waitFor([root] { return !root->viewModel().isComparing(); }));
        test::settle();
    };
    compare("old.txt", "1\n2\n3\n", "new.txt", "1\nzwei\n3\n");
    ASSERT_EQ(root->comparisonView()->content(), DiffContainerView::Content::diff);
    EXPECT_EQ(unnamed(window), QStringList()) << "side by side";
    root->comparisonView()->setViewMode(DiffViewMode::inlineView);
    test::settle();
    EXPECT_EQ(unnamed(window), QStringList()) << "inline";
    root->comparisonView()->openFind();
    test::settle();
    EXPECT_EQ(unnamed(window), QStringList()) << "find";
    root->comparisonView()->closeFind();

    compare("same1.txt", "a\n", "same2.txt", "a\n");
    ASSERT_EQ(root->comparisonView()->content(), DiffContainerView::Content::identical);
    EXPECT_EQ(unnamed(window), QStringList()) << "identical";

    compare("text.txt", "a\n", "binary.bin", QByteArray("\0\1\2\3", 4));
    EXPECT_EQ(unnamed(window), QStringList()) << "error";
}
