// SPDX-License-Identifier: GPL-3.0-or-later

#include "viewmodel/comparisonviewmodel.h"
#include "viewmodel/ignoring.h"

#include <QSemaphore>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using namespace varnel;

namespace {

DiffLine row(std::optional<qint64> left, std::optional<qint64> right, const char* text, DiffLineType type,
             IgnoredReason reason = IgnoredReason::none, const char* rightText = nullptr)
{
    DiffLine line(left, right, QUtf8StringView(text), QUtf8StringView(rightText ? rightText : text), type);
    line.setIgnored(reason);
    return line;
}

DiffResult result(QList<DiffLine> lines, qint64 added, qint64 removed, qint64 modified, qint64 ignored = 0)
{
    DiffResult made(std::move(lines), added, removed, modified);
    made.setIgnoredCount(ignored);
    return made;
}

// The same two files as the engine would give them with and without ignoring case: lines 2
// ("b", "B") then differ only in case; line 6 is a comment that a pattern sets aside.
DiffResult resultFor(const CompareOptions& options)
{
    using enum DiffLineType;
    if (!options.ignoreCase)
        return result({row(1, 1, "a", unchanged), row(2, {}, "b", removed), row({}, 2, "B", added),
                       row(3, 3, "c", unchanged), row(4, {}, "d", removed), row(5, 4, "e", unchanged),
                       row({}, 5, "x", added), row(6, {}, "# note", removed, IgnoredReason::pattern)},
                      1, 1, 1, 1);
    return result({row(1, 1, "a", unchanged), row(2, 2, "b", unchanged, IgnoredReason::letterCase, "B"),
                   row(3, 3, "c", unchanged), row(4, {}, "d", removed), row(5, 4, "e", unchanged),
                   row({}, 5, "x", added), row(6, {}, "# note", removed, IgnoredReason::pattern)},
                  1, 1, 0, 2);
}

// Hands out resultFor(options), each comparison waiting at a gate when asked to.
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

void waitIdle(const ComparisonViewModel& model)
{
    ASSERT_TRUE(QTest::qWaitFor([&] { return !model.isComparing(); }, 20000));
}

void open(ComparisonViewModel& model)
{
    model.loadFile(QUrl::fromLocalFile(QStringLiteral("/x/old.txt")), FileSide::left);
    model.loadFile(QUrl::fromLocalFile(QStringLiteral("/x/new.txt")), FileSide::right);
}

} // namespace

// Rows set aside by a pattern are no changes to step to, and a new option keeps the focus
// on the change at the same line: "d" (left line 4) was the third change and is the first.
TEST(IgnoringTest, NewOptionsCompareAgainKeepTheFocusedLineAndSkipSetAsideRows)
{
    FakeEngine engine;
    ComparisonViewModel model(engine.comparator());
    open(model);
    waitIdle(model);
    EXPECT_EQ(model.changeLineRows(), (QList<qint64>{1, 2, 4, 6}));
    model.moveToPreviousChange(); // wraps round to "x", the last: the comment is no change
    EXPECT_EQ(model.focusedChangeRow(), 6);
    model.moveToPreviousChange();
    EXPECT_EQ(model.focusedChangeRow(), 4);

    QSignalSpy optionsSpy(&model, &ComparisonViewModel::compareOptionsChanged);
    CompareOptions options;
    options.ignoreCase = true;
    model.setCompareOptions(options);
    EXPECT_EQ(optionsSpy.count(), 1);
    EXPECT_TRUE(model.isComparing());
    waitIdle(model);
    EXPECT_EQ(model.changeLineRows(), (QList<qint64>{3, 5}));
    EXPECT_EQ(model.focusedChangeIndex(), 0);
    EXPECT_EQ(model.focusedChangeRow(), 3);

    // Back again: "d" is found by its line, though its row moved.
    model.setCompareOptions(CompareOptions());
    waitIdle(model);
    EXPECT_EQ(model.focusedChangeRow(), 4);

    // Without a focus there is none after; a new file forgets the place.
    ComparisonViewModel fresh(engine.comparator());
    open(fresh);
    waitIdle(fresh);
    fresh.setCompareOptions(options);
    waitIdle(fresh);
    EXPECT_FALSE(fresh.focusedChangeIndex());
}

// Options changed twice while the first comparison runs: only the newest publishes, and the
// focus from before the first change still leads.
TEST(IgnoringTest, OptionsChangedDuringAComparisonTheNewestWins)
{
    FakeEngine engine;
    ComparisonViewModel model(engine.comparator());
    open(model);
    waitIdle(model);
    model.moveToNextChange();
    model.moveToNextChange();
    model.moveToNextChange(); // "d", left line 4
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
    waitIdle(model);
    QTest::qWait(100); // the superseded comparison has finished, and must stay silent
    EXPECT_EQ(published, 1);
    EXPECT_EQ(model.compareOptions(), patterns);
    EXPECT_EQ(model.diffResult()->ignoredCount(), 2);
    EXPECT_EQ(model.focusedChangeRow(), 3);
}

