// SPDX-License-Identifier: GPL-3.0-or-later

// The ignore flags of diff and report, and the line that tells how the files are written.
#include "cli/tests/clitest.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

using varnel::testing::CliTest;
using varnel::testing::Outcome;

TEST_F(CliTest, IgnoreFlagsMarkWhatTheyHideAndExitZeroWhenThatIsAll)
{
    const QString left = write("left.txt", "Hello  world\nfoo\t\nkeep\n\n# built 1\nend\n");
    const QString right = write("right.txt", "hello world\nfoo\nkeep\n# built 2\nend\n");
    const Outcome plain = run({"diff", "--stat", left, right});
    EXPECT_EQ(plain.out, "added=0 removed=1 modified=3\n");

    // GNU diff's letters, bundled as there: -ibB and a repeatable -I.
    const Outcome all = run({"diff", "-ibB", "-I", "^#", "--ignore-matching-lines=never", left, right});
    EXPECT_EQ(all.exitCode, 0) << all.err.toStdString();
    EXPECT_EQ(all.out, "\xE2\x89\x88 1 1 hello world\n"
                       "\xE2\x89\x88 2 2 foo\n"
                       "  3 3 keep\n"
                       "\xE2\x89\x88 4   \n"
                       "\xE2\x89\x88   4 # built 2\n"
                       "\xE2\x89\x88 5   # built 1\n"
                       "  6 5 end\n");

    const Outcome json = run({"diff", "--json", "--ignore-space-change", "--ignore-case", left, right});
    EXPECT_EQ(json.exitCode, 1);
    const QJsonObject object = QJsonDocument::fromJson(json.out).object();
    EXPECT_EQ(object["ignoredCount"].toInt(), 2);
    EXPECT_EQ(object["removedCount"].toInt(), 1);
    EXPECT_EQ(object["modifiedCount"].toInt(), 1);
    EXPECT_EQ(object["addedCount"].toInt(), 0);
    const QJsonArray lines = object["lines"].toArray();
    EXPECT_EQ(lines[0].toObject()["ignored"].toString(), "case");
    EXPECT_EQ(lines[0].toObject()["rightContent"].toString(), "hello world");
    EXPECT_EQ(lines[1].toObject()["ignored"].toString(), "whitespace");
    EXPECT_FALSE(lines[2].toObject().contains("ignored"));
    const Outcome pattern = run({"diff", "--json", "-BwI", "built", left, right});
    EXPECT_EQ(QJsonDocument::fromJson(pattern.out).object()["lines"].toArray()[4].toObject()["ignored"], "pattern");

    // Without a flag the JSON is as it was: no count, no marks.
    EXPECT_FALSE(QJsonDocument::fromJson(run({"diff", "--json", left, right}).out).object().contains("ignoredCount"));
    EXPECT_EQ(QJsonDocument::fromJson(run({"diff", "--json", "-B", left, left}).out).object()["ignoredCount"], 0);
    EXPECT_EQ(run({"diff", "--stat", "-w", "-i", left, right}).out, "added=0 removed=1 modified=1\n");
}

TEST_F(CliTest, AnInvalidPatternIsRefusedWithItsPosition)
{
    const QString file = write("a.txt", "a\n");
    for (const char* command : {"diff", "report"}) {
        const Outcome refused = run({command, "-I", "^#", "-I", "id=(\\d+", file, file});
        EXPECT_EQ(refused.exitCode, 2) << command;
        EXPECT_TRUE(refused.out.isEmpty());
        EXPECT_EQ(refused.err,
                  "The pattern \xE2\x80\x9Cid=(\\d+\xE2\x80\x9D is not valid at position 7: missing closing "
                  "parenthesis.\n");
    }
    EXPECT_EQ(run({"diff", "-I", file, file}).exitCode, 2); // -I takes the next word as its pattern
}

TEST_F(CliTest, TheListingSaysWhenTheFilesAreWrittenDifferently)
{
    const QString lf = write("lf.txt", "a\nb\n");
    const QString crlf = write("crlf.txt", "a\r\nb\r\n");
    const Outcome listed = run({"diff", lf, crlf});
    EXPECT_EQ(listed.exitCode, 0); // lines are what is compared
    EXPECT_EQ(listed.out, "  1 1 a\n  2 2 b\nLine ends differ: LF on the left, CR LF on the right\n");
    EXPECT_EQ(run({"diff", "--stat", lf, crlf}).out, "added=0 removed=0 modified=0\n");
    EXPECT_EQ(run({"diff", lf,
                   write("bom.txt", "\xEF\xBB\xBF"
                                    "a\nb")})
                  .out.split('\n')
                  .at(2),
              "Byte-order marks differ: none on the left, a BOM on the right; only the left file ends with a "
              "newline");
    EXPECT_EQ(run({"diff", lf, lf}).out, "  1 1 a\n  2 2 b\n");
}
