// SPDX-License-Identifier: GPL-3.0-or-later

// The edit script between the tokens of two lines: Myers' greedy O(ND) search, forward
// only, remembering each round's furthest reaches to walk the path back.
//
// The idea: two versions of one line share most of their tokens, so D (tokens removed
// plus inserted) is small and the search ends after a few rounds. Equal heads and tails
// are taken off first. A line that was rewritten has a large D and a useless script; the
// budget stops the search there, and the caller shows no change within such a line.
//
// The cost: O((N + M) · D) time at worst and O(N + M + D²) memory for the rounds kept,
// both bounded by the budget (D is at most its square root): 4 bytes per value kept.
//
// The invariant: the marks form a shortest script (removed plus inserted is
// N + M − 2·LCS), and the unmarked tokens of both sides are equal in order.
#include "reading/tokendiff.h"

#include <algorithm>
#include <cmath>

namespace varnel {

bool diffTokens(std::span<const std::uint32_t> a, std::span<const std::uint32_t> b, std::vector<bool>& removedA,
                std::vector<bool>& insertedB, std::uint64_t budget)
{
    removedA.assign(a.size(), false);
    insertedB.assign(b.size(), false);
    std::int64_t head = 0;
    std::int64_t n = std::int64_t(a.size());
    std::int64_t m = std::int64_t(b.size());
    while (head < n && head < m && a[std::size_t(head)] == b[std::size_t(head)])
        ++head;
    while (n > head && m > head && a[std::size_t(n - 1)] == b[std::size_t(m - 1)]) {
        --n;
        --m;
    }
    const std::span<const std::uint32_t> x = a.subspan(std::size_t(head), std::size_t(n - head));
    const std::span<const std::uint32_t> y = b.subspan(std::size_t(head), std::size_t(m - head));
    const std::int64_t xn = std::int64_t(x.size());
    const std::int64_t yn = std::int64_t(y.size());
    if (xn == 0 || yn == 0) {
        for (std::int64_t i = 0; i < xn; ++i)
            removedA[std::size_t(head + i)] = true;
        for (std::int64_t j = 0; j < yn; ++j)
            insertedB[std::size_t(head + j)] = true;
        return true;
    }

    // v[k + offset] is the furthest x reached on diagonal k = x − y; the reaches after
    // each round are kept for the walk back.
    const std::int64_t maxD = std::min<std::int64_t>(xn + yn, std::int64_t(std::sqrt(double(budget))) + 1);
    const std::int64_t offset = maxD + 1;
    std::vector<std::int64_t> v(std::size_t(2 * offset + 1), 0);
    // Round d keeps diagonals −d..d, so all rounds together hold about D² values.
    std::vector<std::int32_t> rounds;
    std::vector<std::size_t> roundStart;
    std::uint64_t spent = 0;
    std::int64_t found = -1;
    for (std::int64_t d = 0; d <= maxD && found < 0; ++d) {
        for (std::int64_t k = -d; k <= d; k += 2) {
            const std::size_t at = std::size_t(k + offset);
            std::int64_t i = (k == -d || (k != d && v[at - 1] < v[at + 1])) ? v[at + 1] : v[at - 1] + 1;
            std::int64_t j = i - k;
            while (i < xn && j < yn && x[std::size_t(i)] == y[std::size_t(j)]) {
                ++i;
                ++j;
                ++spent;
            }
            v[at] = i;
            ++spent;
            if (i >= xn && j >= yn) {
                found = d;
                break;
            }
        }
        roundStart.push_back(rounds.size());
        for (std::int64_t k = -d; k <= d; ++k)
            rounds.push_back(std::int32_t(v[std::size_t(k + offset)]));
        if (spent > budget)
            return false;
    }
    if (found < 0)
        return false;

    // Walk back from the end, one edit per round.
    std::int64_t i = xn;
    std::int64_t j = yn;
    for (std::int64_t d = found; d > 0; --d) {
        // Diagonal k of round d − 1 is at before[k + d − 1].
        const std::int32_t* before = rounds.data() + roundStart[std::size_t(d - 1)];
        const std::int64_t k = i - j;
        const auto reach = [&](std::int64_t diagonal) { return std::int64_t(before[std::size_t(diagonal + d - 1)]); };
        const bool down = k == -d || (k != d && reach(k - 1) < reach(k + 1));
        const std::int64_t previousK = down ? k + 1 : k - 1;
        const std::int64_t previousI = reach(previousK);
        const std::int64_t previousJ = previousI - previousK;
        // Back along the snake, then the one edit.
        if (down)
            insertedB[std::size_t(head + previousJ)] = true;
        else
            removedA[std::size_t(head + previousI)] = true;
        i = previousI;
        j = previousJ;
    }
    return true;
}

} // namespace varnel
