// SPDX-License-Identifier: GPL-3.0-or-later

#include "core/tests/markedrows.h"
#include "viewmodel/comparisonviewmodel.h"
#include "viewmodel/ignoring.h"

#include <QSemaphore>
#include <QTest>

#include <gtest/gtest.h>

using namespace varnel;

using varnel::test::markedRow;

namespace {

DiffResult result(QList<DiffLine> lines, qint64 changes, qint64 ignored)
{
    DiffResult made(std::move(lines), 0, changes, 0);
    made.setIgnoredCount(ignored);
    return made;
}

// Two files as the engine gives them with and without ignoring case: line 2 ("b", "B")
// then differs only in case; line 6 is a comment that a pattern set aside.
DiffResult resultFor(const CompareOptions& options)
{
    using enum DiffLineType;
    const DiffLine comment = markedRow(6, {}, "# note", removed, IgnoredReason::pattern);
    if (!options.ignoreCase)
        return result({markedRow(1, 1, "a", unchanged), markedRow(2, {}, "b", removed), markedRow({}, 2, "B", added),
                       markedRow(3, 3, "c", unchanged), markedRow(4, {}, "d", removed), markedRow(5, 4, "e", unchanged),
                       markedRow({}, 5, "x", added), comment},
                      4, 1);
    return result({markedRow(1, 1, "a", unchanged), markedRow(2, 2, "b", unchanged, IgnoredReason::letterCase, "B"),
                   markedRow(3, 3, "c", unchanged), markedRow(4, {}, "d", removed), markedRow(5, 4, "e", unchanged),
                   markedRow({}, 5, "x", added), comment},
                  2, 2);
}

// Hands out resultFor(options), each comparison waiting at a gate once asked to.
struct FakeEngine {
    QSemaphore gate;
    std::atomic<bool> gated{false};
    std::atomic<int> runs{0};

    ComparisonViewModel::OptionsComparator comparator()
    {
        return [this](const FileItem&, const FileItem&, const CancelCheck&, const ProgressReport&,
                      const CompareOptions& options) -> Expected<ComparisonOutcome> {
            ++runs;
            if (gated)
                gate.acquire();
            return ComparisonOutcome{resultFor(options), resultFor(options)};
        };
    }
};

void compareIdle(ComparisonViewModel& model)
{
    model.loadFile(QUrl::fromLocalFile(QStringLiteral("/x/old.txt")), FileSide::left);
    model.loadFile(QUrl::fromLocalFile(QStringLiteral("/x/new.txt")), FileSide::right);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !model.isComparing(); }, 20000));
}

} // namespace

// The comment set aside is no change to step to. Options changed twice while a comparison
// runs: only the newest publishes, and the focus goes to the change at the line focused
// before the first change ("d", left line 4, from row 4 to row 3).
TEST(IgnoringTest, NewOptionsKeepTheFocusedLineAndTheNewestWins)
{
    FakeEngine engine;
    ComparisonViewModel model(engine.comparator());
    compareIdle(model);
    EXPECT_EQ(model.changeLineRows(), (QList<qint64>{1, 2, 4, 6}));
    model.moveToPreviousChange();
    model.moveToPreviousChange();
    ASSERT_EQ(model.focusedChangeRow(), 4);

    engine.gated = true;
    CompareOptions caseless;
    caseless.ignoreCase = true;
    model.setCompareOptions(caseless);
    ASSERT_TRUE(QTest::qWaitFor([&] { return engine.runs == 2; }));
    CompareOptions patterns = caseless;
    patterns.ignoreMatching = {QStringLiteral("^#")};
    model.setCompareOptions(patterns);
    ASSERT_TRUE(QTest::qWaitFor([&] { return engine.runs == 3; }));
    int published = 0;
    QObject::connect(&model, &ComparisonViewModel::diffResultChanged, [&] { published += model.diffResult() ? 1 : 0; });
    engine.gate.release(2);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !model.isComparing(); }));
    QTest::qWait(100); // the superseded comparison has finished, and must stay silent
    EXPECT_EQ(published, 1);
    EXPECT_EQ(model.compareOptions(), patterns);
    EXPECT_EQ(model.changeLineRows(), (QList<qint64>{3, 5}));
    EXPECT_EQ(model.focusedChangeRow(), 3);
}

