// SPDX-License-Identifier: GPL-3.0-or-later

// Share: the report in a private folder, offered in a menu under the share button.
#include "widgets/export/exportpresenter.h"
#include "widgets/tests/exporttestutil.h"

#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMimeData>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace varnel;
using namespace varnel::test;

namespace {

// Runs each test with its own runtime folder and a PATH that holds only what it puts there.
class ShareTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_runtime = m_dir.filePath("runtime");
        m_bin = m_dir.filePath("bin");
        ASSERT_TRUE(QDir().mkpath(m_runtime));
        ASSERT_TRUE(QDir().mkpath(m_bin));
        QFile::setPermissions(m_runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        m_savedRuntime = qgetenv("XDG_RUNTIME_DIR");
        m_savedPath = qgetenv("PATH");
        qputenv("XDG_RUNTIME_DIR", m_runtime.toUtf8());
        qputenv("PATH", m_bin.toUtf8());
    }

    void TearDown() override
    {
        qputenv("XDG_RUNTIME_DIR", m_savedRuntime);
        qputenv("PATH", m_savedPath);
    }

    QString folder() const { return m_runtime + QStringLiteral("/varnel"); }
    QString sharedFile() const { return folder() + QStringLiteral("/a.json vs b.json.pdf"); }

    void share(const DiffResult& result, QWidget* anchor = nullptr)
    {
        ExportPresenter::share(makeRequest(result, QStringLiteral("a.json"), QStringLiteral("b.json")), anchor);
    }

    QStringList menuTexts() const
    {
        QStringList texts;
        for (const FakeReportDialogs::MenuItem& item : fake.menuItems)
            texts.append(item.text);
        return texts;
    }

    QTemporaryDir m_dir;
    QString m_runtime;
    QString m_bin;
    QByteArray m_savedRuntime;
    QByteArray m_savedPath;
    FakeDialogs alerts;
    FakeReportDialogs fake;
};

mode_t modeOf(const QString& path)
{
    struct stat status {};
    EXPECT_EQ(::lstat(QFile::encodeName(path).constData(), &status), 0) << path.toStdString();
    return status.st_mode & 07777;
}

} // namespace

TEST_F(ShareTest, SharingTwiceReplacesOneFileInAPrivateFolder)
{
    share(resultWithChange(10, 5));
    EXPECT_EQ(modeOf(folder()), mode_t(0700));
    ASSERT_EQ(QDir(folder()).entryList(QDir::Files | QDir::Hidden), QStringList{"a.json vs b.json.pdf"});
    std::unique_ptr<Poppler::Document> first = readPdf(sharedFile());
    ASSERT_TRUE(first);
    EXPECT_TRUE(pageText(*first, 0).contains(QStringLiteral("line 1"))); // the whole report

    QStringList left = numberedLines(5);
    const DiffResult second = DiffEngine::compute(left, left + QStringList{"second share"}, false);
    share(second);
    ASSERT_EQ(QDir(folder()).entryList(QDir::Files | QDir::Hidden), QStringList{"a.json vs b.json.pdf"});
    std::unique_ptr<Poppler::Document> replaced = readPdf(sharedFile());
    ASSERT_TRUE(replaced);
    EXPECT_TRUE(pageText(*replaced, 0).contains(QStringLiteral("second share")));
    EXPECT_EQ(fake.menusShown, 2);
    EXPECT_TRUE(alerts.alerts.empty());
}

TEST_F(ShareTest, TheFolderIsClosedToOthersAndNeverAnotherPlace)
{
    // Ours but open: closed before anything is written in it.
    ASSERT_TRUE(QDir().mkpath(folder()));
    ::chmod(QFile::encodeName(folder()).constData(), 0755);
    share(resultWithChange(10, 5));
    EXPECT_EQ(modeOf(folder()), mode_t(0700));
    EXPECT_TRUE(QFile::exists(sharedFile()));

    // A link where the folder should be (planted to have the report written elsewhere):
    // refused, nothing written through it, and the menu says why and offers nothing.
    ASSERT_TRUE(QDir(folder()).removeRecursively());
    const QString elsewhere = m_dir.filePath("elsewhere");
    ASSERT_TRUE(QDir().mkpath(elsewhere));
    ASSERT_TRUE(QFile::link(elsewhere, folder()));
    share(resultWithChange(10, 5));
    EXPECT_TRUE(QDir(elsewhere).isEmpty());
    ASSERT_EQ(fake.menuItems.size(), 1);
    EXPECT_FALSE(fake.menuItems.front().enabled);
    EXPECT_TRUE(fake.menuItems.front().text.endsWith(QStringLiteral("it is not a folder.")))
        << menuTexts().join(u'|').toStdString();

    // Without a runtime folder the user's cache holds it.
    qunsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(ExportPresenter::shareFolder(),
              QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + QStringLiteral("/varnel"));
}

