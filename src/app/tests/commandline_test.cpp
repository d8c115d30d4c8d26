// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/commandline.h"
#include "core/nativepath.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QUrl>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace varnel;

namespace {

class CommandLineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* name : {"a.txt", "b.txt", "-dash.txt"}) {
            QFile file(folder.filePath(QString::fromLatin1(name)));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        }
    }
    CommandLine parse(const QStringList& arguments) const { return parseCommandLine(arguments, folder.path()); }
    QString path(const QString& name) const { return folder.filePath(name); }

    QTemporaryDir folder;
};

TEST_F(CommandLineTest, FilesAreMadeAbsoluteInOrder)
{
    const CommandLine none = parse({});
    EXPECT_EQ(none.action, CommandLine::Action::open);
    EXPECT_TRUE(none.files.isEmpty());
    EXPECT_FALSE(none.wait);

    const CommandLine two = parse({"b.txt", path("a.txt")});
    EXPECT_EQ(two.action, CommandLine::Action::open);
    EXPECT_EQ(two.files, QStringList({path("b.txt"), path("a.txt")}));

    const CommandLine wait = parse({"a.txt", "--wait", "b.txt"});
    EXPECT_TRUE(wait.wait);
    EXPECT_EQ(wait.files, QStringList({path("a.txt"), path("b.txt")}));

    // After "--" a name starting with a dash is a file; a file: URL is a path.
    const CommandLine dashed = parse({"--", "-dash.txt", "--wait"});
    EXPECT_FALSE(dashed.wait);
    ASSERT_EQ(dashed.action, CommandLine::Action::error); // "--wait" is a file now, and missing
    const CommandLine benchmark = parse({"--benchmark-first-paint", "a.txt", "b.txt"});
    EXPECT_TRUE(benchmark.benchmarkFirstPaint);
    EXPECT_EQ(benchmark.files, QStringList({path("a.txt"), path("b.txt")}));
    EXPECT_FALSE(two.benchmarkFirstPaint);
    const CommandLine url = parse({QUrl::fromLocalFile(path("a.txt")).toString()});
    EXPECT_EQ(url.files, QStringList({path("a.txt")}));

    // Labels, as GNU diff takes them, in either spelling; a label may look like an option.
    const CommandLine labelled = parse({"--label", "src/a.txt (old)", "a.txt", "--label=-b-", "b.txt"});
    EXPECT_EQ(labelled.labels, QStringList({"src/a.txt (old)", "-b-"}));
    EXPECT_EQ(labelled.files, QStringList({path("a.txt"), path("b.txt")}));
    EXPECT_TRUE(two.labels.isEmpty());
    EXPECT_EQ(parse({"a.txt", "--label"}).exitCode, 2);
    EXPECT_EQ(parse({"--label", "1", "--label", "2", "--label=3"}).exitCode, 2);
}

TEST_F(CommandLineTest, HelpVersionAndErrors)
{
    EXPECT_EQ(parse({"--help"}).action, CommandLine::Action::help);
    EXPECT_EQ(parse({"-h", "missing.txt"}).action, CommandLine::Action::help); // help wins
    EXPECT_EQ(parse({"--version"}).action, CommandLine::Action::version);
    EXPECT_EQ(parse({"-v", "--help"}).action, CommandLine::Action::help);

    const CommandLine unknown = parse({"a.txt", "--frobnicate"});
    EXPECT_EQ(unknown.action, CommandLine::Action::error);
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_EQ(unknown.error, "varnel: unknown option '--frobnicate'");
    EXPECT_EQ(parse({"--\x1b[2J"}).error, "varnel: unknown option '--\\x1b[2J'");
    EXPECT_EQ(parse({"-style", "fusion"}).exitCode, 2); // no toolkit options

    const CommandLine missing = parse({"a.txt", "gone.txt"});
    EXPECT_EQ(missing.action, CommandLine::Action::error);
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(missing.error, QStringLiteral("varnel: cannot open '%1': No such file").arg(path("gone.txt")));
    // A folder (what `git difftool -d` passes) gets what to run instead.
    EXPECT_TRUE(parse({"."}).error.contains("It is a folder. Varnel compares two files, not folders; with git, "
                                            "run git difftool without -d"));
    EXPECT_EQ(parse({"."}).exitCode, 1);
    EXPECT_TRUE(commandLineUsage().startsWith("Usage: varnel [--wait] [--label LABEL]... [FILE...]\n"));
    EXPECT_FALSE(commandLineUsage().contains("benchmark")); // for the benchmarks alone
}

