// SPDX-License-Identifier: GPL-3.0-or-later

// varnel-cli meets hostile and unlucky inputs: devices, FIFOs, missing and locked
// documents, names that are not UTF-8, full disks, too little memory, and report targets
// that must not be destroyed.
#include "cli/tests/clitest.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcessEnvironment>

#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <future>

using varnel::testing::CliTest;
using varnel::testing::Outcome;
using varnel::testing::RunOptions;

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kUnderSanitizer = true; // its shadow memory does not fit under resource limits
#else
constexpr bool kUnderSanitizer = false;
#endif

bool isRoot()
{
    return ::geteuid() == 0;
}

// Runs varnel-cli through a shell line, for what QProcess cannot express: arguments that
// are not UTF-8, resource limits, ignored signals. The line sees the tool as "$CLI".
RunOptions throughShell(const QString& folder)
{
    RunOptions options;
    options.program = QStringLiteral("/bin/sh");
    options.folder = folder;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("CLI"), QStringLiteral(VARNEL_CLI_PATH));
    options.environment = environment;
    return options;
}

QStringList shell(const QString& line)
{
    return {QStringLiteral("-c"), line};
}

const QString kLocked = QStringLiteral(VARNEL_FIXTURES_DIR "/locked.pdf");

} // namespace

TEST_F(CliTest, OnlyRegularFilesAreRead)
{
    const QString text = write("a.txt", "a\n");
    const QString fifo = m_dir.filePath("pipe.txt");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const Outcome fromFifo = run({"diff", fifo, text}); // a FIFO without a writer: no hang
    EXPECT_EQ(fromFifo.exitCode, 2);
    EXPECT_EQ(fromFifo.err, "The file \"pipe.txt\" is not a regular file.\n");

    for (const char* name : {"zero.txt", "zero.docx", "zero.pdf"}) {
        const QString link = m_dir.filePath(name);
        ASSERT_TRUE(QFile::link("/dev/zero", link));
        const Outcome zero = run({"lines", link});
        EXPECT_EQ(zero.exitCode, 2);
        EXPECT_EQ(zero.err, QByteArray("The file \"") + name + "\" is not a regular file.\n");
    }
}

// A document that could not be read is an error, never an empty document: two missing
// or two locked PDFs would otherwise compare as identical.
TEST_F(CliTest, FailuresNeverReadAsNoChanges)
{
    const Outcome missing = run({"diff", m_dir.filePath("nothere1.pdf"), m_dir.filePath("nothere2.pdf")});
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_EQ(missing.err, "The file \"nothere1.pdf\" could not be read: No such file or directory.\n");
    EXPECT_TRUE(missing.out.isEmpty());

    const QString copy = m_dir.filePath("other.pdf");
    ASSERT_TRUE(QFile::copy(kLocked, copy));
    const Outcome locked = run({"diff", kLocked, copy});
    EXPECT_EQ(locked.exitCode, 2);
    EXPECT_EQ(locked.err, "The PDF \"locked.pdf\" is password-protected.\n");

    const QString unreadable = write("secret.docx", "PK");
    ASSERT_TRUE(QFile::setPermissions(unreadable, QFileDevice::WriteOwner));
    if (!isRoot()) { // root reads it anyway
        EXPECT_EQ(run({"lines", unreadable}).err, "The file \"secret.docx\" could not be read: Permission denied.\n");
    }
}

TEST_F(CliTest, FileNamesThatAreNotUtf8AreOpenedByTheirBytes)
{
    const QByteArray folder = QFile::encodeName(m_dir.path());
    const int fd = ::open((folder + "/caf\xE9.txt").constData(), O_WRONLY | O_CREAT | O_EXCL, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, "one\ntwo\n", 8), 8);
    ::close(fd);
    write("b.txt", "one\nthree\n");
    ASSERT_EQ(::symlink(QFile::encodeName(kLocked).constData(), (folder + "/caf\xE9.pdf").constData()), 0);

    const Outcome diff =
        runWith(shell("exec \"$CLI\" diff --stat \"$(printf 'caf\\351.txt')\" b.txt"), throughShell(m_dir.path()));
    EXPECT_EQ(diff.exitCode, 1) << diff.err.toStdString();
    EXPECT_EQ(diff.out, "added=0 removed=0 modified=1\n");

    const Outcome pdf = runWith(shell("exec \"$CLI\" lines \"$(printf 'caf\\351.pdf')\""), throughShell(m_dir.path()));
    EXPECT_EQ(pdf.exitCode, 2);
    EXPECT_EQ(pdf.err, "The PDF \"caf\xEF\xBF\xBD.pdf\" is password-protected.\n"); // U+FFFD for the byte

    // The default report name keeps the file's own bytes.
    const Outcome report =
        runWith(shell("exec \"$CLI\" report \"$(printf 'caf\\351.txt')\" b.txt"), throughShell(m_dir.path()));
    EXPECT_EQ(report.exitCode, 0) << report.err.toStdString();
    EXPECT_EQ(::access((folder + "/caf\xE9.txt vs b.txt.pdf").constData(), F_OK), 0);

    // QTemporaryDir cannot name these.
    for (const char* name : {"/caf\xE9.txt", "/caf\xE9.pdf", "/caf\xE9.txt vs b.txt.pdf"})
        ::unlink((folder + name).constData());
}

