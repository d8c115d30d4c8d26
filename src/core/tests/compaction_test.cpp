// SPDX-License-Identifier: GPL-3.0-or-later

// The slide pass on real code: where the runs of changes end up.
#include "core/compaction.h"
#include "core/diffengine.h"
#include "core/lineinterner.h"

#include <gtest/gtest.h>

#include <random>

using namespace varnel;

namespace {

TextLines linesOf(const char* text)
{
    return TextLines::split(QByteArray(text));
}

// The changed lines of each side, 1-based, as "-3" for a removed left line 3 and "+5"
// for an inserted right line 5, in order of the left side then the right.
std::vector<std::string> changes(const char* left, const char* right, bool slide = true)
{
    DiffOptions options;
    options.slide = slide;
    const std::optional<EditScript> script = DiffEngine::editScript(linesOf(left), linesOf(right), options);
    EXPECT_TRUE(script);
    std::vector<std::string> out;
    for (size_t i = 0; i < script->removed.size(); ++i) {
        if (script->removed.test(i))
            out.push_back("-" + std::to_string(i + 1));
    }
    for (size_t j = 0; j < script->inserted.size(); ++j) {
        if (script->inserted.test(j))
            out.push_back("+" + std::to_string(j + 1));
    }
    return out;
}

using Changes = std::vector<std::string>;

} // namespace

// A function added between two others starts on the blank line after the first one and
// ends with its own closing brace, not at the previous function's brace.
TEST(Compaction, AddedFunctionStartsAfterTheBlankLine)
{
    const char* left = "int a()\n{\n    return 1;\n}\n\nint c()\n{\n    return 3;\n}\n";
    const char* right =
        "int a()\n{\n    return 1;\n}\n\nint b()\n{\n    return 2;\n}\n\nint c()\n{\n    return 3;\n}\n";
    EXPECT_EQ(changes(left, right), (Changes{"+6", "+7", "+8", "+9", "+10"}));

    // Appended at the end: the blank line goes first, then the function.
    EXPECT_EQ(changes("void a()\n{\n    one();\n}\n", "void a()\n{\n    one();\n}\n\nvoid b()\n{\n    two();\n}\n"),
              (Changes{"+5", "+6", "+7", "+8", "+9"}));
}

// The two cases below come out of the search split in two; sliding joins them into the
// block that was typed, as git diff --indent-heuristic shows it too.
TEST(Compaction, InsertedBlocksComeOutWhole)
{
    // An `if` typed inside another, among repeated closing braces.
    const char* left = "# v1\nvoid f()\n{\n    if (a) {\n        foo();\n    }\n\n    if (b) {\n        bar();\n"
                       "    }\n}\n# e1\n";
    const char* right = "# v2\nvoid f()\n{\n    if (a) {\n        foo();\n    if (c) {\n        baz();\n    }\n\n"
                        "    }\n\n    if (b) {\n        bar();\n    }\n}\n# e2\n";
    EXPECT_EQ(changes(left, right), (Changes{"-1", "-12", "+1", "+6", "+7", "+8", "+9", "+16"}));

    // A method added to a class.
    const char* before =
        "# v1\nclass A:\n    def a(self):\n        return 1\n\n    def c(self):\n        return 3\n# e1\n";
    const char* after = "# v2\nclass A:\n    def a(self):\n        return 1\n    def b(self):\n        return 2\n\n\n"
                        "    def c(self):\n        return 3\n# e2\n";
    EXPECT_EQ(changes(before, after), (Changes{"-1", "-8", "+1", "+5", "+6", "+7", "+11"}));
}

// Given a script that starts the added function at the previous one's closing brace,
// the indentation heuristic moves it to start after the blank line.
TEST(Compaction, IndentHeuristicPrefersBlankLinesAndLowerIndentation)
{
    const TextLines left = linesOf("int a()\n{\n    return 1;\n}\n\nint c()\n{\n    return 3;\n}\n");
    const TextLines right =
        linesOf("int a()\n{\n    return 1;\n}\n\nint b()\n{\n    return 2;\n}\n\nint c()\n{\n    return 3;\n}\n");
    const LineInterner::Ids ids = LineInterner::intern(left, right);
    for (const int first : {3, 4, 5}) { // every placement of the same five lines
        std::vector<std::uint8_t> removed(size_t(left.size()), 0);
        std::vector<std::uint8_t> inserted(size_t(right.size()), 0);
        for (int j = first; j < first + 5; ++j)
            inserted[size_t(j)] = 1;
        DiffControl control;
        compactChanges(CompactionSide{ids.original.data(), &left, &removed},
                       CompactionSide{ids.revised.data(), &right, &inserted}, control);
        const std::vector<std::uint8_t> expected{0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 0, 0, 0, 0};
        EXPECT_EQ(inserted, expected) << "starting at line " << first + 1;
        EXPECT_EQ(std::count(removed.begin(), removed.end(), 1), 0);
    }
}

