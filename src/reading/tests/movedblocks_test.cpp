// SPDX-License-Identifier: GPL-3.0-or-later

#include "core/diffengine.h"
#include "reading/linespans.h"
#include "reading/movedblocks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

using namespace varnel;

namespace {

QStringList function(const QString& name)
{
    return {QStringLiteral("int %1(int value)").arg(name),
            QStringLiteral("{"),
            QStringLiteral("    const int %1_twice = value * 2;").arg(name),
            QStringLiteral("    return %1_twice + %1_offset;").arg(name),
            QStringLiteral("}"),
            QString()};
}

QStringList filler(const QString& tag, int count)
{
    QStringList lines;
    for (int k = 0; k < count; ++k)
        lines << QStringLiteral("filler %1 number %2;").arg(tag).arg(k);
    return lines;
}

DiffResult diff(const QStringList& left, const QStringList& right)
{
    return DiffEngine::compute(left, right, false);
}

// What every reading must keep, whatever the input: blocks disjoint on each side, made of
// removed left lines and added right lines, line for line equal or an edit of each other,
// and found again by both lookups.
void expectSound(const DiffResult& result, const MovedBlocks& moves)
{
    std::vector<std::optional<MoveEnd>> left(std::size_t(result.original()->size() + 2));
    std::vector<std::optional<MoveEnd>> right(std::size_t(result.revised()->size() + 2));
    for (const DiffLine row : result.lines()) {
        if (row.type() == DiffLineType::removed)
            left[std::size_t(*row.leftLineNumber())] = MoveEnd{};
        if (row.type() == DiffLineType::added)
            right[std::size_t(*row.rightLineNumber())] = MoveEnd{};
    }
    std::vector<int> leftUse(left.size()), rightUse(right.size());
    for (qsizetype b = 0; b < moves.size(); ++b) {
        const MovedBlock& block = moves.blocks()[std::size_t(b)];
        for (qint64 k = 0; k < block.length; ++k) {
            const qint64 l = block.left + k;
            const qint64 r = block.right + k;
            ASSERT_TRUE(left[std::size_t(l)]) << "left line " << l << " is not removed";
            ASSERT_TRUE(right[std::size_t(r)]) << "right line " << r << " is not added";
            ++leftUse[std::size_t(l)];
            ++rightUse[std::size_t(r)];
            const QString a = result.original()->at(l - 1);
            const QString c = result.revised()->at(r - 1);
            EXPECT_TRUE(a == c || !LineSpans::compute(a, c).isEmpty()) << a.toStdString() << " / " << c.toStdString();
            ASSERT_EQ(moves.removedAt(l)->block, b);
            EXPECT_EQ(moves.removedAt(l)->otherLine, r);
            ASSERT_EQ(moves.addedAt(r)->block, b);
            EXPECT_EQ(moves.addedAt(r)->otherLine, l);
        }
    }
    EXPECT_LE(*std::max_element(leftUse.begin(), leftUse.end()), 1);
    EXPECT_LE(*std::max_element(rightUse.begin(), rightUse.end()), 1);
    for (const DiffLine row : result.lines()) {
        const bool inBlock = row.type() == DiffLineType::removed ? leftUse[std::size_t(*row.leftLineNumber())] > 0
                             : row.type() == DiffLineType::added ? rightUse[std::size_t(*row.rightLineNumber())] > 0
                                                                 : false;
        EXPECT_EQ(moves.of(row).has_value(), inBlock);
    }
}

} // namespace

