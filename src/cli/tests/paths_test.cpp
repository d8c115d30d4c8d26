// SPDX-License-Identifier: GPL-3.0-or-later

// Which file a path names, how names reach the terminal, and where a report may go.
#include "cli/tests/clitest.h"

#include <QDir>
#include <QFile>
#include <QProcessEnvironment>

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

using varnel::testing::CliTest;
using varnel::testing::Outcome;
using varnel::testing::RunOptions;

namespace {

class PathsTest : public CliTest {
protected:
    // The tool run by a shell line in the test's folder, for redirections; the line sees
    // it as "$CLI".
    Outcome runShell(const QString& line, std::function<void()> childSetUp = nullptr)
    {
        RunOptions options;
        options.program = QStringLiteral("/bin/sh");
        options.folder = m_dir.path();
        options.childSetUp = std::move(childSetUp);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("CLI"), QStringLiteral(VARNEL_CLI_PATH));
        options.environment = environment;
        return runWith({QStringLiteral("-c"), line}, options);
    }
};

} // namespace

// "w/link/.." is the link target's parent, for reading and for the report's refusal.
TEST_F(PathsTest, DotsAfterALinkNameTheSystemsFile)
{
    ASSERT_TRUE(QDir(m_dir.path()).mkpath("w") && QDir(m_dir.path()).mkpath("real/inner"));
    write("w/a.txt", "same\n");
    write("w/b.txt", "same\n");
    write("real/a.txt", "other\n");
    const QString input = write("real/real.txt", "left\n");
    ASSERT_TRUE(QFile::link(m_dir.filePath("real/inner"), m_dir.filePath("w/link")));

    const Outcome diff = run({"diff", "--stat", "w/link/../a.txt", "w/b.txt"}, {}, m_dir.path());
    EXPECT_EQ(diff.exitCode, 1) << diff.err.toStdString();
    EXPECT_EQ(diff.out, "added=0 removed=0 modified=1\n");

    const Outcome report = run({"report", "-o", "real/real.txt", "w/link/../real.txt", "w/b.txt"}, {}, m_dir.path());
    EXPECT_EQ(report.exitCode, 2);
    EXPECT_EQ(report.err, "The report \"real/real.txt\" would replace one of the files being compared.\n");
    EXPECT_EQ(contents(input), "left\n");
}

// A name with escape sequences in it is shown escaped, never obeyed.
TEST_F(PathsTest, NamesCannotActOnTheTerminal)
{
    const QString name = QStringLiteral("t\x1b]0;pwned\x07\x1b[2J\u202e\u0085.txt");
    const Outcome missing = run({"diff", name, write("b.txt", "b\n")}, {}, m_dir.path());
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_EQ(missing.err, "The file \"t\\x1b]0;pwned\\x07\\x1b[2J\\u202e\\u0085.txt\" could not be read: "
                           "No such file or directory.\n");
    const Outcome unknown = run({"\x1b[2J"});
    EXPECT_TRUE(unknown.err.startsWith("Unknown command \"\\x1b[2J\".\n")) << unknown.err.toStdString();
}

// A target naming a descriptor is written through it: appended to ">> log.txt", not
// renamed over it.
TEST_F(PathsTest, ReportToAnOpenDescriptorWritesThroughIt)
{
    write("a.txt", "a\n");
    write("b.txt", "b\n");
    const QString log = write("log.txt", "before\n");
    for (const QString& target : {QStringLiteral("/dev/stdout"), QStringLiteral("/proc/self/fd/1")}) {
        const Outcome appended = runShell("\"$CLI\" report -o " + target + " a.txt b.txt >> log.txt");
        EXPECT_EQ(appended.exitCode, 0) << appended.err.toStdString();
    }
    const Outcome third = runShell("\"$CLI\" report -o /dev/fd/3 a.txt b.txt 3>>log.txt");
    EXPECT_EQ(third.exitCode, 0) << third.err.toStdString();
    const QByteArray written = contents(log);
    EXPECT_TRUE(written.startsWith("before\n%PDF-"));
    EXPECT_EQ(written.count("%PDF-"), 3);

    const Outcome closed = runShell("\"$CLI\" report -o /dev/fd/7 a.txt b.txt");
    EXPECT_EQ(closed.exitCode, 2);
    EXPECT_EQ(closed.err, "The report \"/dev/fd/7\" could not be written: Bad file descriptor.\n");
}

// As the shell's ">" does: a file the user may not write is refused, and kept. Root may
// write it, so the tool runs as "nobody" when the tests run as root.
TEST_F(PathsTest, AReportTheUserMayNotWriteIsRefused)
{
    ASSERT_EQ(::chmod(QFile::encodeName(m_dir.path()).constData(), 0777), 0);
    write("a.txt", "a\n");
    write("b.txt", "b\n");
    const QString locked = write("locked.pdf", "keep me");
    ASSERT_EQ(::chmod(QFile::encodeName(locked).constData(), 0444), 0);
    const bool root = ::geteuid() == 0;
    const Outcome refused = runShell("HOME=$PWD exec \"$CLI\" report -o locked.pdf a.txt b.txt", [root] {
        if (root && (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(99);
    });
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_EQ(refused.err, "The report \"locked.pdf\" could not be written: Permission denied.\n");
    EXPECT_EQ(contents(locked), "keep me");
}

// Started with standard output closed, output fails as it would on any closed
// descriptor, instead of "succeeding" into whatever took descriptor 1.
TEST_F(PathsTest, AClosedStandardOutputIsAFailure)
{
    write("abc.txt", "abc\n"); // ["abc"] and a newline: eight bytes
    const Outcome closed = runShell("exec \"$CLI\" lines abc.txt >&-");
    EXPECT_EQ(closed.exitCode, 2);
    EXPECT_EQ(closed.err, "Standard output could not be written: Bad file descriptor.\n");
}