TEST_F(CliTest, StandardOutputWritesAreChecked)
{
    RunOptions full;
    full.outputFile = QStringLiteral("/dev/full");
    const Outcome lines = runWith({"lines", write("a.txt", "a\nb\n")}, full);
    EXPECT_EQ(lines.exitCode, 2);
    EXPECT_EQ(lines.err, "Standard output could not be written: No space left on device.\n");
    const Outcome diff = runWith({"diff", write("b.txt", "x\n"), m_dir.filePath("a.txt")}, full);
    EXPECT_EQ(diff.exitCode, 2); // not 1: the differences never reached anyone
    EXPECT_EQ(runWith({"--help"}, full).exitCode, 2);
}

TEST_F(CliTest, ReportCreatesNothingButItsOutput)
{
    QTemporaryDir temporary;
    RunOptions options;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove("XDG_RUNTIME_DIR");
    environment.insert("TMPDIR", temporary.path());
    options.environment = environment;
    const Outcome made =
        runWith({"report", "-o", m_dir.filePath("out.pdf"), write("a.txt", "a\n"), write("b.txt", "b\n")}, options);
    EXPECT_EQ(made.exitCode, 0) << made.err.toStdString();
    EXPECT_EQ(QDir(temporary.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
              (QStringList{"a.txt", "b.txt", "out.pdf"}));
}

// Over ssh the environment may name a display platform with no display behind it: the
// report never needs one, and whatever Qt says on the way reaches standard error.
TEST_F(CliTest, ReportNeedsNoDisplayWhateverThePlatformSays)
{
    RunOptions options;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove("DISPLAY");
    environment.remove("WAYLAND_DISPLAY");
    environment.insert("QT_QPA_PLATFORM", "xcb");
    options.environment = environment;
    const Outcome made =
        runWith({"report", "-o", m_dir.filePath("out.pdf"), write("a.txt", "a\n"), write("b.txt", "b\n")}, options);
    EXPECT_EQ(made.exitCode, 0) << made.err.toStdString();
    EXPECT_FALSE(made.crashed);
    EXPECT_TRUE(QFile::exists(m_dir.filePath("out.pdf")));
}

// The default name of two long names is shortened to what a folder takes.
TEST_F(CliTest, ReportDefaultNamesFitTheFileSystem)
{
    const QString left = QString(140, u'l') + QStringLiteral(".txt");
    const QString right = QString(140, u'r') + QStringLiteral(".txt");
    write(left, "a\n");
    write(right, "b\n");
    const Outcome report = run({"report", left, right}, {}, m_dir.path());
    EXPECT_EQ(report.exitCode, 0) << report.err.toStdString();
    const QStringList pdfs = QDir(m_dir.path()).entryList({QStringLiteral("*.pdf")}, QDir::Files | QDir::Hidden);
    ASSERT_EQ(pdfs.size(), 1);
    EXPECT_LE(pdfs[0].toUtf8().size(), 255);
    EXPECT_TRUE(pdfs[0].startsWith(u'l') && pdfs[0].endsWith(QStringLiteral("r.txt.pdf")));
}

// Every name up to the 255 bytes a folder takes is written, the default one and one
// given with -o alike, whatever the temporary file beside it is called.
TEST_F(CliTest, ReportNamesOfUpTo255BytesAreWritten)
{
    const QString right = write("b.txt", "b\n");
    for (int bytes = 247; bytes <= 255; ++bytes) {
        const QString left = QString(bytes - 17, u'a') + ".txt"; // "LEFT vs b.txt.pdf"
        write(left, "a\n");
        const Outcome named = run({"report", left, "b.txt"}, {}, m_dir.path());
        EXPECT_EQ(named.exitCode, 0) << bytes << ": " << named.err.toStdString();
        EXPECT_TRUE(contents(m_dir.filePath(left + " vs b.txt.pdf")).startsWith("%PDF-")) << bytes;
        const QString given = m_dir.filePath(QString(bytes - 4, u'o') + ".pdf");
        const Outcome output = run({"report", "-o", given, m_dir.filePath(left), right});
        EXPECT_EQ(output.exitCode, 0) << bytes << ": " << output.err.toStdString();
        EXPECT_TRUE(contents(given).startsWith("%PDF-")) << bytes;
    }
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1 + 3 * 9); // no temporary left
}

