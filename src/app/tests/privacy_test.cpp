// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/privacywindow.h"
#include "apptestutil.h"
#include "widgets/dialogs/dialogs.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QScrollBar>
#include <QSettings>
#include <QTest>
#include <QTimer>

using namespace varnel;

namespace {

QStringList texts(const QWidget* window)
{
    QStringList result;
    for (const QLabel* label : window->findChildren<QLabel*>())
        result.append(label->text());
    return result;
}

TEST(PrivacyWindow, KeepsItsMinimumSizeAndScrollsWrappedText)
{
    PrivacyWindow window;
    EXPECT_EQ(window.windowTitle(), "Privacy Policy");
    EXPECT_EQ(window.sizeHint(), QSize(560, 520));
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_EQ(window.size(), QSize(560, 520));
    window.resize(300, 200);
    test::settle();
    EXPECT_EQ(window.size(), QSize(500, 420));

    // At the minimum size the text scrolls up and down, never sideways, and every label
    // wraps within the width and shows all its lines.
    EXPECT_TRUE(window.verticalScrollBar()->isVisible());
    EXPECT_GT(window.verticalScrollBar()->maximum(), 0);
    EXPECT_FALSE(window.horizontalScrollBar()->isVisible());
    const int width = window.viewport()->width();
    for (const QLabel* label : window.widget()->findChildren<QLabel*>()) {
        const QPoint right = label->mapTo(window.widget(), QPoint(label->width(), 0));
        EXPECT_LE(right.x(), width) << label->text().toStdString();
        if (label->wordWrap()) {
            EXPECT_GE(label->height(), label->heightForWidth(label->width())) << label->text().toStdString();
        }
    }
    window.verticalScrollBar()->setValue(window.verticalScrollBar()->maximum());
    const QLabel* last = nullptr;
    for (QLabel* label : window.widget()->findChildren<QLabel*>()) {
        if (label->text().contains("varnel.example/support"))
            last = label;
    }
    ASSERT_TRUE(last);
    EXPECT_TRUE(last->visibleRegion().boundingRect().height() == last->height()); // scrolled into view

    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QTest::keyClick(&window, Qt::Key_W, Qt::ControlModifier);
    EXPECT_FALSE(window.isVisible());
}

// Qt's own open dialog keeps the folders it visited in QtProject.conf; Varnel leaves that
// file as it found it: absent, or with another program's history unchanged.
TEST(PrivacyWindow, TheOpenDialogLeavesNoFoldersBehind)
{
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [] {
        if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget()))
            dialog->reject();
    });
    closer.start(20);
    const QString history = QSettings(QSettings::UserScope, QStringLiteral("QtProject")).fileName();
    ASSERT_FALSE(QFileInfo::exists(history));
    const dialogs::OpenFileRequest request{QStringLiteral("Choose"), {}, QUrl::fromLocalFile(QDir::tempPath()), true};
    EXPECT_TRUE(dialogs::openFiles(nullptr, request).isEmpty());
    EXPECT_FALSE(QFileInfo::exists(history));

    {
        QSettings other(QSettings::UserScope, QStringLiteral("QtProject"));
        other.setValue(QStringLiteral("FileDialog/history"), QStringList({QStringLiteral("file:///elsewhere")}));
        other.setValue(QStringLiteral("Other/key"), 1);
    }
    EXPECT_TRUE(dialogs::openFiles(nullptr, request).isEmpty());
    const QSettings after(QSettings::UserScope, QStringLiteral("QtProject"));
    EXPECT_EQ(after.value(QStringLiteral("FileDialog/history")).toStringList(), QStringList({"file:///elsewhere"}));
    EXPECT_FALSE(after.contains(QStringLiteral("FileDialog/lastVisited")));
    EXPECT_EQ(after.value(QStringLiteral("Other/key")).toInt(), 1);
    QFile::remove(history);
}

TEST(PrivacyWindow, SaysWhatIsTrueOnThisComputer)
{
    const QList<PrivacyWindow::Section> sections = PrivacyWindow::sections();
    QStringList titles;
    for (const PrivacyWindow::Section& section : sections)
        titles.append(section.title);
    EXPECT_EQ(titles, QStringList({"Overview", "Data Collection", "File Processing", "Network Activity",
                                   "Local Storage", "Third Parties", "Changes to This Policy"}));

    PrivacyWindow window;
    const QString all = texts(&window).join(u'\n');
    for (const char* gone : {"Mac", "Xcode", "Little Snitch", "UserDefaults", "sandbox", "never written to disk"})
        EXPECT_FALSE(all.contains(QString::fromLatin1(gone))) << gone;
    EXPECT_TRUE(all.contains("never leave your computer"));
    EXPECT_TRUE(all.contains("reports you export"));
    EXPECT_TRUE(all.contains("clipboard stays in memory"));
    EXPECT_TRUE(all.contains("strace -f -e trace=network varnel"));
    EXPECT_TRUE(all.contains("Varnel — Effective March 2025"));
    EXPECT_TRUE(all.contains("Questions/Feature Requests"));
    EXPECT_TRUE(all.contains("Developer Support"));

    // The settings file is named where it really is.
    const QString storage = sections[4].body;
    const QString file = Preferences::fileName().mid(QDir::homePath().size());
    EXPECT_TRUE(storage.contains("(~" + file + ")")) << storage.toStdString();
    EXPECT_TRUE(storage.startsWith("Varnel stores only the following data locally on your device:\n\n• Recent file "
                                   "references — "));

    // The two links open the mail program and the browser.
    QStringList links;
    for (const QLabel* label : window.findChildren<QLabel*>()) {
        if (label->textFormat() == Qt::RichText) {
            EXPECT_TRUE(label->openExternalLinks());
            links.append(label->text());
        }
    }
    ASSERT_EQ(links.size(), 2);
    EXPECT_TRUE(links[0].startsWith("Send an email to <a"));
    EXPECT_TRUE(links[0].contains("<a href=\"mailto:support@varnel.example\">support@varnel.example</a>"));
    EXPECT_TRUE(links[1].startsWith("While not necessary, it would be greatly appreciated if you showed your support "
                                    "by buying me a coffee! :) <a"));
    EXPECT_TRUE(links[1].contains("<a href=\"https://varnel.example/support\">"));
    // The address shows whole: it never breaks after one of its slashes.
    EXPECT_TRUE(links[1].endsWith(QStringLiteral(">https:/\u2060/\u2060varnel.example/\u2060support</a>")));
}

} // namespace
