// SPDX-License-Identifier: GPL-3.0-or-later

#include "viewmodel/comparisonviewmodel.h"
#include "viewmodel/openrequest.h"
#include "viewmodel/reportrequest.h"
#include "viewmodel/windowtitle.h"

#include <QEventLoop>
#include <QFile>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace varnel;

namespace {

class DecisionsTest : public ::testing::Test {
protected:
    QUrl file(const QString& name, const QByteArray& data = "one\ntwo\n")
    {
        QFile out(m_dir.filePath(name));
        EXPECT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(data);
        return QUrl::fromLocalFile(out.fileName());
    }

    QTemporaryDir m_dir;
};

} // namespace

// What an open request refuses is what the content check refuses: a binary file or a folder.
// A text file of any name is taken.
TEST_F(DecisionsTest, SeveralFilesStartOverAndRefusedOnesTakeNoSide)
{
    const auto reason = [](const std::optional<Error>& refused) { return refused ? refused->message : QString(); };
    ComparisonViewModel model;
    EXPECT_EQ(openFiles(model, {file("a.txt")}), std::nullopt);
    EXPECT_EQ(model.leftFile()->name, "a.txt");

    // Two files at once become one comparison; the refused and the remote ones are left out.
    const QUrl remote(QStringLiteral("https://example.invalid/c.txt"));
    const QByteArray binary("\0\1", 2);
    EXPECT_EQ(reason(openFiles(
                  model, {file("data.xyz", binary), file("b.txt"), remote, file("d.txt"), file("e.abc", binary)})),
              "The file \"data.xyz\" looks like a binary file, not text.");
    EXPECT_EQ(model.leftFile()->name, "b.txt");
    EXPECT_EQ(model.rightFile()->name, "d.txt");

    // Only refused files: nothing changes.
    EXPECT_EQ(openFiles(model, {QUrl::fromLocalFile(m_dir.path())})->kind, Error::Kind::folder);
    EXPECT_EQ(model.leftFile()->name, "b.txt");
    EXPECT_EQ(model.rightFile()->name, "d.txt");

    // A third single file starts over on the left, and text is text whatever its name.
    EXPECT_EQ(openFiles(model, {file("Makefile", "all:\n")}), std::nullopt);
    EXPECT_EQ(model.leftFile()->name, "Makefile");
    EXPECT_EQ(model.leftFile()->mode, DiffMode::text());
    EXPECT_FALSE(model.rightFile());
}

// Files dropped or picked together: one takes its side (or the first empty one, else the
// right), two make a new comparison in order, and three or a refused one change nothing.
TEST_F(DecisionsTest, FilesTakenTogetherFillTheirSidesOrAreRefusedWhole)
{
    ComparisonViewModel model;
    const QUrl a = file("a.txt");
    const QUrl b = file("b.txt");
    EXPECT_EQ(dialogFolder(model, FileSide::left), QUrl());
    EXPECT_EQ(placeFiles(model, {a}, FilesFrom::dialog), std::nullopt);
    EXPECT_EQ(model.leftFile()->url, a);
    EXPECT_EQ(sideForOneFile(model), FileSide::right);
    // The dialog for the empty side starts where the other side's file is.
    EXPECT_EQ(dialogFolder(model, FileSide::right), QUrl::fromLocalFile(m_dir.path() + "/"));

    EXPECT_EQ(placeFiles(model, {b}, FilesFrom::drop, FileSide::left), std::nullopt);
    EXPECT_EQ(model.leftFile()->url, b);
    EXPECT_FALSE(model.rightFile());

    const QUrl c = file("c.txt");
    const QUrl d = file("d.txt");
    EXPECT_EQ(placeFiles(model, {d, c}, FilesFrom::drop, FileSide::left), std::nullopt);
    EXPECT_EQ(model.leftFile()->url, d);
    EXPECT_EQ(model.rightFile()->url, c);
    // One file with both sides set replaces the right one.
    EXPECT_EQ(placeFiles(model, {a}, FilesFrom::dialog), std::nullopt);
    EXPECT_EQ(model.leftFile()->url, d);
    EXPECT_EQ(model.rightFile()->url, a);

    const ChosenFiles before(model);
    EXPECT_EQ(placeFiles(model, {a, b, c}, FilesFrom::drop)->message,
              "Varnel compares two files at a time, and 3 were dropped. Please drop one or two files.");
    EXPECT_EQ(placeFiles(model, {b, file("x.bin", QByteArray("\0\1", 2))}, FilesFrom::dialog)->kind,
              Error::Kind::unsupportedType);
    EXPECT_FALSE(before.changedIn(model));
    model.swapFiles();
    EXPECT_TRUE(before.changedIn(model));
}