// A report never replaces a compared file (through any link) nor a device or FIFO, which
// it writes in place instead.
TEST_F(CliTest, ReportTargetsAreCheckedBeforeWriting)
{
    const QString left = write("left.txt", "a\nb\n");
    const QString right = write("right.txt", "a\nc\n");
    const QString symlink = m_dir.filePath("link.pdf");
    const QString hardLink = m_dir.filePath("hard.pdf");
    ASSERT_TRUE(QFile::link(left, symlink));
    ASSERT_EQ(::link(QFile::encodeName(right).constData(), QFile::encodeName(hardLink).constData()), 0);
    for (const QString& target : {left, symlink, hardLink}) {
        const Outcome refused = run({"report", "-o", target, left, right});
        EXPECT_EQ(refused.exitCode, 2);
        EXPECT_EQ(refused.err,
                  "The report \"" + target.toUtf8() + "\" would replace one of the files being compared.\n");
    }
    EXPECT_EQ(contents(left), "a\nb\n");
    EXPECT_EQ(contents(right), "a\nc\n");
    EXPECT_TRUE(QFileInfo(symlink).isSymLink());

    // "-" is standard output.
    const Outcome toStdout = run({"report", "-o", "-", left, right});
    EXPECT_EQ(toStdout.exitCode, 0);
    EXPECT_TRUE(toStdout.out.startsWith("%PDF-"));

    // A FIFO is written into, and stays a FIFO.
    const QString fifo = m_dir.filePath("fifo.pdf");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    std::future<Outcome> writer = std::async(std::launch::async, [&] {
        return run({"report", "-o", fifo, left, right});
    });
    QFile reader(fifo);
    ASSERT_TRUE(reader.open(QIODevice::ReadOnly)); // waits for the writer
    EXPECT_TRUE(reader.readAll().startsWith("%PDF-"));
    EXPECT_EQ(writer.get().exitCode, 0);
    struct stat status {};
    ASSERT_EQ(::stat(QFile::encodeName(fifo).constData(), &status), 0);
    EXPECT_TRUE(S_ISFIFO(status.st_mode));

    // Device nodes of our own, like /dev/null and /dev/full (making them needs root).
    if (isRoot()) {
        const QByteArray null = QFile::encodeName(m_dir.filePath("null"));
        const QByteArray full = QFile::encodeName(m_dir.filePath("full"));
        ASSERT_EQ(::mknod(null.constData(), S_IFCHR | 0666, makedev(1, 3)), 0);
        ASSERT_EQ(::mknod(full.constData(), S_IFCHR | 0666, makedev(1, 7)), 0);
        EXPECT_EQ(run({"report", "-o", QString::fromUtf8(null), left, right}).exitCode, 0);
        const Outcome onFull = run({"report", "-o", QString::fromUtf8(full), left, right});
        EXPECT_EQ(onFull.exitCode, 2);
        EXPECT_EQ(onFull.err, "The report \"" + full + "\" could not be written: No space left on device.\n");
        for (const QByteArray& node : {null, full}) {
            ASSERT_EQ(::stat(node.constData(), &status), 0);
            EXPECT_TRUE(S_ISCHR(status.st_mode)) << node.toStdString();
        }
    }
}

// Failures give the system's reason and leave an existing report as it was. These hold
// for root too: no permission check is involved.
TEST_F(CliTest, ReportWriteFailuresGiveTheSystemsReason)
{
    const QString left = write("old.txt", "a\nb\n");
    const QString right = write("new.txt", "a\nc\n");
    const QString inFile = m_dir.filePath("old.txt/r.pdf");
    const Outcome notADirectory = run({"report", "-o", inFile, left, right});
    EXPECT_EQ(notADirectory.exitCode, 2);
    EXPECT_EQ(notADirectory.err, "The report \"" + inFile.toUtf8() + "\" could not be written: Not a directory.\n");

    // A file-size limit stops the write half way, as a full disk would.
    const QString existing = write("existing.pdf", "keep me");
    const QStringList before = QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    const Outcome tooBig =
        runWith(shell("trap '' XFSZ; exec prlimit --fsize=1000 \"$CLI\" report -o existing.pdf old.txt new.txt"),
                throughShell(m_dir.path()));
    EXPECT_EQ(tooBig.exitCode, 2);
    EXPECT_EQ(tooBig.err, "The report \"existing.pdf\" could not be written: File too large.\n");
    EXPECT_EQ(contents(existing), "keep me");
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), before);
}