TEST_F(ShareTest, TheMenuOffersTheFileWaysAndEmailOnlyWithXdgEmail)
{
    QPushButton anchor(QStringLiteral("Share"));
    anchor.move(200, 150);
    anchor.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&anchor));
    share(resultWithChange(10, 5), &anchor);
    EXPECT_EQ(menuTexts(), (QStringList{"Open in PDF Viewer", "Copy File", "Show in Folder"}));
    EXPECT_EQ(fake.menuPosition, anchor.mapToGlobal(QPoint(0, anchor.height()))); // under the button

    // A fake xdg-email that writes down its arguments: the real program is started.
    const QString record = m_dir.filePath("email-arguments");
    QFile script(m_bin + QStringLiteral("/xdg-email"));
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + QFile::encodeName(record) + "'\n");
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("PATH", (m_bin + QStringLiteral(":/usr/bin:/bin")).toUtf8());

    fake.menuChoice = QStringLiteral("Email…");
    fake.queryAnswers[QStringLiteral("x-scheme-handler/mailto")] = QStringLiteral("mail.desktop");
    share(resultWithChange(10, 5), &anchor);
    EXPECT_EQ(menuTexts(), (QStringList{"Email…", "Open in PDF Viewer", "Copy File", "Show in Folder"}));
    ASSERT_TRUE(waitFor([&] { return fileBytes(record).endsWith(".pdf\n"); }, 10000));
    EXPECT_EQ(fileBytes(record), "--attach\n" + QFile::encodeName(sharedFile()) + "\n");

    fake.menuChoice = QStringLiteral("Open in PDF Viewer");
    fake.queryAnswers[QStringLiteral("application/pdf")] = QStringLiteral("viewer.desktop");
    share(resultWithChange(10, 5), &anchor);
    EXPECT_EQ(fake.openedUrls, QList<QUrl>{QUrl::fromLocalFile(sharedFile())});

    fake.menuChoice = QStringLiteral("Show in Folder");
    share(resultWithChange(10, 5), &anchor);
    EXPECT_EQ(fake.shownInFolder, QStringList{sharedFile()});
    EXPECT_TRUE(alerts.alerts.empty());
}

TEST_F(ShareTest, CopyFilePutsTheFileOnTheClipboardForFileManagers)
{
    fake.menuChoice = QStringLiteral("Copy File");
    share(resultWithChange(10, 5));
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    const QUrl url = QUrl::fromLocalFile(sharedFile());
    EXPECT_EQ(data->urls(), QList<QUrl>{url});
    EXPECT_EQ(data->data(QStringLiteral("text/uri-list")).trimmed(), url.toEncoded());
    EXPECT_EQ(data->data(QStringLiteral("x-special/gnome-copied-files")), "copy\n" + url.toEncoded());
    EXPECT_EQ(data->text(), sharedFile());
}

TEST_F(ShareTest, AFailedWriteOffersNothingThatPointsAtAMissingOrOldFile)
{
    // A first share leaves a good file; the next one cannot be written (a folder now
    // stands where the report goes): nothing old or missing may be offered as the report.
    share(resultWithChange(10, 5));
    ASSERT_TRUE(QFile::exists(sharedFile()));
    ASSERT_TRUE(QFile::remove(sharedFile()));
    ASSERT_TRUE(QDir().mkpath(sharedFile())); // a folder where the file goes
    fake.menuChoice = QStringLiteral("Copy File");
    share(resultWithChange(10, 5));
    ASSERT_EQ(fake.menuItems.size(), 1);
    EXPECT_FALSE(fake.menuItems.front().enabled);
    EXPECT_TRUE(fake.menuItems.front().text.startsWith(QStringLiteral("The report")))
        << menuTexts().join(u'|').toStdString();
    EXPECT_TRUE(alerts.alerts.empty()); // the menu says it; no alert on top
}

// The names Share writes under, up to the 255 bytes a folder takes, including the one
// shortened from two names too long for it.
TEST_F(ShareTest, NamesOfUpTo255BytesAreWritten)
{
    const DiffResult result = resultWithChange(10, 5);
    QStringList names;
    for (int bytes = 247; bytes <= 256; ++bytes) {
        const QString left = QString(bytes - 9, u'a'); // "LEFT vs b.pdf"
        const Expected<QString> written =
            ExportPresenter::writeShareFile(makeRequest(result, left, QStringLiteral("b")));
        ASSERT_TRUE(written.ok()) << bytes << ": " << written.error().message.toStdString();
        names.append(QFileInfo(written.value()).fileName());
        EXPECT_EQ(names.back().toUtf8().size(), std::min(bytes, 255)) << bytes;
        EXPECT_TRUE(fileBytes(written.value()).startsWith("%PDF-")) << bytes;
    }
    EXPECT_TRUE(names.back().contains(QStringLiteral("…"))); // the shortened one
    QStringList entries = QDir(folder()).entryList(QDir::Files | QDir::Hidden);
    entries.sort();
    names.sort();
    EXPECT_EQ(entries, names); // no temporary left
}