// Names are bytes: one that is not UTF-8 is found by its bytes, and "link/.." is left for
// the system, which goes up from where the link leads, not from the link's folder.
TEST_F(CommandLineTest, PathsKeepTheirBytesAndTheirDots)
{
    const QByteArray folderBytes = nativePath(folder.path());
    const QByteArray latin1 = folderBytes + "/caf\xE9.txt";
    const int fd = ::open(latin1.constData(), O_WRONLY | O_CREAT | O_EXCL, 0600);
    ASSERT_GE(fd, 0);
    ::close(fd);
    const CommandLine named = parse({pathFromNative("caf\xE9.txt")});
    ASSERT_EQ(named.action, CommandLine::Action::open) << named.error.toStdString();
    ASSERT_EQ(named.files.size(), 1);
    EXPECT_EQ(nativePath(named.files[0]), latin1);
    EXPECT_EQ(nativePath(parse({fileUrl(pathFromNative(latin1)).toString()}).files.value(0)), latin1);

    ASSERT_TRUE(QDir(folder.path()).mkpath("deep/inner"));
    ASSERT_TRUE(QFile(path("deep/t.txt")).open(QIODevice::WriteOnly));
    ASSERT_TRUE(QFile::link(path("deep/inner"), path("link")));
    const CommandLine dotted = parse({"link/../t.txt"});
    ASSERT_EQ(dotted.action, CommandLine::Action::open) << dotted.error.toStdString();
    EXPECT_EQ(dotted.files, QStringList{folder.path() + "/link/../t.txt"});
    EXPECT_EQ(parse({"link/../a.txt"}).action, CommandLine::Action::error); // a.txt is not in deep/
}

struct Outcome {
    int exitCode;
    QString out;
    QString err;
};

Outcome run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    // No display at all: none of these needs a window.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QString::fromLatin1(name));
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    EXPECT_TRUE(process.waitForFinished(30000));
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

TEST(VarnelProgram, TheVersionComesFromOnePlace)
{
    const Outcome window = run(QStringLiteral(VARNEL_EXECUTABLE), {"--version"});
    EXPECT_EQ(window.exitCode, 0);
    EXPECT_EQ(window.out, "varnel " VARNEL_PROJECT_VERSION "\n");
    const Outcome cli = run(QStringLiteral(VARNEL_CLI_EXECUTABLE), {"--version"});
    EXPECT_EQ(cli.exitCode, 0);
    EXPECT_EQ(cli.out, "varnel-cli " VARNEL_PROJECT_VERSION "\n");
}

TEST(VarnelProgram, AnswersWithoutADisplay)
{
    const Outcome help = run(QStringLiteral(VARNEL_EXECUTABLE), {"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.contains("--wait"));
    const Outcome unknown = run(QStringLiteral(VARNEL_EXECUTABLE), {"--nope"});
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_TRUE(unknown.err.startsWith("varnel: unknown option '--nope'\nUsage: varnel"));
    EXPECT_TRUE(unknown.out.isEmpty());
    const Outcome missing = run(QStringLiteral(VARNEL_EXECUTABLE), {"/nonexistent/left.txt", "/nonexistent/right.txt"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(missing.err, "varnel: cannot open '/nonexistent/left.txt': No such file\n");
}

} // namespace