TEST(IgnoringTest, ChosenOptionsAreRememberedAndBadValuesReadAsOff)
{
    Preferences preferences;
    EXPECT_EQ(rememberedCompareOptions(preferences), CompareOptions());
    FakeEngine engine;
    ComparisonViewModel model(engine.comparator());
    CompareOptions chosen;
    chosen.ignoreSpaceChange = true;
    chosen.ignoreMatching = {QStringLiteral("^Date: "), QStringLiteral("id=\"[0-9]+\"")};
    model.chooseCompareOptions(chosen);
    EXPECT_EQ(model.compareOptions(), chosen);
    EXPECT_EQ(rememberedCompareOptions(preferences), chosen);
    EXPECT_EQ(preferences.string(Preferences::kIgnoreMatchingLines, {}), R"(["^Date: ","id=\"[0-9]+\""])");

    // Edited by hand: anything but "true" is off; unusable patterns are left out.
    preferences.setString(Preferences::kIgnoreSpaceChange, "yes");
    preferences.setString(Preferences::kIgnoreMatchingLines, R"(["a(", "^x", 3, "^x", ""])");
    EXPECT_FALSE(rememberedCompareOptions(preferences).ignoreSpaceChange);
    EXPECT_EQ(rememberedCompareOptions(preferences).ignoreMatching, QStringList{"^x"});
    rememberCompareOptions(preferences, CompareOptions());
    EXPECT_EQ(rememberedCompareOptions(preferences), CompareOptions());
}

TEST(IgnoringTest, TheIdenticalNoticeNamesWhatWasIgnoredAndHowManyLines)
{
    using enum DiffLineType;
    CompareOptions caseless;
    caseless.ignoreCase = true;
    CompareOptions space;
    space.ignoreAllSpace = true;
    const DiffResult spaces = result({markedRow(1, 1, "a  b", unchanged, IgnoredReason::whitespace, "a b"),
                                      markedRow(2, 2, " d", unchanged, IgnoredReason::whitespace, "d")},
                                     0, 2);
    EXPECT_EQ(identicalNotice(spaces, space),
              "No differences, ignoring white space (2 lines differ only in white space)");
    const DiffResult oneCase = result({markedRow(1, 1, "A", unchanged, IgnoredReason::letterCase, "a")}, 0, 1);
    EXPECT_EQ(identicalNotice(oneCase, caseless), "No differences, ignoring case (1 line differs only in case)");
    // With white space ignored too, a row of another case may differ in both.
    CompareOptions all = caseless;
    all.ignoreTrailingSpace = true;
    EXPECT_EQ(identicalNotice(oneCase, all),
              "No differences, ignoring white space and case (1 line differs only in ignored ways)");
    all.ignoreBlankLines = true;
    all.ignoreMatching = {QStringLiteral("^#")};
    EXPECT_EQ(identicalNotice(resultFor(caseless), all), "Files are identical"); // changes are left
    const DiffResult comment = result({markedRow(1, {}, "# x", removed, IgnoredReason::pattern)}, 0, 1);
    EXPECT_EQ(identicalNotice(comment, all), "No differences, ignoring white space, case, blank lines and lines "
                                             "matching “^#” (1 line matches an ignored pattern)");
    // Blank lines set aside are named as such, not as white space.
    CompareOptions blank;
    blank.ignoreBlankLines = true;
    const DiffResult blanks = result({markedRow({}, 2, "", added, IgnoredReason::whitespace)}, 0, 1);
    EXPECT_EQ(identicalNotice(blanks, blank), "No differences, ignoring blank lines (1 blank line set aside)");
    all.ignoreMatching.append(QStringLiteral("^Date"));
    EXPECT_EQ(ignoringLabel(all), "Ignoring: white space, case, blank lines, 2 patterns");
}