// "Open in PDF Viewer" never starts Varnel, whichever way the desktop names it: the next
// PDF handler installed is started instead, or the alert says there is none.
TEST_F(ShareTest, ThePdfViewerIsNeverVarnel)
{
    const QString data = m_dir.filePath("data");
    const QString applications = data + QStringLiteral("/applications");
    ASSERT_TRUE(QDir().mkpath(applications));
    const QByteArray saved[] = {qgetenv("XDG_DATA_HOME"), qgetenv("XDG_DATA_DIRS"), qgetenv("XDG_CONFIG_HOME")};
    qputenv("XDG_DATA_HOME", data.toUtf8());
    qputenv("XDG_DATA_DIRS", m_dir.filePath("none").toUtf8());
    qputenv("XDG_CONFIG_HOME", m_dir.filePath("none").toUtf8());
    const QString savedId = QGuiApplication::desktopFileName();
    QGuiApplication::setDesktopFileName(QStringLiteral("example.varnel.Varnel"));
    const auto put = [](const QString& path, const QByteArray& text, bool executable = false) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
        file.close();
        if (executable)
            file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    };
    put(applications + "/example.varnel.Varnel.desktop", "[Desktop Entry]\nExec=varnel %F\n");
    put(applications + "/varnel-again.desktop", "[Desktop Entry]\nExec=/usr/bin/varnel %f\n");
    put(applications + "/viewer.desktop", "[Desktop Entry]\nName=Viewer\nExec=pdfview --page=1 %U\n");
    put(applications + "/mimeinfo.cache", "[MIME Cache]\ntext/plain=a.desktop;\napplication/pdf="
                                          "example.varnel.Varnel.desktop;varnel-again.desktop;viewer.desktop;\n");
    put(m_bin + "/pdfview", "#!/bin/sh\n", true);
    QList<QStringList> launched;
    dialogs::setLaunchHandler([&](const QString& program, const QStringList& arguments) {
        launched.append(QStringList{program} + arguments);
        return true;
    });

    fake.menuChoice = QStringLiteral("Open in PDF Viewer");
    const QString url = QUrl::fromLocalFile(sharedFile()).toString(QUrl::FullyEncoded);
    for (const char* desktopDefault : {"example.varnel.Varnel.desktop", "varnel-again.desktop", ""}) {
        fake.queryAnswers[QStringLiteral("application/pdf")] = QString::fromUtf8(desktopDefault);
        share(resultWithChange(10, 5));
        ASSERT_EQ(launched.size(), 1) << desktopDefault;
        EXPECT_EQ(launched.takeFirst(), (QStringList{"pdfview", "--page=1", url}));
    }
    EXPECT_EQ(fake.queries.value(0), "xdg-mime query default application/pdf");

    ASSERT_TRUE(QFile::remove(applications + "/viewer.desktop"));
    share(resultWithChange(10, 5));
    EXPECT_TRUE(launched.isEmpty());
    EXPECT_TRUE(fake.openedUrls.isEmpty());
    ASSERT_EQ(alerts.alerts.size(), 1u);
    EXPECT_EQ(alerts.alerts[0].text, "No PDF viewer is installed to open the report \"" + sharedFile() + "\".");

    dialogs::setLaunchHandler({});
    QGuiApplication::setDesktopFileName(savedId);
    qputenv("XDG_DATA_HOME", saved[0]);
    qputenv("XDG_DATA_DIRS", saved[1]);
    qputenv("XDG_CONFIG_HOME", saved[2]);
}

// Without a mail program or a file manager, the item says what is missing.
TEST_F(ShareTest, AMissingMailProgramOrFileManagerIsNamed)
{
    QFile script(m_bin + QStringLiteral("/xdg-email"));
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::ExeOwner);
    int launches = 0;
    dialogs::setLaunchHandler([&](const QString&, const QStringList&) { return ++launches > 0; });
    fake.menuChoice = QStringLiteral("Email…");
    share(resultWithChange(10, 5));
    fake.menuChoice = QStringLiteral("Show in Folder");
    fake.folderShown = false;
    share(resultWithChange(10, 5));
    dialogs::setLaunchHandler({});

    EXPECT_EQ(launches, 0);
    ASSERT_EQ(alerts.alerts.size(), 2u);
    EXPECT_EQ(alerts.alerts[0].text, "No email program is set up to send the report \"" + sharedFile() + "\".");
    EXPECT_EQ(alerts.alerts[1].text, "No file manager is installed to show the report \"" + sharedFile() + "\".");
}
