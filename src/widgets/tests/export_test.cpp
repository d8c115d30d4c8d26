// SPDX-License-Identifier: GPL-3.0-or-later

// Export as PDF and Print from the window, with the dialogs answered by the test.
#include "widgets/export/exportpresenter.h"
#include "widgets/export/reportjob.h"
#include "widgets/tests/exporttestutil.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sys/resource.h>
#include <unistd.h>

#include <csignal>

using namespace varnel;
using namespace varnel::test;

namespace {

class ExportTest : public ::testing::Test {
protected:
    QString path(const QString& name) const { return m_dir.filePath(name); }

    void writeFile(const QString& name, const QByteArray& data)
    {
        QDir().mkpath(QFileInfo(path(name)).path());
        QFile file(path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(data);
    }

    void exportTo(const QString& target, bool includeUnchanged, const DiffResult& result,
                  const QStringList& inputs = {})
    {
        fake.saveAnswer = dialogs::ReportFileChoice{target, includeUnchanged};
        ExportPresenter::exportPdf(makeRequest(result, QStringLiteral("a.json"), QStringLiteral("b.json"), inputs),
                                   nullptr);
    }

    // Print to File, as the print dialog sets it up.
    void printTo(const QString& target, const DiffResult& result, const QStringList& inputs = {})
    {
        fake.configurePrinter = [target](QPrinter& printer) {
            printer.setOutputFileName(target);
            return true;
        };
        ExportPresenter::print(makeRequest(result, QStringLiteral("a.json"), QStringLiteral("b.json"), inputs),
                               nullptr);
    }

    // Whether the last command failed with `The report "TARGET" could not be written: …`
    // in the one alert shown.
    ::testing::AssertionResult failedToWrite(const QString& target,
                                             const QString& title = QStringLiteral("Export Failed"))
    {
        if (alerts.alerts.size() != 1)
            return ::testing::AssertionFailure() << alerts.alerts.size() << " alerts";
        const QString text = alerts.alerts.back().text;
        if (alerts.alerts.back().title != title ||
            !text.startsWith(QStringLiteral("The report \"%1\" could not be written: ").arg(target)) ||
            !text.endsWith(u'.'))
            return ::testing::AssertionFailure() << text.toStdString();
        return ::testing::AssertionSuccess();
    }

    QTemporaryDir m_dir;
    FakeDialogs alerts;
    FakeReportDialogs fake;
};

} // namespace

TEST_F(ExportTest, TheDialogOffersTheDefaultNameAndItsBoxChoosesTheRows)
{
    EXPECT_EQ(ExportPresenter::defaultFileName(QStringLiteral("a.json"), QStringLiteral("b.json")),
              QStringLiteral("a.json vs b.json.pdf"));

    // A collapsed result: unchanged lines on both sides of the change, folded runs.
    const DiffResult result = resultWithChange(40, 20, true);
    exportTo(path("all.pdf"), true, result);
    ASSERT_EQ(fake.defaultNames, QStringList{QStringLiteral("a.json vs b.json.pdf")});
    EXPECT_TRUE(alerts.alerts.empty()); // success shows nothing
    std::unique_ptr<Poppler::Document> all = readPdf(path("all.pdf"));
    ASSERT_TRUE(all);
    const QString allText = pageText(*all, 0);
    EXPECT_TRUE(allText.contains(QStringLiteral("removed line")));
    EXPECT_TRUE(allText.contains(QStringLiteral("added line")));
    EXPECT_TRUE(allText.contains(QStringLiteral("line 20")));                // context
    EXPECT_TRUE(allText.contains(QStringLiteral("unchanged lines hidden"))); // placeholders stay

    exportTo(path("changes.pdf"), false, result);
    std::unique_ptr<Poppler::Document> changes = readPdf(path("changes.pdf"));
    ASSERT_TRUE(changes);
    const QString changesText = pageText(*changes, 0);
    EXPECT_TRUE(changesText.contains(QStringLiteral("removed line")));
    EXPECT_TRUE(changesText.contains(QStringLiteral("added line")));
    EXPECT_EQ(lineCells(*changes, 0), 0) << changesText.toStdString();
    EXPECT_FALSE(changesText.contains(QStringLiteral("hidden")));
}

// The window's reports say what its comparison ignored, as the command line's do.
TEST_F(ExportTest, ReportsFromTheWindowNameWhatWasIgnored)
{
    DiffResult result = resultWithChange(10, 5, false);
    result.setIgnoredCount(2);
    ReportRequest request = makeRequest(result, QStringLiteral("a.json"), QStringLiteral("b.json"));
    request.options.ignoreCase = true;
    fake.saveAnswer = dialogs::ReportFileChoice{path("ignored.pdf"), true};
    ExportPresenter::exportPdf(request, nullptr);
    fake.configurePrinter = [this](QPrinter& printer) {
        printer.setOutputFileName(path("printed.pdf"));
        return true;
    };
    ExportPresenter::print(request, nullptr);
    for (const char* name : {"ignored.pdf", "printed.pdf"}) {
        std::unique_ptr<Poppler::Document> document = readPdf(path(QString::fromLatin1(name)));
        ASSERT_TRUE(document) << name;
        EXPECT_TRUE(pageText(*document, 0).contains(QStringLiteral("Ignoring: case"))) << name;
    }
}

TEST_F(ExportTest, TheComparedFilesOfTheRequestAreNeverReplaced)
{
    writeFile("a.json", "left");
    exportTo(path("a.json"), true, resultWithChange(10, 5), {path("a.json"), path("b.json")});
    ASSERT_EQ(alerts.alerts.size(), 1u);
    EXPECT_TRUE(alerts.alerts.back().text.endsWith(QStringLiteral("would replace one of the files being compared.")));
    EXPECT_EQ(fileBytes(path("a.json")), QByteArray("left"));

    // Print to File keeps the same rule, through a symbolic or hard link too, and refuses a
    // device; nothing is drawn.
    writeFile("b.json", "right");
    ASSERT_TRUE(QFile::link(path("a.json"), path("symlink.pdf")));
    ASSERT_EQ(::link(QFile::encodeName(path("b.json")).constData(), QFile::encodeName(path("hard.pdf")).constData()),
              0);
    for (const QString& target : {path("a.json"), path("symlink.pdf"), path("hard.pdf")}) {
        alerts.alerts.clear();
        printTo(target, resultWithChange(10, 5), {path("a.json"), path("b.json")});
        ASSERT_EQ(alerts.alerts.size(), 1u) << target.toStdString();
        EXPECT_EQ(alerts.alerts.back().title, QStringLiteral("Print Failed"));
        EXPECT_EQ(alerts.alerts.back().text,
                  QStringLiteral("The report \"%1\" would replace one of the files being compared.").arg(target));
    }
    EXPECT_EQ(fileBytes(path("a.json")), QByteArray("left"));
    EXPECT_EQ(fileBytes(path("b.json")), QByteArray("right"));
    EXPECT_TRUE(QFileInfo(path("symlink.pdf")).isSymLink());
    alerts.alerts.clear();
    printTo(QStringLiteral("/dev/full"), resultWithChange(10, 5));
    ASSERT_EQ(alerts.alerts.size(), 1u);
    EXPECT_EQ(alerts.alerts.back().text,
              QStringLiteral("The report \"/dev/full\" cannot be written there: it is not a regular file."));
    EXPECT_EQ(fake.progressTitles, QStringList()); // refused before drawing
}

TEST_F(ExportTest, FileNamesTooLongForTheFileSystemAreShortenedInTheMiddle)
{
    const QString left = QString(200, u'l') + QStringLiteral(".txt");
    const QString right = QString(150, u'é') + QStringLiteral(".txt"); // two bytes each
    const QString name = ExportPresenter::defaultFileName(left, right);
    EXPECT_LE(name.toUtf8().size(), 255);
    EXPECT_TRUE(name.startsWith(QStringLiteral("llll")));
    EXPECT_TRUE(name.endsWith(QStringLiteral("éé.txt.pdf")));
    EXPECT_TRUE(name.contains(QStringLiteral("…")));
    // A name made of characters outside the basic plane is never cut inside one.
    const QString wide = ExportPresenter::defaultFileName(QStringLiteral("😀").repeated(100), QStringLiteral("b"));
    EXPECT_LE(wide.toUtf8().size(), 255);
    EXPECT_EQ(QString::fromUtf8(wide.toUtf8()), wide); // no lone surrogate
    EXPECT_TRUE(wide.endsWith(QStringLiteral("😀 vs b.pdf")));
}

TEST_F(ExportTest, CancelledDialogsWriteNothing)
{
    const DiffResult result = resultWithChange(10, 5);
    fake.saveAnswer.reset();
    ExportPresenter::exportPdf(makeRequest(result, QStringLiteral("a"), QStringLiteral("b")), nullptr);
    ExportPresenter::print(makeRequest(result, QStringLiteral("a"), QStringLiteral("b")), nullptr);
    EXPECT_EQ(fake.printPageCounts, QList<int>{1});
    EXPECT_TRUE(QDir(m_dir.path()).isEmpty());
    EXPECT_TRUE(alerts.alerts.empty());

    // A long report can be stopped while it is drawn: nothing is written, nothing said,
    // and a file that was there stays as it was.
    writeFile("long.pdf", "keep me");
    const DiffResult long23 = unchangedResult(49 * 22 + 1); // 23 pages
    fake.cancelProgress = true;
    exportTo(path("long.pdf"), true, long23);
    EXPECT_EQ(fake.progressTitles, QStringList{QStringLiteral("Export as PDF")});
    EXPECT_EQ(fake.progressMaximum, 23);
    EXPECT_EQ(fileBytes(path("long.pdf")), "keep me");
    EXPECT_TRUE(alerts.alerts.empty());
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1); // no temporary left

