// SPDX-License-Identifier: GPL-3.0-or-later

// Drives the real varnel-cli binary: its output forms and exit codes are a contract.
#include "cli/tests/clitest.h"
#include "readers/filekinds.h"
#include "readers/tests/ziptestutil.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>

using varnel::FileKind;
using varnel::fileKinds;
using varnel::kLanguages;
using varnel::LanguageName;
using varnel::testing::CliTest;
using varnel::testing::Outcome;
using varnel::testing::RunOptions;

TEST_F(CliTest, DiffListsEveryRowAndExitsOneOnChanges)
{
    const QString left = write("left.txt", "a\nb\nc\n");
    const QString right = write("right.txt", "a\nB\nc\nd\n");
    const Outcome result = run({"diff", left, right});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, "  1 1 a\n"
                          "\xE2\x88\x92 2   b\n"
                          "+   2 B\n"
                          "  3 3 c\n"
                          "+   4 d\n");
    EXPECT_TRUE(result.err.isEmpty());
}

TEST_F(CliTest, DiffJsonHasTheDocumentedShape)
{
    QByteArray many;
    for (int i = 1; i <= 12; ++i)
        many += QByteArray::number(i) + '\n';
    QByteArray changed = many;
    changed.replace("12\n", "twelve \"quoted\"\t\\\n");
    const Outcome result = run({"diff", "--collapse", "--json", write("l.txt", many), write("r.txt", changed)});
    EXPECT_EQ(result.exitCode, 1);
    const QJsonObject object = QJsonDocument::fromJson(result.out).object();
    EXPECT_EQ(object.value("addedCount").toInt(), 0);
    EXPECT_EQ(object.value("removedCount").toInt(), 0);
    EXPECT_EQ(object.value("modifiedCount").toInt(), 1);
    const QJsonArray lines = object.value("lines").toArray();
    ASSERT_EQ(lines.size(), 6);
    EXPECT_EQ(lines[0].toObject(),
              (QJsonObject{{"type", "collapsed"}, {"left", 1}, {"right", 1}, {"content", ""}, {"hiddenCount", 8}}));
    EXPECT_EQ(lines[1].toObject(), (QJsonObject{{"type", "unchanged"}, {"left", 9}, {"right", 9}, {"content", "9"}}));
    EXPECT_EQ(lines[4].toObject(),
              (QJsonObject{{"type", "removed"}, {"left", 12}, {"right", QJsonValue::Null}, {"content", "12"}}));
    EXPECT_EQ(lines[5].toObject(),
              (QJsonObject{
                  {"type", "added"}, {"left", QJsonValue::Null}, {"right", 12}, {"content", "twelve \"quoted\"\t\\"}}));
}

TEST_F(CliTest, DiffJsonAddsHowEachTextFileWasWritten)
{
    const Outcome result = run({"diff", "--json", write("l.txt", "\xEF\xBB\xBFx\r\ny"), write("r.txt", "x\ny\n")});
    EXPECT_EQ(result.exitCode, 0);
    const QJsonObject object = QJsonDocument::fromJson(result.out).object();
    // Every key there was before, and "files".
    EXPECT_EQ(object.keys(), (QStringList{"addedCount", "files", "lines", "modifiedCount", "removedCount"}));
    const QJsonObject files = object.value("files").toObject();
    EXPECT_EQ(files.value("left").toObject(), (QJsonObject{{"encoding", "utf-8"},
                                                           {"byteOrderMark", true},
                                                           {"lineEnds", "crlf"},
                                                           {"finalNewline", false},
                                                           {"otherLineEnds", QJsonArray()}}));
    EXPECT_EQ(files.value("right").toObject(), (QJsonObject{{"encoding", "utf-8"},
                                                            {"byteOrderMark", false},
                                                            {"lineEnds", "lf"},
                                                            {"finalNewline", true},
                                                            {"otherLineEnds", QJsonArray()}}));
    EXPECT_EQ(files.value("unicodeFormsDiffer"), false);

    // Files that compare equal and still differ: a form feed for a newline, Windows-1252
    // punctuation, NFC against NFD.
    const QJsonObject fromFeed =
        QJsonDocument::fromJson(run({"diff", "--json", write("ff.txt", "x\fy\n"), write("nl.txt", "x\ny\n")}).out)
            .object()
            .value("files")
            .toObject();
    EXPECT_EQ(fromFeed["left"]["otherLineEnds"].toArray(), QJsonArray{"ff"});
    const Outcome windows =
        run({"diff", "--json", write("w.txt", "\x93x\x94\n"), write("u.txt", "\xE2\x80\x9Cx\xE2\x80\x9D\n")});
    EXPECT_EQ(windows.exitCode, 0);
    EXPECT_EQ(QJsonDocument::fromJson(windows.out)["files"]["left"]["encoding"], "windows-1252");
}