// A name with escape sequences in it is shown escaped, never obeyed by the terminal.
TEST_F(CliTest, NamesCannotActOnTheTerminal)
{
    const Outcome missing = run({"lines", QStringLiteral("t\x1b]0;pwned\x07\x1b[2J\u202e.txt")}, {}, m_dir.path());
    EXPECT_EQ(missing.err,
              "The file \"t\\x1b]0;pwned\\x07\\x1b[2J\\u202e.txt\" could not be read: No such file or directory.\n");
}

// A target naming a descriptor is written through it, appending after ">> log.txt",
// never renamed over the file it leads to.
TEST_F(CliTest, ReportsToADescriptorGoThroughIt)
{
    write("a.txt", "a\n");
    write("b.txt", "b\n");
    const QString log = write("log.txt", "before\n");
    for (const char* line : {"\"$CLI\" report -o /dev/stdout a.txt b.txt >> log.txt",
                             "\"$CLI\" report -o /dev/fd/3 a.txt b.txt 3>>log.txt"})
        EXPECT_EQ(runWith(shell(line), throughShell(m_dir.path())).exitCode, 0) << line;
    EXPECT_TRUE(contents(log).startsWith("before\n%PDF-"));
    EXPECT_EQ(contents(log).count("%PDF-"), 2);
}

// As the shell's ">": a report the user may not write is refused and kept. Root may
// write it, so as root the tool runs as "nobody".
TEST_F(CliTest, AReportTheUserMayNotWriteIsRefused)
{
    ASSERT_EQ(::chmod(QFile::encodeName(m_dir.path()).constData(), 0777), 0);
    write("a.txt", "a\n");
    write("b.txt", "b\n");
    const QString locked = write("locked.pdf", "keep me");
    ASSERT_TRUE(QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::ReadOther));
    RunOptions options = throughShell(m_dir.path());
    options.childSetUp = [] {
        if (isRoot() && (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(99);
    };
    const Outcome refused = runWith(shell("HOME=$PWD exec \"$CLI\" report -o locked.pdf a.txt b.txt"), options);
    EXPECT_EQ(refused.err, "The report \"locked.pdf\" could not be written: Permission denied.\n");
    EXPECT_EQ(contents(locked), "keep me");
}

// Started with standard output closed, output fails as on any closed descriptor, instead
// of "succeeding" into whatever took descriptor 1 (eight bytes fit Qt's eventfd).
TEST_F(CliTest, AClosedStandardOutputIsAFailure)
{
    write("abc.txt", "abc\n"); // ["abc"] and a newline
    const Outcome closed = runWith(shell("exec \"$CLI\" lines abc.txt >&-"), throughShell(m_dir.path()));
    EXPECT_EQ(closed.exitCode, 2);
    EXPECT_EQ(closed.err, "Standard output could not be written: Bad file descriptor.\n");
}

// Running out of memory is a message, never an abort: a comparison that cannot fit is
// refused before reading, or before diffing once the lines are counted.
TEST_F(CliTest, TooLittleMemoryIsAMessageNotAnAbort)
{
    if (kUnderSanitizer)
        GTEST_SKIP() << "resource limits and the sanitizer's shadow memory do not mix";
    write("small.txt", "a\n");
    QFile big(m_dir.filePath("big.txt"));
    ASSERT_TRUE(big.open(QIODevice::WriteOnly));
    ASSERT_TRUE(big.resize(qint64(8) << 30)); // sparse: takes no disk space
    big.close();
    const Outcome refused =
        runWith(shell("exec prlimit --data=400000000 \"$CLI\" diff big.txt small.txt"), throughShell(m_dir.path()));
    EXPECT_FALSE(refused.crashed);
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_TRUE(refused.err.startsWith("The file \"big.txt\" is too large to compare: it is 8.6 GB, and comparing it "
                                       "needs about "))
        << refused.err.toStdString();

    // Small enough for the estimate from its size, but its 50 million empty lines are too
    // many for the engine's work per line.
    write("lines.txt", QByteArray(50'000'000, '\n'));
    const Outcome exhausted =
        runWith(shell("exec prlimit --data=400000000 \"$CLI\" diff lines.txt small.txt"), throughShell(m_dir.path()));
    EXPECT_FALSE(exhausted.crashed);
    EXPECT_EQ(exhausted.exitCode, 2);
    EXPECT_TRUE(exhausted.err.startsWith("The files \"lines.txt\" and \"small.txt\" have too many lines to compare: "
                                         "50000001 lines need about "))
        << exhausted.err.toStdString();
}