    // Left alone, the same report is written whole.
    fake.cancelProgress = false;
    exportTo(path("long.pdf"), true, long23);
    std::unique_ptr<Poppler::Document> written = readPdf(path("long.pdf"));
    ASSERT_TRUE(written);
    EXPECT_EQ(written->numPages(), 23);
    EXPECT_FALSE(ReportJob::isRunning());
}

TEST_F(ExportTest, FailedWritesShowTheFileAndTheReasonEvenForRoot)
{
    const DiffResult result = resultWithChange(300, 100);

    // A folder component that is a file: no permission is involved, so root fails too.
    writeFile("notes.txt", "text");
    const QString underFile = path("notes.txt/report.pdf");
    exportTo(underFile, true, result);
    EXPECT_TRUE(failedToWrite(underFile));
    EXPECT_TRUE(alerts.alerts.back().text.endsWith(QStringLiteral(": Not a directory.")));

    // A device is never written over.
    alerts.alerts.clear();
    exportTo(QStringLiteral("/dev/full"), true, result);
    ASSERT_EQ(alerts.alerts.size(), 1u);
    EXPECT_EQ(alerts.alerts.back().text,
              QStringLiteral("The report \"/dev/full\" cannot be written there: it is not a regular file."));

    // A write cut short (here by the file size limit, which binds root as well): the old
    // file stays byte for byte and no temporary file is left beside it.
    alerts.alerts.clear();
    writeFile("existing.pdf", "keep me");
    rlimit before{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &before), 0);
    const auto previousSignal = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = before;
    small.rlim_cur = 2048;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    exportTo(path("existing.pdf"), true, result);
    ::setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, previousSignal);
    EXPECT_TRUE(failedToWrite(path("existing.pdf")));
    EXPECT_TRUE(alerts.alerts.back().text.endsWith(QStringLiteral(": File too large.")));
    EXPECT_EQ(fileBytes(path("existing.pdf")), "keep me");
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2); // notes.txt, existing.pdf
}

