// SPDX-License-Identifier: GPL-3.0-or-later

// "-" as one side of diff and report: standard input, as GNU diff reads it.
#include "cli/tests/clitest.h"
#include "readers/pdfparser.h"

#include <QFile>

#include <gtest/gtest.h>

using varnel::PDFParser;
using varnel::testing::CliTest;
using varnel::testing::Outcome;
using varnel::testing::RunOptions;

TEST_F(CliTest, AMinusReadsEitherSideFromStandardInput)
{
    const QString script = write("tool.py", "x = 1\ny = 2\n");
    const Outcome left = run({"diff", "-", script}, "x = 1\ny = 3\n");
    EXPECT_EQ(left.exitCode, 1) << left.err.toStdString();
    EXPECT_EQ(left.out, "  1 1 x = 1\n"
                        "\xE2\x88\x92 2   y = 3\n"
                        "+   2 y = 2\n");
    const Outcome right = run({"diff", "--stat", script, "-"}, "x = 1\ny = 2\nz\n");
    EXPECT_EQ(right.exitCode, 1);
    EXPECT_EQ(right.out, "added=1 removed=0 modified=0\n");
    // Empty standard input is an empty text, equal to an empty file.
    const Outcome empty = run({"diff", "-", write("empty.txt", "")});
    EXPECT_EQ(empty.exitCode, 0) << empty.err.toStdString();
    EXPECT_TRUE(empty.out.isEmpty());

    // The report names the side, in its header and in its default file name.
    const Outcome report = run({"report", script, "-"}, "x = 1\n", m_dir.path());
    ASSERT_EQ(report.exitCode, 0) << report.err.toStdString();
    const auto text = PDFParser::extract(m_dir.filePath("tool.py vs standard input.pdf"));
    ASSERT_TRUE(text);
    EXPECT_TRUE(text.value().lines.toStringList().join(u'\n').contains(QStringLiteral("standard input")));
}

TEST_F(CliTest, StandardInputIsOneSideAtMostAndMustBeText)
{
    const QString script = write("tool.py", "x = 1\n");
    for (const char* command : {"diff", "report"}) {
        const Outcome twice = run({command, "-", "-"}, "x\n", m_dir.path());
        EXPECT_EQ(twice.exitCode, 2);
        EXPECT_EQ(twice.err, "Standard input (\"-\") can be only one of the two files: name the other one.\n");
        const Outcome binary = run({command, script, "-"}, QByteArray::fromHex("7f454c46000000"), m_dir.path());
        EXPECT_EQ(binary.exitCode, 2);
        EXPECT_EQ(binary.err, "Standard input looks like a binary file, not text.\n");
    }
    RunOptions throughShell;
    throughShell.program = QStringLiteral("/bin/sh");
    throughShell.folder = m_dir.path();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("CLI"), QStringLiteral(VARNEL_CLI_PATH));
    throughShell.environment = environment;
#if !defined(__SANITIZE_ADDRESS__) // its shadow memory does not fit under resource limits
    // Text that never ends is refused past what memory allows, as a file would be.
    const Outcome endlessText =
        runWith({"-c", "yes | exec prlimit --data=400000000 \"$CLI\" diff - tool.py"}, throughShell);
    EXPECT_EQ(endlessText.exitCode, 2);
    EXPECT_TRUE(endlessText.err.startsWith("Standard input is too large to compare: more than "))
        << endlessText.err.toStdString();
#endif
}
