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
constexpr auto U = DiffLineType::unchanged;
constexpr auto R = DiffLineType::removed;
constexpr auto A = DiffLineType::added;
constexpr auto P = DiffLineType::contextCollapsed;

DiffRows rowsOf(const QList<DiffLineType>& types)
{
    QList<DiffLine> rows;
    for (DiffLineType type : types)
        rows.append(DiffLine(1, 1, {}, type, type == P ? 5 : 0));
    return rows;
}

// Pairing worked out row by row from the partners alone: an added row with a partner
// joins its partner's shown row, every other row opens the next one.
void expectMatchesPartners(const DiffRows& rows)
{
    const ChangeRuns runs = ChangeRuns::find(rows);
    const PairedRows paired = PairedRows::paired(runs);
    std::vector<qint64> shownOf;
    std::map<qint64, Sides> sides;
    for (qint64 row = 0, next = 0; row < rows.size(); ++row) {
        const std::optional<qint64> partner = runs.partner(row);
        const bool joins = partner && rows[row].type() == A;
        shownOf.push_back(joins ? shownOf[std::size_t(*partner)] : next++);
        if (joins)
            sides[shownOf.back()].right = row;
        else
            sides[shownOf.back()] = {row, row};
    }
    ASSERT_EQ(paired.shownCount(), qint64(sides.size()));
    for (qint64 row = 0; row < rows.size(); ++row)
        ASSERT_EQ(paired.shownRowOf(row), shownOf[std::size_t(row)]) << "row " << row;
    std::size_t hint = 0; // asked in order, as the heights are estimated
    for (const auto& [shown, expected] : sides) {
        ASSERT_EQ(paired.sidesAt(shown), expected) << "shown row " << shown;
        ASSERT_EQ(paired.sidesAt(shown, hint), expected) << "shown row " << shown;
    }
}

} // namespace

// More removed than added, more added than removed, and rows the pairing skips: an added
// row before a removed one, a removed row before an unchanged one or a placeholder.
TEST(PairedRows, EachReplacementTakesAsManyRowsAsItsLongerSide)
{
    const PairedRows fewerAdded = PairedRows::paired(ChangeRuns::find(rowsOf({U, R, R, R, A, U})));
    EXPECT_EQ(fewerAdded.shownCount(), 5);
    EXPECT_EQ(fewerAdded.sidesAt(1), (Sides{1, 4}));
    EXPECT_EQ(fewerAdded.sidesAt(2), (Sides{2, 2})); // faces a filler
    EXPECT_EQ(fewerAdded.shownRowOf(5), 4);
    const PairedRows moreAdded = PairedRows::paired(ChangeRuns::find(rowsOf({U, R, A, A, A, U})));
    EXPECT_EQ(moreAdded.sidesAt(1), (Sides{1, 2}));
    EXPECT_EQ(moreAdded.shownRowOf(4), 3);
    const PairedRows skips = PairedRows::paired(ChangeRuns::find(rowsOf({A, R, U, R, P, R, A, R, A, A})));
    EXPECT_EQ(skips.sidesAt(3), (Sides{3, 3}));
    EXPECT_EQ(skips.sidesAt(5), (Sides{5, 6}));
    EXPECT_EQ(skips.sidesAt(6), (Sides{7, 8}));
    EXPECT_EQ(skips.firstRowAt(7), 9);
    EXPECT_EQ(PairedRows::oneByOne(6).sidesAt(3), (Sides{3, 3}));

    std::mt19937 random(11);
    for (int round = 0; round < 40; ++round) {
        QList<DiffLineType> types;
        for (int i = 0; i < 120; ++i)
            types.append(std::array{U, U, R, A, P}[random() % 5]);
        expectMatchesPartners(rowsOf(types));
    }
}

// The engine's rows, stored as runs, in full and folded: its pairs come a removed and an
// added row at a time, then the rest of the longer side.
TEST(PairedRows, AgreesWithThePartnersOfFullAndFoldedResults)
{
    std::mt19937 random(5);
    for (int round = 0; round < 40; ++round) {
        QStringList left;
        QStringList right;
        for (int i = 0; i < 300; ++i) {
            const unsigned what = random() % 12;
            if (what != 0)
                left << QStringLiteral("line %1").arg(i);
            if (what != 1)
                right << (what == 2 ? QStringLiteral("edited %1").arg(i) : QStringLiteral("line %1").arg(i));
        }
        for (const bool folded : {false, true})
            expectMatchesPartners(DiffEngine::compute(left, right, folded).lines());
    }
}

TEST(PairedRows, AMillionRowsStoredAsRunsKeepOnlyTheirReplacements)
{
    TextLines lines;
    lines.appendSplit(QByteArray(1'000'000, '\n'));
    const SharedLines shared = TextLines::share(std::move(lines));
    // 1,000 unchanged stretches, each followed by 3 lines replaced by 5: a million rows.
    constexpr qint64 kStretch = 992;
    std::vector<DiffRows::Run> runs;
    for (qint64 i = 0; i < 1000; ++i) {
        const qint64 row = i * (kStretch + 8);
        runs.push_back({row, i * (kStretch + 3), i * (kStretch + 5), kStretch, 0, DiffRows::Run::Kind::unchanged});
        runs.push_back({row + kStretch, i * (kStretch + 3) + kStretch, i * (kStretch + 5) + kStretch, 3, 5,
                        DiffRows::Run::Kind::change});
    }
    const DiffRows rows = DiffRows::fromRuns(std::move(runs), shared, shared);
    const PairedRows paired = PairedRows::paired(ChangeRuns::find(rows));
    EXPECT_EQ(paired.blockCount(), 3000u); // three pairs a change, nothing per line
    EXPECT_EQ(paired.shownCount(), 1'000'000 - 3000);
    const qint64 lastChange = 999 * (kStretch + 8) + kStretch;
    const qint64 lastShown = 999 * (kStretch + 5) + kStretch;
    EXPECT_EQ(paired.shownRowOf(lastChange + 1), lastShown); // the added half of the pair
    EXPECT_EQ(paired.sidesAt(lastShown + 3), (Sides{lastChange + 6, lastChange + 6}));
    EXPECT_EQ(paired.sidesAt(paired.shownCount() - 1), (Sides{rows.size() - 1, rows.size() - 1}));
}