// A read-only folder: a read-only file system prepared by the test's wrapper (a tmpfs
// mounted read-only in a mount namespace of its own, which stops root too), or without
// one a folder without write permission, which stops everyone but root.
TEST_F(ExportTest, AFailedWriteToAReadOnlyFolderKeepsTheFileThere)
{
    QString folder = qEnvironmentVariable("VARNEL_TEST_READONLY_DIR");
    QByteArray before;
    if (!folder.isEmpty()) {
        before = fileBytes(folder + QStringLiteral("/existing.pdf"));
        ASSERT_FALSE(before.isEmpty()) << "the wrapper puts existing.pdf there";
    } else {
        if (::geteuid() == 0)
            GTEST_SKIP() << "root writes into any folder; the read-only mount runs this as export_readonly_mount";
        writeFile("locked/existing.pdf", "keep me");
        folder = path("locked");
        before = "keep me";
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
    }
    const QString target = folder + QStringLiteral("/existing.pdf");
    exportTo(target, true, resultWithChange(20, 10));
    EXPECT_TRUE(failedToWrite(target));
    alerts.alerts.clear();
    printTo(target, resultWithChange(20, 10));
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_TRUE(failedToWrite(target, QStringLiteral("Print Failed")));
    EXPECT_EQ(fileBytes(target), before);
}