// Lines equal only under canonical equivalence: the listing shows the right file's line, as
// the inline view does, and JSON adds the right one only where it differs.
TEST_F(CliTest, DiffShowsEachFilesOwnBytesOfEqualLines)
{
    const QString left = write("l.txt", "caf\xC3\xA9\nsame\n");
    const QString right = write("r.txt", "cafe\xCC\x81\nsame\n");
    EXPECT_EQ(run({"diff", left, right}).out, "  1 1 cafe\xCC\x81\n  2 2 same\n");
    const QJsonArray lines =
        QJsonDocument::fromJson(run({"diff", "--json", left, right}).out).object().value("lines").toArray();
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0]["content"], QStringLiteral("caf\u00E9"));
    EXPECT_EQ(lines[0]["rightContent"], QStringLiteral("cafe\u0301"));
    EXPECT_FALSE(lines[1].toObject().contains("rightContent"));
    EXPECT_EQ(
        QJsonDocument::fromJson(run({"diff", "--json", "--collapse", left, right}).out)["files"]["unicodeFormsDiffer"],
        true);
}

TEST_F(CliTest, StatAndIdenticalFiles)
{
    const QString left = write("a.txt", "x\r\ny\r\n");
    EXPECT_EQ(run({"diff", "--stat", left, write("b.txt", "x\ny\n")}).out, "added=0 removed=0 modified=0\n");
    EXPECT_EQ(run({"diff", "--stat", left, write("b.txt", "x\ny\n")}).exitCode, 0);
    const Outcome changed = run({"diff", "--stat", left, write("c.txt", "y\nz\nw\n")});
    EXPECT_EQ(changed.out, "added=2 removed=1 modified=0\n");
    EXPECT_EQ(changed.exitCode, 1);
    EXPECT_EQ(run({"diff", left, left}).out, "  1 1 x\n  2 2 y\n");
}

TEST_F(CliTest, ErrorsGoToStderrWithExitTwo)
{
    const QString present = write("present.txt", "a\n");
    const Outcome missing = run({"diff", present, m_dir.filePath("notes.txt")});
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_TRUE(missing.out.isEmpty());
    EXPECT_EQ(missing.err, "The file \"notes.txt\" could not be read: No such file or directory.\n");

    EXPECT_EQ(run({"diff", present}).exitCode, 2);
    EXPECT_EQ(run({"diff", "--json", "--stat", present, present}).exitCode, 2);
    EXPECT_EQ(run({"diff", "--bogus", present, present}).exitCode, 2);
    EXPECT_EQ(run({"frobnicate"}).exitCode, 2);
    EXPECT_EQ(run({}).exitCode, 2);
    EXPECT_EQ(run({"lines", m_dir.path()}).exitCode, 2);
}

TEST_F(CliTest, LinesPrintsAJsonArray)
{
    const Outcome result = run({"lines", write("latin1.txt", "caf\xE9\r\n\"q\"\n\n")});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, "[\"caf\xC3\xA9\",\"\\\"q\\\"\",\"\"]\n");
    EXPECT_EQ(run({"lines", write("empty.txt", "")}).out, "[]\n");
}

// "link/.." goes up from where the link leads, as the system resolves it.
TEST_F(CliTest, DotsAfterALinkAreLeftToTheSystem)
{
    ASSERT_TRUE(QDir(m_dir.path()).mkpath("deep/inner"));
    write("deep/t.txt", "deep\n");
    write("t.txt", "top\n");
    ASSERT_TRUE(QFile::link(m_dir.filePath("deep/inner"), m_dir.filePath("link")));
    EXPECT_EQ(run({"lines", "link/../t.txt"}, {}, m_dir.path()).out, "[\"deep\"]\n");
    const Outcome report = run({"report", "-o", "deep/t.txt", "link/../t.txt", "t.txt"}, {}, m_dir.path());
    EXPECT_EQ(report.err, "The report \"deep/t.txt\" would replace one of the files being compared.\n");
}