// Repeated closing braces: the inserted block is the whole new `if`, not a brace of the
// old one followed by most of the new one.
TEST(Compaction, NewBlockAmongRepeatedBracesKeepsItsOwnBraces)
{
    const char* left = "void f()\n{\n    if (x) {\n        a();\n    }\n    b();\n}\n";
    const char* right = "void f()\n{\n    if (x) {\n        a();\n    }\n    if (y) {\n        b();\n    }\n}\n";
    EXPECT_EQ(changes(left, right), (Changes{"-6", "+6", "+7", "+8"}));

    const char* nestedLeft = "int g()\n{\n    for (;;) {\n        if (a) {\n            x();\n        }\n    }\n}\n";
    const char* nestedRight = "int g()\n{\n    for (;;) {\n        if (a) {\n            x();\n        }\n"
                              "        if (b) {\n            y();\n        }\n    }\n}\n";
    EXPECT_EQ(changes(nestedLeft, nestedRight), (Changes{"+7", "+8", "+9"}));
}

// A block wrapped in a new `if`: the opening and closing lines are the added ones, and
// the re-indented body is replaced, whatever the script found first.
TEST(Compaction, WrappedBlockAddsTheIfAroundIt)
{
    const char* left = "def f():\n    a()\n    b()\n\n    return 1\n";
    const char* right = "def f():\n    if ok:\n        a()\n        b()\n\n    return 1\n";
    EXPECT_EQ(changes(left, right), (Changes{"-2", "-3", "+2", "+3", "+4"}));
}

// The slide never changes how many lines change, and a removal that can line up with an
// insertion on the other side does.
TEST(Compaction, SlidingKeepsTheScriptShortAndLinesUpReplacements)
{
    // Without sliding the removal of one of the two equal lines may sit anywhere in the run.
    EXPECT_EQ(changes("x\na\na\na\ny\n", "x\na\na\nz\ny\n"), (Changes{"-4", "+4"}));

    std::mt19937 random(17);
    for (int round = 0; round < 300; ++round) {
        QByteArray left, right;
        for (int i = 0; i < 30; ++i) {
            const char* pieces[] = {"", "}", "    }", "{", "  x", "y"};
            left += QByteArray(pieces[random() % 6]) + '\n';
            right += QByteArray(pieces[random() % 6]) + '\n';
        }
        const Changes slid = changes(left.constData(), right.constData(), true);
        const Changes plain = changes(left.constData(), right.constData(), false);
        EXPECT_EQ(slid.size(), plain.size());
    }
}

// Distinct lines that hash alike still get distinct ids: the interner compares bytes.
TEST(LineInterner, HashCollisionsAreSettledByTheBytes)
{
    const TextLines left = TextLines::fromStrings({"alpha", "beta", "caf\u00E9", "alpha", "gamma"});
    const TextLines right = TextLines::fromStrings({"beta", "cafe\u0301", "delta", "alpha"});
    const auto collide = [](const char*, std::size_t) -> std::uint64_t { return 42; };
    for (LineInterner::HashFunction hash : {&LineInterner::hash, +collide}) {
        const LineInterner::Ids ids = LineInterner::intern(left, right, hash);
        EXPECT_EQ(ids.distinct, 5u);
        EXPECT_EQ(ids.original[0], ids.original[3]); // alpha
        EXPECT_EQ(ids.original[0], ids.revised[3]);
        EXPECT_EQ(ids.original[1], ids.revised[0]); // beta
        EXPECT_EQ(ids.original[2], ids.revised[1]); // café, composed and decomposed
        EXPECT_NE(ids.original[4], ids.revised[2]); // gamma, delta
        EXPECT_NE(ids.original[0], ids.original[1]);
    }
}