TEST(IgnoringTest, ChosenOptionsAreTheNextWindowsDefaultAndBadValuesReadAsOff)
{
    Preferences preferences;
    EXPECT_EQ(rememberedCompareOptions(preferences), CompareOptions());

    FakeEngine engine;
    ComparisonViewModel model(engine.comparator());
    CompareOptions chosen;
    chosen.ignoreSpaceChange = true;
    chosen.ignoreBlankLines = true;
    chosen.ignoreMatching = {QStringLiteral("^Date: "), QStringLiteral("id=\"[0-9]+\"")};
    model.chooseCompareOptions(chosen);
    EXPECT_EQ(model.compareOptions(), chosen);
    EXPECT_EQ(rememberedCompareOptions(preferences), chosen);
    EXPECT_EQ(preferences.string(Preferences::kIgnoreSpaceChange, {}), "true");
    EXPECT_EQ(preferences.string(Preferences::kIgnoreCase, {}), "false");
    EXPECT_EQ(preferences.string(Preferences::kIgnoreMatchingLines, {}), R"(["^Date: ","id=\"[0-9]+\""])");

    // Edited by hand: anything but "true" is off; a pattern that cannot be used, a
    // repeated one and what is not a string are left out.
    preferences.setString(Preferences::kIgnoreSpaceChange, "yes");
    preferences.setString(Preferences::kIgnoreMatchingLines, R"(["a(", "^x", 3, "^x", ""])");
    CompareOptions read = rememberedCompareOptions(preferences);
    EXPECT_FALSE(read.ignoreSpaceChange);
    EXPECT_TRUE(read.ignoreBlankLines);
    EXPECT_EQ(read.ignoreMatching, QStringList{"^x"});
    preferences.setString(Preferences::kIgnoreMatchingLines, "not JSON");
    EXPECT_TRUE(rememberedCompareOptions(preferences).ignoreMatching.isEmpty());
    rememberCompareOptions(preferences, CompareOptions());
    EXPECT_EQ(rememberedCompareOptions(preferences), CompareOptions());
}

// What the window says of ignored differences: the notice, the toolbar's label, the
// badge's tooltip.
TEST(IgnoringTest, TheWordsNameWhatWasIgnoredAndHowManyLines)
{
    using enum DiffLineType;
    CompareOptions space;
    space.ignoreAllSpace = true;
    const DiffResult spaces =
        result({row(1, 1, "a  b", unchanged, IgnoredReason::whitespace, "a b"), row(2, 2, "c", unchanged),
                row(3, 3, " d", unchanged, IgnoredReason::whitespace, "d")},
               0, 0, 0, 2);
    EXPECT_EQ(identicalNotice(spaces, space),
              "No differences, ignoring white space (2 lines differ only in white space)");
    EXPECT_EQ(identicalNotice(spaces, CompareOptions()), "Files are identical");

    CompareOptions caseless;
    caseless.ignoreCase = true;
    const DiffResult oneCase = result({row(1, 1, "A", unchanged, IgnoredReason::letterCase, "a")}, 0, 0, 0, 1);
    EXPECT_EQ(identicalNotice(oneCase, caseless), "No differences, ignoring case (1 line differs only in case)");
    // With white space ignored too, a case row may differ in both.
    CompareOptions both = caseless;
    both.ignoreTrailingSpace = true;
    EXPECT_EQ(identicalNotice(oneCase, both),
              "No differences, ignoring white space and case (1 line differs only in ignored ways)");

    CompareOptions all = both;
    all.ignoreBlankLines = true;
    all.ignoreMatching = {QStringLiteral("^#")};
    const DiffResult pattern =
        result({row(1, 1, "a", unchanged), row(2, {}, "# x", removed, IgnoredReason::pattern)}, 0, 0, 0, 1);
    EXPECT_EQ(identicalNotice(pattern, all), "No differences, ignoring white space, case, blank lines and lines "
                                             "matching “^#” (1 line matches an ignored pattern)");
    // Changes left, or nothing ignored: the plain notice.
    EXPECT_EQ(identicalNotice(result({row(1, {}, "a", removed)}, 0, 1, 0, 3), all), "Files are identical");
    EXPECT_EQ(identicalNotice(result({row(1, 1, "a", unchanged)}, 0, 0, 0, 0), all), "Files are identical");

    EXPECT_EQ(ignoringLabel(CompareOptions()), "");
    EXPECT_EQ(ignoringLabel(both), "Ignoring: white space, case");
    CompareOptions patterns = all;
    patterns.ignoreMatching.append(QStringLiteral("^Date"));
    EXPECT_EQ(ignoringLabel(patterns), "Ignoring: white space, case, blank lines, 2 patterns");
    EXPECT_EQ(ignoredBadgeToolTip(12, both), "12 lines differ only in ignored ways\nIgnoring white space and case");
    EXPECT_EQ(ignoredBadgeToolTip(1, caseless), "1 line differs only in ignored ways\nIgnoring case");
}