// A full file system, prepared by the test's wrapper (a small tmpfs holding one report and
// filled up, in a mount namespace of its own). Export and Print to File both say so, keep
// the old file whole and leave no empty or partial file behind.
TEST_F(ExportTest, AFullDiskKeepsTheOldFileAndSaysSo)
{
    const QString folder = qEnvironmentVariable("VARNEL_TEST_FULL_DIR");
    if (folder.isEmpty())
        GTEST_SKIP() << "needs a full file system: runs as export_full_mount";
    const QString existing = folder + QStringLiteral("/existing.pdf");
    const QByteArray before = fileBytes(existing);
    ASSERT_FALSE(before.isEmpty()) << "the wrapper puts existing.pdf there";
    const QStringList entries = QDir(folder).entryList(QDir::Files | QDir::Hidden);
    const DiffResult result = resultWithChange(300, 100);
    for (const QString& target : {existing, folder + QStringLiteral("/new.pdf")}) {
        alerts.alerts.clear();
        exportTo(target, true, result);
        EXPECT_TRUE(failedToWrite(target));
        alerts.alerts.clear();
        printTo(target, result);
        EXPECT_TRUE(failedToWrite(target, QStringLiteral("Print Failed")));
        EXPECT_TRUE(alerts.alerts.back().text.endsWith(QStringLiteral(": No space left on device.")));
    }
    EXPECT_EQ(fileBytes(existing), before);
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden), entries);
}

// Every name a folder takes, up to 255 bytes, is written by Export and by Print to File,
// whatever the temporary file beside it is called.
TEST_F(ExportTest, NamesOfUpTo255BytesAreWritten)
{
    const DiffResult result = resultWithChange(10, 5);
    for (int bytes = 247; bytes <= 255; ++bytes) {
        const QString exported = path(QString(bytes - 4, u'e') + QStringLiteral(".pdf"));
        const QString printed = path(QString(bytes - 4, u'p') + QStringLiteral(".pdf"));
        exportTo(exported, true, result);
        printTo(printed, result);
        ASSERT_TRUE(alerts.alerts.empty()) << bytes << ": " << alerts.alerts.back().text.toStdString();
        EXPECT_TRUE(fileBytes(exported).startsWith("%PDF-")) << bytes;
        EXPECT_TRUE(fileBytes(printed).startsWith("%PDF-")) << bytes;
    }
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2 * 9); // no temporary left
}

