// SPDX-License-Identifier: GPL-3.0-or-later

#include "core/diffengine.h"
#include "core/ignoredrows.h"
#include "core/lineform.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <random>

using namespace varnel;

namespace {

CompareOptions with(void (*set)(CompareOptions&))
{
    CompareOptions options;
    set(options);
    return options;
}
const CompareOptions kCase = with([](CompareOptions& o) { o.ignoreCase = true; });
const CompareOptions kTrailing = with([](CompareOptions& o) { o.ignoreTrailingSpace = true; });
const CompareOptions kChange = with([](CompareOptions& o) { o.ignoreSpaceChange = true; });
const CompareOptions kAll = with([](CompareOptions& o) { o.ignoreAllSpace = true; });

// Whether the two lines are one line under `options`, as the engine decides it.
bool same(const char* left, const char* right, const CompareOptions& options)
{
    const DiffResult result =
        DiffEngine::computeBoth(TextLines::share(TextLines::fromStrings({QString::fromUtf8(left)})),
                                TextLines::share(TextLines::fromStrings({QString::fromUtf8(right)})),
                                DiffOptions{{}, {}, DiffAlgorithm::automatic, true, options})
            ->full;
    return !result.hasChanges();
}

DiffEngine::Results compare(const QStringList& left, const QStringList& right, const CompareOptions& options)
{
    return *DiffEngine::computeBoth(TextLines::share(TextLines::fromStrings(left)),
                                    TextLines::share(TextLines::fromStrings(right)),
                                    DiffOptions{{}, {}, DiffAlgorithm::automatic, true, options});
}

std::vector<IgnoredReason> reasons(const DiffResult& result)
{
    std::vector<IgnoredReason> found;
    for (const DiffLine& line : result.lines())
        found.push_back(line.ignored());
    return found;
}

} // namespace

TEST(LineForm, AsciiWhiteSpaceAsGnuDiffHasIt)
{
    EXPECT_TRUE(same("a b\t \v\f", "a b", kTrailing));
    EXPECT_FALSE(same(" a b", "a b", kTrailing));
    EXPECT_TRUE(same("a \t b  ", "a b", kChange));
    EXPECT_TRUE(same("\ta", " a", kChange));
    EXPECT_FALSE(same("ab", "a b", kChange)); // no white space against some is a change
    EXPECT_FALSE(same(" a", "a", kChange));
    EXPECT_TRUE(same(" a\tb c ", "abc", kAll));
    EXPECT_FALSE(same("a b", "A B", kAll));
    EXPECT_FALSE(same("a  b", "a b", CompareOptions())); // nothing set: nothing ignored
}

TEST(LineForm, UnicodeSpaceSeparatorsAreWhiteSpaceZeroWidthOnesAreNot)
{
    EXPECT_TRUE(same("a\u00A0b", "a b", kChange));
    EXPECT_TRUE(same("a\u3000\u2003b\u202F", "a b", kChange));
    EXPECT_TRUE(same("x\u205F\u1680\u2000\u200Ay", "xy", kAll));
    EXPECT_TRUE(same("a\u00A0", "a", kTrailing));
    EXPECT_FALSE(same("a\u200Bb", "ab", kAll));
    EXPECT_FALSE(same("a\uFEFFb", "ab", kAll));
    EXPECT_FALSE(same("a\u00A1b", "ab", kAll)); // a neighbour of U+00A0 in UTF-8
    EXPECT_TRUE(LineForm::isAllSpace(" \t\u00A0\u3000"));
    EXPECT_FALSE(LineForm::isAllSpace(" \u200B"));
}

TEST(LineForm, SimpleCaseFoldingCodePointByCodePoint)
{
    EXPECT_TRUE(same("Hello World", "hELLO wORLD", kCase));
    EXPECT_TRUE(same("Ärger", "äRGER", kCase));
    EXPECT_TRUE(same("ΣΊΣΥΦΟΣ", "σίσυφοσ", kCase));
    EXPECT_TRUE(same("\u212A", "k", kCase));        // Kelvin sign folds to ASCII
    EXPECT_TRUE(same("\u023A!", "\u2C65!", kCase)); // folding makes the line longer
    EXPECT_FALSE(same("Straße", "STRASSE", kCase)); // simple folding: ß stays one letter
    EXPECT_FALSE(same("Hello", "hello", kAll));
    EXPECT_TRUE(
        same("Hello\t ", "hello", with([](CompareOptions& o) { o.ignoreCase = o.ignoreTrailingSpace = true; })));
}