// Same names get the folders that tell them apart, escaped as every shown name is.
TEST_F(DecisionsTest, TheTitleAddsFoldersOnlyToTellEqualNamesApart)
{
    const auto item = [](const QString& path) { return FileItem::fromUrl(QUrl::fromLocalFile(path)); };
    EXPECT_EQ(comparisonTitle(item("/x/a.txt"), item("/y/b.txt")), "a.txt \u2194 b.txt");
    EXPECT_EQ(comparisonTitle(item("/x/old/a.txt"), item("/y/old/a.txt")), "x/old/a.txt \u2194 y/old/a.txt");
    EXPECT_EQ(comparisonTitle(item("/old/a.txt"), item("/tmp/old/a.txt")), "/old/a.txt \u2194 tmp/old/a.txt");
    EXPECT_EQ(comparisonTitle(item("/x\x1b]0;t/a.txt"), item("/y/a.txt")), "x\\x1b]0;t/a.txt \u2194 y/a.txt");
    EXPECT_EQ(comparisonTitle(item("/x/a.txt"), item("/x/a.txt")), "a.txt \u2194 a.txt");
    FileItem labelled = item("/tmp/1/a.txt");
    labelled.name = "HEAD:a.txt";
    FileItem other = item("/tmp/2/a.txt");
    other.name = "HEAD:a.txt";
    EXPECT_EQ(comparisonTitle(labelled, other), "HEAD:a.txt \u2194 HEAD:a.txt");
}

// Requests that come while a nested event loop runs (an alert's) wait for it to return and are
// then handled in order; meanwhile later ones queue behind them.
TEST_F(DecisionsTest, OpenRequestsWaitForANestedEventLoop)
{
    QList<QStringList> handled;
    OpenRequestQueue queue([&](const QStringList& paths) { handled.append(paths); }, 0);
    queue.submit({"/a"});
    EXPECT_EQ(handled, QList<QStringList>({{"/a"}}));

    QEventLoop alert;
    QTimer::singleShot(0, &alert, [&] {
        queue.submit({"/b"});
        queue.submit({"/c", "/d"});
        QTimer::singleShot(3 * OpenRequestQueue::kCheckMs, &alert, &QEventLoop::quit);
    });
    alert.exec();
    EXPECT_EQ(handled.size(), 1);
    EXPECT_EQ(queue.waiting(), 2);
    queue.submit({"/e"}); // behind those that wait, though no loop is nested now
    EXPECT_EQ(queue.waiting(), 3);
    EXPECT_TRUE(QTest::qWaitFor([&] { return queue.waiting() == 0; }, 5000));
    EXPECT_EQ(handled, QList<QStringList>({{"/a"}, {"/b"}, {"/c", "/d"}, {"/e"}}));
}

TEST_F(DecisionsTest, AReportRequestCarriesTheActiveResultAndTheComparedFiles)
{
    ComparisonViewModel model;
    model.loadFile(file("old.txt", "1\n2\n"), FileSide::left);
    EXPECT_FALSE(reportRequest(model));
    model.loadFile(file("new.txt", "1\nzwei\n"), FileSide::right);
    EXPECT_FALSE(reportRequest(model)); // still comparing
    ASSERT_TRUE(QTest::qWaitFor([&] { return !model.isComparing(); }, 20000));

    const std::optional<ReportRequest> request = reportRequest(model);
    ASSERT_TRUE(request);
    EXPECT_EQ(request->leftName, "old.txt");
    EXPECT_EQ(request->rightName, "new.txt");
    EXPECT_EQ(request->inputs, QStringList({m_dir.filePath("old.txt"), m_dir.filePath("new.txt")}));
    EXPECT_EQ(request->result.lines().size(), model.activeDiffResult()->lines().size());
    model.setShowAllContext(true);
    EXPECT_EQ(reportRequest(model)->result.lines().size(), model.fullDiffResult()->lines().size());

    // Compared another way, the request says so.
    model.setCompareOptions(CompareOptions{.canonicalEquivalence = false});
    ASSERT_TRUE(QTest::qWaitFor([&] { return !model.isComparing(); }, 20000));
    EXPECT_FALSE(reportRequest(model)->options.canonicalEquivalence);
}

