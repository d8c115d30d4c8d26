// SPDX-License-Identifier: GPL-3.0-or-later

// Moved blocks in the command line: the "moved" key of JSON rows, " moved=N" of --stat,
// and --no-moves.
#include "cli/tests/clitest.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <gtest/gtest.h>

using varnel::testing::CliTest;
using varnel::testing::Outcome;

namespace {

const QByteArray kBlock = "int moved(int value)\n{\n    return value * 2;\n}\n";
const QByteArray kRest = "one line\ntwo lines\nthree lines\nfour lines\nfive lines\n";

} // namespace

TEST_F(CliTest, MovedRowsNameTheirBlockAndTheOtherEnd)
{
    const QString left = write("left.c", kBlock + kRest);
    const QString right = write("right.c", kRest + kBlock);
    const Outcome stat = run({"diff", "--stat", left, right});
    EXPECT_EQ(stat.out, "added=4 removed=4 modified=0 moved=1\n");
    EXPECT_EQ(stat.exitCode, 1);
    EXPECT_EQ(run({"diff", "--stat", "--no-moves", left, right}).out, "added=4 removed=4 modified=0\n");

    const Outcome json = run({"diff", "--json", left, right});
    EXPECT_EQ(json.exitCode, 1);
    const QJsonObject object = QJsonDocument::fromJson(json.out).object();
    EXPECT_EQ(object["removedCount"].toInt(), 4); // counts stay
    const QJsonArray lines = object["lines"].toArray();
    int moved = 0;
    for (const QJsonValue value : lines) {
        const QJsonObject line = value.toObject();
        const QString type = line["type"].toString();
        if (type == u"unchanged") {
            EXPECT_FALSE(line.contains("moved"));
            continue;
        }
        ++moved;
        const QJsonObject to = line["moved"].toObject();
        EXPECT_EQ(to["block"].toInt(), 1);
        // Line k of the block is line k + 5 on the right.
        if (type == u"removed")
            EXPECT_EQ(to["line"].toInt(), line["left"].toInt() + 5);
        else
            EXPECT_EQ(to["line"].toInt(), line["right"].toInt() - 5);
    }
    EXPECT_EQ(moved, 8);
    const QByteArray without = run({"diff", "--json", "--no-moves", left, right}).out;
    EXPECT_FALSE(without.contains("\"moved\""));
    EXPECT_EQ(without, QString::fromUtf8(json.out).remove(QRegularExpression(",\"moved\":\\{[^}]*\\}")).toUtf8());

    // Without moves, every output is as it was: no key, nothing appended.
    const QString edited = write("edited.c", kBlock + "one line\nTWO lines\n");
    EXPECT_EQ(run({"diff", "--stat", left, edited}).out, "added=0 removed=3 modified=1\n");
    EXPECT_FALSE(run({"diff", "--json", left, edited}).out.contains("\"moved\":"));
    // A block too short to be more than chance is no move.
    EXPECT_EQ(
        run({"diff", "--stat", write("a.txt", "ab\ncd\nef\n" + kRest), write("b.txt", kRest + "ab\ncd\nef\n")}).out,
        "added=3 removed=3 modified=0\n");
}

TEST_F(CliTest, ReportTakesNoMoves)
{
    const QString left = write("left.c", kBlock + kRest);
    const QString right = write("right.c", kRest + kBlock);
    const Outcome with = run({"report", "-o", "-", left, right});
    const Outcome without = run({"report", "--no-moves", "-o", "-", left, right});
    EXPECT_EQ(with.exitCode, 0) << with.err.toStdString();
    EXPECT_EQ(without.exitCode, 0) << without.err.toStdString();
    EXPECT_TRUE(with.out.startsWith("%PDF"));
    EXPECT_NE(with.out.size(), without.out.size()); // the legend and the tint
    EXPECT_EQ(run({"diff", "--no-moves", left, right}).exitCode, 1);
}