// A function moved from the top of a file to its end is one block, the whole function with
// its blank line; the changes around it and the counts stay as the engine made them; a
// function moved and a line edited in it keeps the edited line in the block, whose spans
// are still those of an edit.
TEST(MovedBlocks, FunctionMovedWholeOrEdited)
{
    const QStringList rest = filler(QStringLiteral("a"), 10);
    const QStringList left = function(QStringLiteral("alpha")) + rest;
    const QStringList right = rest + function(QStringLiteral("alpha"));
    const DiffResult result = diff(left, right);
    const MovedBlocks moves = MovedBlocks::find(result);
    ASSERT_EQ(moves.size(), 1);
    EXPECT_EQ(moves.blocks()[0], (MovedBlock{1, 11, 6}));
    EXPECT_EQ(moves.removedAt(4)->otherLine, 14);
    EXPECT_EQ(moves.addedAt(11)->otherLine, 1);
    EXPECT_FALSE(moves.removedAt(7));
    EXPECT_FALSE(moves.addedAt(10));
    EXPECT_EQ(result.removedCount() + result.modifiedCount(), 6);
    expectSound(result, moves);

    QStringList edited = function(QStringLiteral("alpha"));
    edited[2] = QStringLiteral("    const int alpha_twice = value * 3;");
    const DiffResult editedResult = diff(left, rest + edited);
    const MovedBlocks editedMoves = MovedBlocks::find(editedResult);
    ASSERT_EQ(editedMoves.size(), 1);
    EXPECT_EQ(editedMoves.blocks()[0], (MovedBlock{1, 11, 6}));
    EXPECT_EQ(editedMoves.removedAt(3)->otherLine, 13);
    const LineSpans spans = LineSpans::compute(left[2], edited[2]);
    ASSERT_EQ(spans.added.size(), 1);
    EXPECT_EQ(edited[2].mid(spans.added[0].start, spans.added[0].length), QStringLiteral("3"));
    expectSound(editedResult, editedMoves);

    // Unrelated lines just before the block on both sides stay out of it.
    const DiffResult fenced =
        diff(QStringList{"#include <first>"} + left, rest + QStringList{"x = y;"} + function(QStringLiteral("alpha")));
    const MovedBlocks fencedMoves = MovedBlocks::find(fenced);
    ASSERT_EQ(fencedMoves.size(), 1);
    EXPECT_EQ(fencedMoves.blocks()[0], (MovedBlock{2, 12, 6}));
    expectSound(fenced, fencedMoves);

    // Edited lines alone carry no block: most of a block must be equal lines.
    QStringList rewritten = function(QStringLiteral("alpha"));
    rewritten[0] = QStringLiteral("int alpha(long value)");
    rewritten[2] = QStringLiteral("    const int alpha_twice = value * 4;");
    rewritten[3] = QStringLiteral("    return alpha_twice + alpha_offsets;");
    EXPECT_TRUE(MovedBlocks::find(diff(left, rest + rewritten)).isEmpty());
}

// Two blocks that swap places around a longer unchanged stretch are two moves, each
// pointing at the other's old place; a block moved next to where it was, in place and
// edited, is an edit, not a move.
TEST(MovedBlocks, SwappedBlocksAndEditsInPlace)
{
    const QStringList a = filler(QStringLiteral("first"), 5);
    const QStringList b = filler(QStringLiteral("second"), 6);
    const QStringList middle = filler(QStringLiteral("m"), 12);
    const DiffResult result = diff(a + middle + b, b + middle + a);
    const MovedBlocks moves = MovedBlocks::find(result);
    ASSERT_EQ(moves.size(), 2);
    EXPECT_EQ(moves.blocks()[0], (MovedBlock{1, 19, 5}));
    EXPECT_EQ(moves.blocks()[1], (MovedBlock{18, 1, 6}));
    expectSound(result, moves);

    QStringList indented;
    for (const QString& line : a)
        indented << QStringLiteral("    ") + line;
    EXPECT_TRUE(MovedBlocks::find(diff(middle + a + middle, middle + indented + middle)).isEmpty());
}

// Only a removed block and an added block make a move: a block copied while the original
// stays is no move and its unchanged original is never marked, not even when a copy of
// another block was removed elsewhere; a block moved and also copied is one move, to one
// of its copies.
TEST(MovedBlocks, CopiesAreNotMoves)
{
    const QStringList a = function(QStringLiteral("kept"));
    const QStringList rest = filler(QStringLiteral("r"), 8);
    const DiffResult copied = diff(a + rest, a + rest + a);
    EXPECT_TRUE(MovedBlocks::find(copied).isEmpty());

    const QStringList b = function(QStringLiteral("gone"));
    const DiffResult copiedAndRemoved = diff(a + b + rest, a + rest + a);
    const MovedBlocks none = MovedBlocks::find(copiedAndRemoved);
    EXPECT_TRUE(none.isEmpty());
    expectSound(copiedAndRemoved, none);

    const DiffResult movedTwice = diff(a + rest, rest + a + filler(QStringLiteral("s"), 3) + a);
    const MovedBlocks once = MovedBlocks::find(movedTwice);
    ASSERT_EQ(once.size(), 1);
    EXPECT_EQ(once.blocks()[0].left, 1);
    expectSound(movedTwice, once);
}

// The thresholds: three lines that are not blank and twenty characters that are not white
// space, blank lines counting for neither; one line fewer or one character fewer is chance.
TEST(MovedBlocks, ShortBlocksAreChance)
{
    const QStringList rest = filler(QStringLiteral("t"), 6);
    const auto moved = [&rest](const QStringList& block) {
        return MovedBlocks::find(diff(block + rest, rest + block));
    };
    // 3 lines, 20 characters: "abcdefg" "hijklmn" "opqrst" (7 + 7 + 6).
    EXPECT_EQ(moved({"abcdefg", "hijklmn", "opqrst"}).size(), 1);
    EXPECT_TRUE(moved({"abcdefg", "hijklmn", "opqrs"}).isEmpty());
    EXPECT_TRUE(moved({"abcdefg", "hijklmn", "  \t  ", "    "}).isEmpty());
    EXPECT_EQ(moved({"abcdefg", "", "hijklmn", "", "opqrst"}).size(), 1);
    EXPECT_TRUE(moved({"a long line that is surely not chance", "and another one of them"}).isEmpty());
    // White space inside lines does not count towards the characters.
    EXPECT_TRUE(moved({"a b c d e f g", "h i j k l m n", "o p q r s"}).isEmpty());

    // The end of one function and the start of the next, with other names: braces and a
    // blank line are all that is equal, the rest only pairs as edits. No move.
    const QStringList ending{"    return left_value;", "}", "", "void Canvas::first(int x)", "{"};
    const QStringList otherEnding{"    return right_value;", "}", "", "void Canvas::second(int x)", "{"};
    EXPECT_TRUE(MovedBlocks::find(diff(ending + rest, rest + otherEnding)).isEmpty());
}

