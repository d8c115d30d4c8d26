// SPDX-License-Identifier: GPL-3.0-or-later

#include "core/diffengine.h"
#include "reading/pairedrows.h"

#include <gtest/gtest.h>

#include <array>
#include <map>
#include <random>

using namespace varnel;

namespace {

using Sides = PairedRows::Sides;

DiffLine rowOf(DiffLineType type)
{
    if (type == DiffLineType::contextCollapsed)
        return DiffLine(std::nullopt, std::nullopt, {}, type, 5);
    return DiffLine(1, 1, {}, type);
}

DiffRows rowsOf(const QList<DiffLineType>& types)
{
    QList<DiffLine> rows;
    for (DiffLineType type : types)
        rows.append(rowOf(type));
    return rows;
}

// What pairing means, worked out row by row from the partners alone: an added row with a
// partner joins its partner's shown row, every other row opens the next one.
void expectMatchesPartners(const DiffRows& rows)
{
    const ChangeRuns runs = ChangeRuns::find(rows);
    const PairedRows paired = PairedRows::paired(runs);
    std::vector<qint64> shownOf(std::size_t(rows.size()));
    std::map<qint64, Sides> sides;
    qint64 next = 0;
    for (qint64 row = 0; row < rows.size(); ++row) {
        const std::optional<qint64> partner = runs.partner(row);
        const bool joins = partner && rows[row].type() == DiffLineType::added;
        const qint64 shown = joins ? shownOf[std::size_t(*partner)] : next++;
        shownOf[std::size_t(row)] = shown;
        if (joins)
            sides[shown].right = row;
        else
            sides[shown] = {row, row};
    }
    ASSERT_EQ(paired.shownCount(), next);
    for (qint64 row = 0; row < rows.size(); ++row)
        ASSERT_EQ(paired.shownRowOf(row), shownOf[std::size_t(row)]) << "row " << row;
    for (const auto& [shown, expected] : sides)
        ASSERT_EQ(paired.sidesAt(shown), expected) << "shown row " << shown;
}

constexpr auto U = DiffLineType::unchanged;
constexpr auto R = DiffLineType::removed;
constexpr auto A = DiffLineType::added;
constexpr auto P = DiffLineType::contextCollapsed;

} // namespace

TEST(PairedRows, EachReplacementTakesAsManyRowsAsItsLongerSide)
{
    // More removed than added: the first removed row faces the added one, the rest fillers.
    const PairedRows fewerAdded = PairedRows::paired(ChangeRuns::find(rowsOf({U, R, R, R, A, U})));
    EXPECT_EQ(fewerAdded.shownCount(), 5);
    EXPECT_EQ(fewerAdded.sidesAt(1), (Sides{1, 4}));
    EXPECT_EQ(fewerAdded.sidesAt(2), (Sides{2, 2}));
    EXPECT_EQ(fewerAdded.sidesAt(4), (Sides{5, 5}));
    EXPECT_EQ(fewerAdded.shownRowOf(4), 1);
    EXPECT_EQ(fewerAdded.shownRowOf(5), 4);
    EXPECT_EQ(fewerAdded.firstRowAt(1), 1);

    // More added than removed: the added rows past the pair face fillers on the left.
    const PairedRows moreAdded = PairedRows::paired(ChangeRuns::find(rowsOf({U, R, A, A, A, U})));
    EXPECT_EQ(moreAdded.shownCount(), 5);
    EXPECT_EQ(moreAdded.sidesAt(1), (Sides{1, 2}));
    EXPECT_EQ(moreAdded.sidesAt(2), (Sides{3, 3}));
    EXPECT_EQ(moreAdded.shownRowOf(4), 3);
    EXPECT_EQ(moreAdded.sidesAt(3), (Sides{4, 4}));

    // One by one, nothing moves.
    const PairedRows plain = PairedRows::oneByOne(6);
    EXPECT_FALSE(plain.isPaired());
    EXPECT_EQ(plain.shownCount(), 6);
    EXPECT_EQ(plain.shownRowOf(4), 4);
    EXPECT_EQ(plain.sidesAt(3), (Sides{3, 3}));
}