TEST_F(DecisionsTest, TheLayoutIsOnePreferenceThatEveryWindowFollows)
{
    QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Varnel"), QStringLiteral("Varnel"))
        .setValue(QStringLiteral("diffViewMode"), QStringLiteral("sideways"));
    ComparisonViewModel first;
    ComparisonViewModel second;
    EXPECT_EQ(first.layout().mode(), DiffViewMode::sideBySide); // not a layout: side by side
    QSignalSpy followed(&second.layout(), &DiffLayout::modeChanged);

    first.layout().setMode(DiffViewMode::inlineView);
    EXPECT_EQ(second.layout().mode(), DiffViewMode::inlineView);
    EXPECT_EQ(followed.size(), 1);
    EXPECT_EQ(ComparisonViewModel().layout().mode(), DiffViewMode::inlineView); // the next start
    EXPECT_EQ(QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Varnel"), QStringLiteral("Varnel"))
                  .value(QStringLiteral("diffViewMode")),
              QStringLiteral("inline"));

    // Wrapping is off until chosen, then every window and the next start wrap.
    EXPECT_FALSE(first.layout().wrapsLongLines());
    QSignalSpy wrapFollowed(&second.layout(), &DiffLayout::wrapChanged);
    first.layout().setWrapsLongLines(true);
    EXPECT_TRUE(second.layout().wrapsLongLines());
    EXPECT_EQ(wrapFollowed.size(), 1);
    EXPECT_TRUE(ComparisonViewModel().layout().wrapsLongLines());
    EXPECT_EQ(first.layout().mode(), DiffViewMode::inlineView); // the layout stays as it was

    // Pairing changed lines is off until chosen, and then only side by side pairs them.
    EXPECT_FALSE(first.layout().pairChangedLinesChosen());
    QSignalSpy pairFollowed(&second.layout(), &DiffLayout::pairChangedLinesChanged);
    first.layout().setPairChangedLines(true);
    EXPECT_EQ(pairFollowed.size(), 1);
    EXPECT_TRUE(ComparisonViewModel().layout().pairChangedLinesChosen()); // the next start
    EXPECT_FALSE(second.layout().pairsChangedLines(DiffViewMode::inlineView));
    EXPECT_TRUE(second.layout().pairsChangedLines(DiffViewMode::sideBySide));
    EXPECT_TRUE(second.layout().wrapsLongLines()); // the other choices stay as they were
}

// Scrolling together is chosen, or forced while wrapping; documents whose lines are cut
// offer wrapping until the offer is answered, by closing it or by choosing wrapping.
TEST_F(DecisionsTest, ScrollingTogetherAndTheOfferToWrapFollowTheirPreferences)
{
    using Kind = DiffMode::Kind;
    for (const bool closed : {true, false}) {
        QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Varnel"), QStringLiteral("Varnel"))
            .clear();
        ComparisonViewModel first;
        ComparisonViewModel second;
        DiffLayout& layout = first.layout();
        EXPECT_FALSE(layout.scrollsTogether());
        layout.setScrollTogether(closed);
        EXPECT_EQ(ComparisonViewModel().layout().scrollsTogether(), closed); // the next start
        EXPECT_TRUE(layout.offersWrap(Kind::docx, true) && layout.offersWrap(Kind::pdf, true));
        EXPECT_FALSE(layout.offersWrap(Kind::docx, false) || layout.offersWrap(Kind::text, true));
        QSignalSpy answered(&second.layout(), &DiffLayout::wrapOfferAnswered);
        if (closed)
            layout.answerWrapOffer();
        layout.setWrapsLongLines(true);
        EXPECT_TRUE(second.layout().scrollsTogether() && !second.layout().scrollTogetherChoosable());
        EXPECT_EQ(second.layout().scrollTogetherChosen(), closed);
        layout.setWrapsLongLines(false);
        EXPECT_EQ(second.layout().scrollsTogether(), closed); // back to the choice
        EXPECT_EQ(answered.size(), 1);
        EXPECT_FALSE(ComparisonViewModel().layout().offersWrap(Kind::docx, true));
    }
}

// Unanswered, a window offers wrapping for the first comparison it shows cut, for as long
// as it shows it (also while not cut for a moment); the next comparison, of any kind, ends
// it in that window only. Moments without a comparison end nothing.
TEST_F(DecisionsTest, AWindowOffersWrappingForItsFirstCutDocumentOnly)
{
    using Kind = DiffMode::Kind;
    QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Varnel"), QStringLiteral("Varnel")).clear();
    ComparisonViewModel window;
    DiffLayout& layout = window.layout();
    EXPECT_FALSE(layout.offersWrap(Kind::docx, false, QStringLiteral("a")));
    EXPECT_FALSE(layout.offersWrap(Kind::text, true, QStringLiteral("b"))); // not a document
    EXPECT_TRUE(layout.offersWrap(Kind::docx, true, QStringLiteral("c")));  // the first offered
    EXPECT_FALSE(layout.offersWrap(Kind::docx, false, QStringLiteral("c")));
    EXPECT_FALSE(layout.offersWrap(Kind::text, false, QString()));
    EXPECT_TRUE(layout.offersWrap(Kind::docx, true, QStringLiteral("c")));
    EXPECT_FALSE(layout.offersWrap(Kind::text, false, QStringLiteral("d")));
    for (const QString& comparison : {QStringLiteral("c"), QStringLiteral("e")})
        EXPECT_FALSE(layout.offersWrap(Kind::pdf, true, comparison)) << comparison.toStdString();
    EXPECT_FALSE(layout.isWrapOfferAnswered());
    EXPECT_TRUE(ComparisonViewModel().layout().offersWrap(Kind::pdf, true, QStringLiteral("e"))); // another window
}