// A shuffled file changes every line; lines that repeat (braces, blank lines, a small set
// of values) start no block. The work stays linear in the changed lines and nothing is
// compared word by word where no two equal lines stand in a row.
TEST(MovedBlocks, ShuffledFilesStayLinear)
{
    std::mt19937 random(7);
    QStringList left;
    for (int k = 0; k < 20000; ++k) {
        left << QStringLiteral("record %1 value %2").arg(k).arg(random() % 1000);
        if (k % 5 == 0)
            left << QStringLiteral("}");
        if (k % 7 == 0)
            left << QString();
    }
    QStringList right = left;
    std::shuffle(right.begin(), right.end(), random);
    const DiffResult result = diff(left, right);
    const MovedBlocks moves = MovedBlocks::find(result);
    const MovedBlocks::Work work = moves.work();
    const qint64 changed = work.removedLines + work.addedLines;
    ASSERT_GT(work.addedLines, 10000);
    EXPECT_LE(work.candidates, MovedBlocks::kMaxCandidates * work.addedLines);
    EXPECT_LE(work.comparisons, 8 * changed);
    EXPECT_LE(work.editChecks, 4 * work.segments);
    EXPECT_TRUE(moves.isEmpty());

    QStringList few;
    for (int k = 0; k < 20000; ++k)
        few << QStringLiteral("a value among few: %1").arg(random() % 20);
    QStringList fewShuffled = few;
    std::shuffle(fewShuffled.begin(), fewShuffled.end(), random);
    const MovedBlocks none = MovedBlocks::find(diff(few, fewShuffled));
    EXPECT_EQ(none.work().candidates, 0);
    EXPECT_TRUE(none.isEmpty());

    // Lines that repeat a few times each, under the limit of candidates: the runs kept
    // stay a few per line, not one per copy.
    QStringList repeated;
    for (int k = 0; k < 20000; ++k)
        repeated << QStringLiteral("a value among some: %1").arg(random() % 1250);
    QStringList repeatedShuffled = repeated;
    std::shuffle(repeatedShuffled.begin(), repeatedShuffled.end(), random);
    const MovedBlocks::Work bounded = MovedBlocks::find(diff(repeated, repeatedShuffled)).work();
    ASSERT_GT(bounded.addedLines, 10000);
    EXPECT_LE(bounded.segments, (MovedBlocks::kRunsPerLine + 1) * bounded.addedLines + MovedBlocks::kRunsSlack);
}

// Random files with blocks cut and pasted elsewhere, some lines edited, some copied: every
// reading is sound, and a long block moved intact is always found.
TEST(MovedBlocks, RandomMovesAreSound)
{
    std::mt19937 random(11);
    for (int round = 0; round < 40; ++round) {
        QStringList left;
        for (int k = 0; k < 300; ++k)
            left << (random() % 6 == 0 ? QString()
                                       : QStringLiteral("line %1 of text %2").arg(random() % 120).arg(k % 9));
        QStringList right = left;
        const int from = int(random() % 200);
        const int length = 8 + int(random() % 20);
        QStringList block = right.mid(from, length);
        right.remove(from, length);
        for (int edits = int(random() % 3); edits > 0; --edits)
            right[int(random() % right.size())] += QStringLiteral(" edited");
        const int to = int(random() % right.size());
        for (int k = 0; k < block.size(); ++k)
            right.insert(to + k, block[k]);
        const DiffResult result = diff(left, right);
        const MovedBlocks moves = MovedBlocks::find(result);
        expectSound(result, moves);
        if (::testing::Test::HasFailure())
            FAIL() << "round " << round;
    }
}

// A search told to stop gives nothing.
TEST(MovedBlocks, Cancelled)
{
    const QStringList rest = filler(QStringLiteral("c"), 10);
    const QStringList a = function(QStringLiteral("stop"));
    const DiffResult result = diff(a + rest, rest + a);
    EXPECT_EQ(MovedBlocks::find(result).size(), 1);
    EXPECT_TRUE(MovedBlocks::find(result, [] { return true; }).isEmpty());
}