// Generated pairs with tabs, runs of spaces, trailing spaces and mixed case, where GNU
// diff --minimal and this engine must find as many deleted and inserted lines.
TEST(IgnoreOptions, AgreeWithGnuDiffMinimalOnDeletedAndInsertedLines)
{
    const QString diff = QStandardPaths::findExecutable(QStringLiteral("diff"));
    if (diff.isEmpty())
        GTEST_SKIP() << "diff is not installed";
    std::mt19937 random(7);
    const QStringList words{"alpha", "Beta", "GAMMA", "delta", "x", "Y"};
    const auto line = [&] {
        QString text;
        const int count = int(random() % 4);
        for (int k = 0; k < count; ++k) {
            static const char* gaps[] = {" ", "  ", "\t", " \t ", ""};
            text += words[int(random() % words.size())];
            text += QString::fromLatin1(gaps[random() % 5]);
        }
        return text;
    };
    const auto vary = [&](QString text) {
        switch (random() % 5) {
        case 0: return text.toUpper();
        case 1: return text + QStringLiteral("  ");
        case 2: return text.replace(QStringLiteral(" "), QStringLiteral("\t"));
        case 3: return text.remove(u' ');
        default: return line();
        }
    };
    QTemporaryDir folder;
    const struct {
        const char* flag;
        CompareOptions options;
    } kinds[] = {{"-i", kCase}, {"-Z", kTrailing}, {"-b", kChange}, {"-w", kAll}};
    for (int round = 0; round < 6; ++round) {
        QStringList left;
        QStringList right;
        for (int k = 0; k < 300; ++k) {
            left << line();
            right << (random() % 3 == 0 ? vary(left.back()) : left.back());
        }
        const auto save = [&](const char* name, const QStringList& lines) {
            QFile file(folder.filePath(QString::fromLatin1(name)));
            EXPECT_TRUE(file.open(QIODevice::WriteOnly));
            file.write((lines.join(u'\n') + u'\n').toUtf8());
        };
        save("left.txt", left);
        save("right.txt", right);
        for (const auto& kind : kinds) {
            QProcess process;
            process.start(diff,
                          {QStringLiteral("--minimal"), QString::fromLatin1(kind.flag),
                           folder.filePath(QStringLiteral("left.txt")), folder.filePath(QStringLiteral("right.txt"))});
            ASSERT_TRUE(process.waitForFinished(30000));
            qint64 deleted = 0;
            qint64 inserted = 0;
            for (const QByteArray& row : process.readAllStandardOutput().split('\n')) {
                deleted += row.startsWith('<');
                inserted += row.startsWith('>');
            }
            const DiffResult result = compare(left, right, kind.options).full;
            EXPECT_EQ(result.removedCount() + result.modifiedCount(), deleted) << kind.flag << " round " << round;
            EXPECT_EQ(result.addedCount() + result.modifiedCount(), inserted) << kind.flag << " round " << round;
        }
    }
}

TEST(IgnoreOptions, UnchangedRowsThatDifferAreMarkedAndCountedOnce)
{
    CompareOptions options = kChange;
    options.ignoreCase = true;
    QStringList left{"same", "a  b", "Case", "Both  Ways", "caf\u00E9", "x", "y"};
    QStringList right{"same", "a b", "case", "both ways", "cafe\u0301", "x", "y"};
    for (int k = 0; k < 20; ++k) {
        left << QStringLiteral("line %1").arg(k);
        right << QStringLiteral("line  %1").arg(k);
    }
    left << "old";
    right << "new";
    const DiffEngine::Results results = compare(left, right, options);
    const std::vector<IgnoredReason> rows = reasons(results.full);
    using R = IgnoredReason;
    const std::vector<R> head{R::none, R::whitespace, R::letterCase, R::letterCase, R::none, R::none, R::none};
    EXPECT_EQ(std::vector<R>(rows.begin(), rows.begin() + 7), head);
    EXPECT_EQ(results.full.ignoredCount(), 23); // canonically equivalent lines are not ignored ones
    EXPECT_EQ(results.collapsed.ignoredCount(), 23);
    EXPECT_EQ(results.full.modifiedCount(), 1);
    // One stretch for the twenty numbered lines, not one mark each.
    EXPECT_EQ(results.full.lines().ignoredStretches().size(), 3U);
    // Marked rows are shown, never folded away, however far from a change.
    const std::vector<IgnoredReason> shown = reasons(results.collapsed);
    EXPECT_EQ(std::count_if(shown.begin(), shown.end(), [](R r) { return r != R::none; }), 23);
    const DiffLine nearChange = results.collapsed.lines().at(results.collapsed.lines().size() - 3);
    EXPECT_EQ(nearChange.type(), DiffLineType::unchanged);
    EXPECT_EQ(nearChange.ignored(), R::whitespace);
    EXPECT_EQ(ignoredReason("Ab", "ab", options), R::letterCase);
    EXPECT_EQ(ignoredReason("a b", "a b", options), R::none);
}