TEST_F(CliTest, HelpAndVersion)
{
    const Outcome help = run({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.contains("diff [--collapse] [--json | --stat] LEFT RIGHT"));
    for (const FileKind& kind : fileKinds()) // the readers' table, word for word
        EXPECT_TRUE(help.out.contains(' ' + QString::fromUtf16(kind.extension).toUtf8() + '\n') ||
                    help.out.contains(' ' + QString::fromUtf16(kind.extension).toUtf8() + ' '));
    const QByteArray languages = run({"highlight", "--help"}).out;
    for (const LanguageName& language : kLanguages)
        EXPECT_TRUE(languages.contains(QString::fromUtf16(language.name).toUtf8()));
    EXPECT_EQ(run({"diff", "--help"}).exitCode, 0);
    // Each command's usage names the command, so that it can be copied as it stands.
    const QString left = write("l.txt", "a\n");
    const QString right = write("r.txt", "b\n");
    const std::pair<const char*, QStringList> commands[] = {
        {"diff", {"--stat", left, right}},
        {"lines", {left}},
        {"highlight", {"--language", "json", "1"}},
        {"report", {"-o", m_dir.filePath("out.pdf"), left, right}},
    };
    for (const auto& [command, arguments] : commands) {
        const Outcome usage = run({command, "--help"});
        EXPECT_EQ(usage.exitCode, 0) << command;
        EXPECT_TRUE(usage.out.startsWith("Usage: varnel-cli " + QByteArray(command) + " [options]")) << command;
        EXPECT_LT(run(QStringList{command} + arguments).exitCode, 2) << command;
    }
    const Outcome version = run({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_TRUE(version.out.startsWith("varnel-cli "));
}

TEST_F(CliTest, LinesReadsDocxAndRefusesUnsupportedTypes)
{
    using namespace varnel::testing;
    const QByteArray document = documentXml("<w:p><w:r><w:t>Title</w:t></w:r></w:p><w:p/>"
                                            "<w:p><w:r><w:t>Body &amp; more</w:t></w:r></w:p>");
    const Outcome docx = run({"lines", write("report.docx", buildZip({{"word/document.xml", document}}))});
    EXPECT_EQ(docx.exitCode, 0);
    EXPECT_EQ(docx.out, "[\"Title\",\"Body & more\"]\n");

    const Outcome broken = run({"lines", write("broken.docx", "not a zip archive at all, just text")});
    EXPECT_EQ(broken.exitCode, 2);
    EXPECT_EQ(broken.err, "The file does not appear to be a valid DOCX document.\n");

    // Any name holding text is read as text; a binary file or a folder is refused.
    const Outcome unsupported = run({"lines", write("data.xyz", QByteArray("x\0y", 3))});
    EXPECT_EQ(unsupported.exitCode, 2);
    EXPECT_EQ(unsupported.err, "The file \"data.xyz\" looks like a binary file, not text.\n");
    EXPECT_EQ(run({"lines", write("Makefile", "all:")}).out, "[\"all:\"]\n");
    EXPECT_EQ(run({"diff", "--stat", write(".gitignore", "build/\n"), write("b.hpp", "build/\n")}).out,
              "added=0 removed=0 modified=0\n");
    const QString sub = QFileInfo(write("x.txt", "x")).path() + "/sub";
    ASSERT_TRUE(QDir().mkpath(sub));
    const Outcome folder = run({"lines", sub});
    EXPECT_EQ(folder.exitCode, 2);
    EXPECT_EQ(folder.err, "\"sub\" is a folder. Varnel compares two files, not folders.\n");

    // A file that cannot be opened as a PDF is an error, never a document without lines.
    const Outcome pdf = run({"lines", write("fake.pdf", "plain text")});
    EXPECT_EQ(pdf.exitCode, 2);
    EXPECT_EQ(pdf.err, "The file \"fake.pdf\" could not be opened as a PDF.\n");
}

TEST_F(CliTest, HighlightPrintsRunsPerLine)
{
    const Outcome python = run({"highlight", "--language", "python", "def f(): # hi", ""});
    EXPECT_EQ(python.exitCode, 0);
    EXPECT_EQ(python.out, "[[{\"text\":\"def\",\"role\":\"keyword\"},{\"text\":\" f(): \",\"role\":null},"
                          "{\"text\":\"# hi\",\"role\":\"comment\"}],[]]\n");

    const Outcome json = run({"highlight", "--file", "data.JSON"}, "{\"k\": \"v\\u00e9\"}\r\n2\n");
    EXPECT_EQ(json.exitCode, 0);
    const QJsonArray lines = QJsonDocument::fromJson(json.out).array();
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0].toArray()[1].toObject(), (QJsonObject{{"text", "\"k\":"}, {"role", "jsonKey"}}));
    EXPECT_EQ(lines[1].toArray()[0].toObject(), (QJsonObject{{"text", "2"}, {"role", "number"}}));

    EXPECT_EQ(run({"highlight", "--file", "notes.txt", "if x"}).out, "[[{\"text\":\"if x\",\"role\":null}]]\n");
    EXPECT_EQ(run({"highlight", "--language", "cobol", "x"}).exitCode, 2);
    EXPECT_EQ(run({"highlight", "x"}).exitCode, 2);
    EXPECT_EQ(run({"highlight", "--language", "xml", "--file", "a.xml"}).exitCode, 2);
}

TEST_F(CliTest, DiffComparesOnlyFilesOfTheSameKind)
{
    const QString text = write("notes.txt", "a\n");
    const Outcome mixed = run({"diff", write("report.pdf", "%PDF-1.4"), text});
    EXPECT_EQ(mixed.exitCode, 2);
    EXPECT_EQ(mixed.err, "Cannot compare a PDF file with a text file. Please drop two files of the same type.\n");
    EXPECT_EQ(run({"diff", write("a.docx", "x"), text}).err,
              "Cannot compare a Word file with a text file. Please drop two files of the same type.\n");
    // Text by its content, and a binary file refused before the kinds are matched.
    EXPECT_EQ(run({"diff", write("Makefile", "x"), write("GNUmakefile", "x")}).exitCode, 0);
    EXPECT_EQ(run({"diff", write("a.out", QByteArray("\0", 1)), write("b.pdf", "x")}).err,
              "The file \"a.out\" looks like a binary file, not text.\n");

    using namespace varnel::testing;
    const QString left =
        write("l.docx", buildZip({{"word/document.xml", documentXml("<w:p><w:r><w:t>One</w:t></w:r></w:p>")}}));
    const QString right =
        write("r.docx", buildZip({{"word/document.xml", documentXml("<w:p><w:r><w:t>Two</w:t></w:r></w:p>")}}));
    const Outcome docx = run({"diff", "--stat", left, right});
    EXPECT_EQ(docx.exitCode, 1);
    EXPECT_EQ(docx.out, "added=0 removed=0 modified=1\n");
    EXPECT_EQ(run({"diff", left, write("broken.docx", "zzz")}).err,
              "The file does not appear to be a valid DOCX document.\n");
}

TEST_F(CliTest, ReportWritesAPdfAtomically)
{
    const QString left = write("old.txt", "a\nb\nc\n");
    const QString right = write("new.txt", "a\nB\nc\n");
    const Outcome made = run({"report", left, right}, {}, m_dir.path());
    EXPECT_EQ(made.exitCode, 0) << made.err.toStdString();
    EXPECT_TRUE(made.err.isEmpty()) << made.err.toStdString(); // no diagnostics from Qt
    QFile pdf(m_dir.filePath("old.txt vs new.txt.pdf"));
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    EXPECT_TRUE(pdf.readAll().startsWith("%PDF-"));

    const QString target = m_dir.filePath("chosen.pdf");
    EXPECT_EQ(run({"report", "--changes-only", "--all-context", "-o", target, left, right}).exitCode, 0);
    EXPECT_TRUE(QFile::exists(target));

    // A folder that cannot take the file: a clear error, and the old report stays.
    const Outcome failed = run({"report", "-o", m_dir.filePath("missing/dir/r.pdf"), left, right});
    EXPECT_EQ(failed.exitCode, 2);
    EXPECT_TRUE(failed.err.startsWith("The report \"" + m_dir.filePath("missing/dir/r.pdf").toUtf8() +
                                      "\" could not be written: "))
        << failed.err.toStdString();
    // A write cut short (here by a file size limit, which binds root as well as anyone):
    // the reason, and the old report stays byte for byte with nothing left beside it.
    const QString existing = write("existing.pdf", "keep me");
    const QStringList before = QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden);
    RunOptions limited;
    limited.childSetUp = [] {
        std::signal(SIGXFSZ, SIG_IGN); // the write fails with EFBIG instead of ending the process
        rlimit small{};
        ::getrlimit(RLIMIT_FSIZE, &small);
        small.rlim_cur = 1024;
        ::setrlimit(RLIMIT_FSIZE, &small);
    };
    const Outcome blocked = runWith({"report", "-o", existing, left, right}, limited);
    EXPECT_EQ(blocked.exitCode, 2);
    EXPECT_EQ(blocked.err, "The report \"" + existing.toUtf8() + "\" could not be written: File too large.\n");
    EXPECT_EQ(contents(existing), "keep me");
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden), before);

    EXPECT_EQ(run({"report", write("a.pdf", "x"), left}).err,
              "Cannot compare a PDF file with a text file. Please drop two files of the same type.\n");
}