TEST_F(ExportTest, PrintingDrawsLetterPagesThroughQPrinterWithThePagesChosen)
{
    const DiffResult result = unchangedResult(120); // 49 + 49 + 22 rows
    fake.configurePrinter = [this](QPrinter& printer) {
        printer.setOutputFileName(path("all.pdf"));
        return true;
    };
    ExportPresenter::print(makeRequest(result, QStringLiteral("left.txt"), QStringLiteral("right.txt")), nullptr);
    EXPECT_EQ(fake.printPageCounts, QList<int>{3});
    EXPECT_EQ(fake.printerPageSize, QSizeF(612, 792));
    EXPECT_TRUE(fake.printerFullPage);
    EXPECT_EQ(fake.printerDocName, QStringLiteral("left.txt vs right.txt"));
    EXPECT_TRUE(alerts.alerts.empty());
    std::unique_ptr<Poppler::Document> all = readPdf(path("all.pdf"));
    ASSERT_TRUE(all);
    ASSERT_EQ(all->numPages(), 3);
    EXPECT_EQ(all->page(2)->pageSizeF(), QSizeF(612, 792));
    EXPECT_EQ(lineCells(*all, 0), 2 * 49);
    EXPECT_EQ(lineCells(*all, 2), 2 * 22); // both columns of 22 rows
    EXPECT_TRUE(pageText(*all, 2).contains(QStringLiteral("line 120")));
    EXPECT_TRUE(pageText(*all, 2).contains(QStringLiteral("Page 3 of 3")));
    // At scale 1 from the top-left corner: the first row where the page layout puts it.
    const std::vector<std::unique_ptr<Poppler::TextBox>> boxes = all->page(0)->textList();
    const auto first = std::find_if(boxes.begin(), boxes.end(), [](const auto& box) { return box->text() == "line"; });
    ASSERT_NE(first, boxes.end());
    EXPECT_NEAR((*first)->boundingBox().left(), 68, 1);
    EXPECT_NEAR((*first)->boundingBox().center().y(), 52 + 7, 2);

    // Pages 2 to 3 of 3: two sheets, numbered as in the whole report.
    fake.configurePrinter = [this](QPrinter& printer) {
        printer.setOutputFileName(path("range.pdf"));
        printer.setPrintRange(QPrinter::PageRange);
        printer.setFromTo(2, 3);
        return true;
    };
    ExportPresenter::print(makeRequest(result, QStringLiteral("left.txt"), QStringLiteral("right.txt")), nullptr);
    std::unique_ptr<Poppler::Document> range = readPdf(path("range.pdf"));
    ASSERT_TRUE(range);
    ASSERT_EQ(range->numPages(), 2);
    EXPECT_TRUE(pageText(*range, 0).contains(QStringLiteral("Page 2 of 3")));
    EXPECT_TRUE(pageText(*range, 0).contains(QStringLiteral("line 50")));
    EXPECT_TRUE(pageText(*range, 1).contains(QStringLiteral("Page 3 of 3")));
}

TEST_F(ExportTest, PrintingAlwaysShowsUnchangedLinesAndALongPrintToAFileCanBeStopped)
{
    const DiffResult collapsed = resultWithChange(40, 20, true);
    QPrinter printer(QPrinter::HighResolution);
    ExportPresenter::preparePrinter(printer, QStringLiteral("a"), QStringLiteral("b"));
    printer.setOutputFileName(path("collapsed.pdf"));
    EXPECT_EQ(ExportPresenter::printTo(printer, makeRequest(collapsed, QStringLiteral("a"), QStringLiteral("b"))),
              ExportPresenter::PrintOutcome::printed);
    std::unique_ptr<Poppler::Document> document = readPdf(path("collapsed.pdf"));
    ASSERT_TRUE(document);
    EXPECT_TRUE(pageText(*document, 0).contains(QStringLiteral("unchanged lines hidden")));
    EXPECT_GT(lineCells(*document, 0), 0);

    // Stopping a long print to a file leaves no half-written document, and a file that
    // was there stays as it was.
    fake.cancelProgress = true;
    const ReportRequest longRequest = makeRequest(unchangedResult(49 * 25), QStringLiteral("a"), QStringLiteral("b"));
    for (const char* name : {"long.pdf", "existing.pdf"}) {
        if (QByteArray(name) == "existing.pdf")
            writeFile(name, "keep me");
        QPrinter longPrinter(QPrinter::HighResolution);
        ExportPresenter::preparePrinter(longPrinter, QStringLiteral("a"), QStringLiteral("b"));
        longPrinter.setOutputFileName(path(name));
        EXPECT_EQ(ExportPresenter::printTo(longPrinter, longRequest), ExportPresenter::PrintOutcome::cancelled);
        EXPECT_EQ(longPrinter.outputFileName(), path(name));
    }
    EXPECT_EQ(fake.progressTitles, (QStringList{QStringLiteral("Print"), QStringLiteral("Print")}));
    EXPECT_FALSE(QFile::exists(path("long.pdf")));
    EXPECT_EQ(fileBytes(path("existing.pdf")), "keep me");
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden),
              (QStringList{QStringLiteral("collapsed.pdf"), QStringLiteral("existing.pdf")}));

    // A file that cannot be written is a failure, said in an alert with the reason; root
    // cannot write under a file either.
    fake.cancelProgress = false;
    writeFile("notes.txt", "text");
    printTo(path("notes.txt/out.pdf"), collapsed);
    EXPECT_TRUE(failedToWrite(path("notes.txt/out.pdf"), QStringLiteral("Print Failed")));
    EXPECT_TRUE(alerts.alerts.back().text.endsWith(QStringLiteral(": Not a directory.")));
}