TEST(PairedRows, OnlyRowsThatPairShareARow)
{
    // An added row before a removed one, and a removed row before an unchanged one, have no
    // partner; the engine's pairs come one removed and one added row at a time, the rest of
    // the longer side after them.
    const DiffRows rows = rowsOf({A, R, U, R, A, R, A, R, R, P, R, A, A});
    const PairedRows paired = PairedRows::paired(ChangeRuns::find(rows));
    EXPECT_EQ(paired.sidesAt(0), (Sides{0, 0}));
    EXPECT_EQ(paired.sidesAt(1), (Sides{1, 1}));
    EXPECT_EQ(paired.sidesAt(3), (Sides{3, 4}));
    EXPECT_EQ(paired.sidesAt(4), (Sides{5, 6}));
    EXPECT_EQ(paired.sidesAt(5), (Sides{7, 7}));
    EXPECT_EQ(paired.sidesAt(7), (Sides{9, 9})); // the placeholder keeps its own row
    EXPECT_EQ(paired.sidesAt(8), (Sides{10, 11}));
    EXPECT_EQ(paired.sidesAt(9), (Sides{12, 12}));
    EXPECT_EQ(paired.shownCount(), 10);
    expectMatchesPartners(rows);
}

TEST(PairedRows, AgreesWithThePartnersOfEveryRowInFullAndFoldedResults)
{
    std::mt19937 random(11);
    for (int round = 0; round < 40; ++round) {
        QList<DiffLineType> types;
        for (int i = 0; i < 120; ++i)
            types.append(std::array{U, U, R, A, P}[random() % 5]);
        expectMatchesPartners(rowsOf(types));

        // Results of the engine, stored as runs, full and with the context folded.
        QStringList left;
        QStringList right;
        for (int i = 0; i < 300; ++i) {
            const unsigned what = random() % 12;
            if (what != 0)
                left << QStringLiteral("line %1").arg(i);
            if (what != 1)
                right << (what == 2 ? QStringLiteral("edited %1").arg(i) : QStringLiteral("line %1").arg(i));
        }
        for (const bool folded : {false, true}) {
            const DiffResult result = DiffEngine::compute(left, right, folded);
            ASSERT_FALSE(result.lines().runs().empty());
            expectMatchesPartners(result.lines());
        }
    }
}

TEST(PairedRows, AMillionRowsStoredAsRunsKeepOnlyTheirReplacements)
{
    constexpr qint64 kLines = 1'000'000;
    TextLines lines;
    lines.appendSplit(QByteArray(kLines, '\n'));
    const SharedLines shared = TextLines::share(std::move(lines));
    // Unchanged stretches, each followed by a replacement of 3 lines by 5: a million rows.
    std::vector<DiffRows::Run> runs;
    qint64 row = 0;
    qint64 left = 0;
    qint64 right = 0;
    constexpr qint64 kStretch = 992;
    for (int i = 0; i < 1000; ++i) {
        runs.push_back({row, left, right, kStretch, 0, DiffRows::Run::Kind::unchanged});
        row += kStretch;
        left += kStretch;
        right += kStretch;
        runs.push_back({row, left, right, 3, 5, DiffRows::Run::Kind::change});
        row += 8;
        left += 3;
        right += 5;
    }
    const DiffRows rows = DiffRows::fromRuns(std::move(runs), shared, shared);
    const PairedRows paired = PairedRows::paired(ChangeRuns::find(rows));

    // The engine pairs three times, then two added rows: three replacements a change.
    EXPECT_EQ(paired.blockCount(), 3000u);
    EXPECT_EQ(paired.shownCount(), rows.size() - 3000);
    const qint64 lastChange = 999 * (kStretch + 8) + kStretch;
    const qint64 lastShown = 999 * (kStretch + 5) + kStretch;
    EXPECT_EQ(paired.shownRowOf(lastChange), lastShown);     // removed
    EXPECT_EQ(paired.shownRowOf(lastChange + 1), lastShown); // its added partner
    EXPECT_EQ(paired.sidesAt(lastShown + 3), (Sides{lastChange + 6, lastChange + 6}));
    EXPECT_EQ(paired.shownRowOf(rows.size() - 1), paired.shownCount() - 1);
    EXPECT_EQ(paired.sidesAt(paired.shownCount() - 1), (Sides{rows.size() - 1, rows.size() - 1}));
}