TEST(IgnoreOptions, BlankAndMatchingBlocksAreSetAsideOnlyWhole)
{
    CompareOptions options;
    options.ignoreBlankLines = true;
    options.ignoreMatching = {QStringLiteral("^#"), QStringLiteral("id=\\d+")};
    // Blocks: blank lines only | comments only | blank and comment | comment and code.
    const QStringList left{"a", "", "b", "# one", "c", "", "d", "# two", "e"};
    const QStringList right{"a", "b", "# ONE", "c", "# new", "d", "# three", "code", "e"};
    const DiffEngine::Results results = compare(left, right, options);
    using R = IgnoredReason;
    std::vector<std::pair<DiffLineType, R>> rows;
    for (const DiffLine& line : results.full.lines()) {
        if (line.type() != DiffLineType::unchanged)
            rows.emplace_back(line.type(), line.ignored());
    }
    const std::vector<std::pair<DiffLineType, R>> expected{
        {DiffLineType::removed, R::whitespace}, {DiffLineType::removed, R::pattern}, {DiffLineType::added, R::pattern},
        {DiffLineType::removed, R::pattern},    {DiffLineType::added, R::pattern},   {DiffLineType::removed, R::none},
        {DiffLineType::added, R::none},         {DiffLineType::added, R::none}};
    EXPECT_EQ(rows, expected);
    EXPECT_EQ(results.full.ignoredCount(), 5);
    EXPECT_EQ(results.collapsed.ignoredCount(), 5);
    EXPECT_EQ(results.full.modifiedCount(), 1); // "# two" against "# three", "code": one pair, one added
    EXPECT_EQ(results.full.addedCount(), 1);
    EXPECT_EQ(results.full.removedCount(), 0);
    EXPECT_TRUE(results.full.hasChanges());

    // Only blank lines differ: no change at all. White space on a "blank" line counts as
    // blank only when white space is ignored too.
    options.ignoreMatching.clear();
    EXPECT_FALSE(compare({"a", "", "b"}, {"a", "b", ""}, options).full.hasChanges());
    EXPECT_TRUE(compare({"a", "b"}, {"a", "  ", "b"}, options).full.hasChanges());
    options.ignoreTrailingSpace = true;
    EXPECT_FALSE(compare({"a", "b"}, {"a", "  ", "b"}, options).full.hasChanges());
}

TEST(IgnoreOptions, PatternsOnAMegabyteLineNeverHideWhatTheyCannotDecide)
{
    const QString longLine = QString(1000000, u'a') + u'c';
    CompareOptions options;
    options.ignoreMatching = {QStringLiteral("c$")};
    EXPECT_FALSE(compare({"x", longLine}, {"x"}, options).full.hasChanges());
    options.ignoreMatching = {QStringLiteral("^(a+)+$")}; // backtracks without end: gives up, no match
    EXPECT_TRUE(compare({"x", longLine}, {"x"}, options).full.hasChanges());
    // A pattern PCRE2 may give up on over this line (its stack or match limit): then the
    // line is not taken as matching, and the change stays; it is never hidden unmatched.
    options.ignoreMatching = {QStringLiteral("(a|b)*c")};
    const DiffResult result = compare({"x", longLine}, {"x"}, options).full;
    EXPECT_EQ(result.ignoredCount() == 1, !result.hasChanges());
}

TEST(IgnoreOptions, PatternErrorsNameThePatternAndThePosition)
{
    EXPECT_EQ(patternError(QStringLiteral("^# [a-z]+")), std::nullopt);
    const std::optional<QString> error = patternError(QStringLiteral("id=(\\d+"));
    ASSERT_TRUE(error);
    EXPECT_TRUE(error->contains(QStringLiteral("“id=(\\d+”"))) << error->toStdString();
    EXPECT_TRUE(error->contains(QStringLiteral("position 7"))) << error->toStdString();
}
