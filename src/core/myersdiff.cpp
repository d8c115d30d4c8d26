// SPDX-License-Identifier: GPL-3.0-or-later

// Myers' O(ND) difference algorithm in linear space (Myers 1986, section 4b).
//
// The idea: the edit graph of a[off1, lim1) against b[off2, lim2) has a point (x, y) for
// every pair of prefixes; diagonal k holds the points with x - y = k. A forward search
// from the top left and a backward search from the bottom right each keep, per diagonal,
// the furthest point reachable with the current number of edits (`forward[k]` and
// `backward[k]` store x). They advance one edit at a time, alternately. The first
// diagonal on which they meet carries a point of some shortest path; cutting the box
// there leaves two boxes of at most ceil(D/2) edits each.
//
// The cost: O((N + M) * D) time for N and M lines and D edits, O(N + M) space. It is the
// cheapest exact method when few lines change; the solver (lcssolver.cpp) gives each
// search a budget and takes another method when the budget runs out.
//
// The invariant: after round e of the forward search, forward[k] is the largest x on
// diagonal k reachable from (off1, off2) with e edits (for the diagonals of e's parity),
// and likewise for the backward search towards (lim1, lim2).
#include "core/myersdiff.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <limits>
#include <thread>

namespace varnel {

namespace {

inline void cpuRelax()
{
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#elif defined(__aarch64__)
    asm volatile("yield");
#endif
}

struct BudgetSpent {};

template <typename Index>
class Myers final : public MyersSearch {
public:
    Myers(const LcsProblem& problem, const std::uint8_t* tagA, const std::uint8_t* tagB)
        : m_problem(problem)
        , m_a(problem.a)
        , m_b(problem.b)
        , m_tagA(tagA)
        , m_tagB(tagB)
        , m_storage(size_t(2 * (problem.sizeA + problem.sizeB + 3)))
    {
        // Diagonals run from -|b| - 1 to |a| + 1.
        const auto offset = std::ptrdiff_t(problem.sizeB) + 1;
        m_forward = m_storage.data() + offset;
        m_backward = m_storage.data() + (problem.sizeA + problem.sizeB + 3) + offset;
    }

    std::optional<Cut> middleSnake(const LcsBox& box, std::uint64_t budget, bool twoThreads) override
    {
        m_cost = 0;
        m_saved = start(Index(box.off1), Index(box.lim1), Index(box.off2), Index(box.lim2));
        m_nextRound = 1;
        return run(budget, twoThreads);
    }

    std::optional<Cut> resume(std::uint64_t budget, bool twoThreads) override
    {
        if (m_nextRound == 0)
            return std::nullopt;
        return run(budget, twoThreads);
    }

    std::uint64_t lastCost() const override { return m_cost; }
    std::int64_t lastRounds() const override { return m_rounds; }

    std::int64_t lastReach() const override
    {
        if (m_nextRound == 0)
            return 0;
        const Search& s = m_saved;
        std::int64_t forward = 0;
        for (Index k = s.fmax; k >= s.fmin; k -= 2)
            forward = std::max(forward, std::int64_t(2 * m_forward[k] - k) - (s.off1 + s.off2));
        std::int64_t backward = 0;
        for (Index k = s.bmax; k >= s.bmin; k -= 2)
            backward = std::max(backward, std::int64_t(s.lim1 + s.lim2) - std::int64_t(2 * m_backward[k] - k));
        return forward + backward;
    }

    void solve(LcsBox box) override
    {
        for (;;) {
            m_problem.trim(box);
            if (box.empty()) {
                m_problem.markRest(box);
                return;
            }
            // Both sides are non-empty and differ at both ends, so D >= 2 and the cut
            // lies strictly inside: each half is smaller than the whole.
            m_budget = std::numeric_limits<std::uint64_t>::max();
            m_twoThreads = false;
            const Point p = search(Index(box.off1), Index(box.lim1), Index(box.off2), Index(box.lim2));
            solve(LcsBox{box.off1, p.x, box.off2, p.y});
            box.off1 = p.x; // the second half iteratively, to keep the stack shallow
            box.off2 = p.y;
        }
    }

private:
    struct Point {
        Index x;
        Index y;
    };

    // One byte per line, derived from its id: the searches probe lines all over both
    // sequences, and these small arrays stay in cache where the ids would not. Equal ids
    // have equal tags; the ids decide whenever the tags agree.
    bool equal(Index x, Index y) const { return m_tagA[x] == m_tagB[y] && m_a[x] == m_b[y]; }

    // One middle-snake search: the box and both bands of diagonals.
    struct Search {
        Index off1, lim1, off2, lim2;
        Index dmin, dmax; // the diagonals inside the box
        Index fmin, fmax; // the forward band
        Index bmin, bmax; // the backward band
        bool odd;
    };

    static constexpr Index kBelowAll = -1;
    static constexpr Index kAboveAll = std::numeric_limits<Index>::max() / 2;

    // Forward round: widen the band by one diagonal each way, staying in the box, with a
    // sentinel just outside so the border diagonals read no stale value. Then, on every
    // diagonal of the round's parity, step right from k-1 (a removal) or down from k+1
    // (an insertion), whichever got further, and follow the snake of equal lines.
    // When the distance between the start diagonals is odd, the searches can meet only
    // here: on a diagonal of the backward band [bmin, bmax] of the previous round.
    // Returns the units spent, and the meeting point in `meeting` if there is one.
    std::uint64_t forwardRound(Search& s, Index bmin, Index bmax, std::optional<Point>& meeting)
    {
        if (s.fmin > s.dmin)
            m_forward[--s.fmin - 1] = kBelowAll;
        else
            ++s.fmin;
        if (s.fmax < s.dmax)
            m_forward[++s.fmax + 1] = kBelowAll;
        else
            --s.fmax;
        std::uint64_t units = 0;
        for (Index k = s.fmax; k >= s.fmin; k -= 2) {
            Index x = m_forward[k - 1] >= m_forward[k + 1] ? m_forward[k - 1] + 1 : m_forward[k + 1];
            Index y = x - k;
            const Index start = x;
            while (x < s.lim1 && y < s.lim2 && equal(x, y)) {
                ++x;
                ++y;
            }
            units += std::uint64_t(1 + x - start);
            m_forward[k] = x;
            if (s.odd && bmin <= k && k <= bmax && m_backward[k] <= x) {
                meeting = Point{x, y};
                return units;
            }
        }
        return units;
    }

    // Backward round: the mirror image, moving up and left from the bottom right. It
    // writes only the diagonals of its own parity and the sentinels outside its band, so
    // it may run beside a forward round, which reads the previous round's diagonals.
    std::uint64_t backwardRound(Search& s)
    {
        if (s.bmin > s.dmin)
            m_backward[--s.bmin - 1] = kAboveAll;
        else
            ++s.bmin;
        if (s.bmax < s.dmax)
            m_backward[++s.bmax + 1] = kAboveAll;
        else
            --s.bmax;
        std::uint64_t units = 0;
        for (Index k = s.bmax; k >= s.bmin; k -= 2) {
            Index x = m_backward[k - 1] < m_backward[k + 1] ? m_backward[k - 1] : m_backward[k + 1] - 1;
            Index y = x - k;
            const Index start = x;
            while (x > s.off1 && y > s.off2 && equal(x - 1, y - 1)) {
                --x;
                --y;
            }
            units += std::uint64_t(1 + start - x);
            m_backward[k] = x;
        }
        return units;
    }

    // With an even distance, the searches meet right after a backward round, where the
    // backward point has reached or passed the forward one on the same diagonal.
    std::optional<Point> evenMeeting(const Search& s) const
    {
        if (s.odd)
            return std::nullopt;
        const Index low = std::max(s.fmin, s.bmin);
        const Index high = std::min(s.fmax, s.bmax);
        for (Index k = high; k >= low; k -= 2) {
            if (m_backward[k] <= m_forward[k])
                return Point{m_backward[k], m_backward[k] - k};
        }
        return std::nullopt;
    }

    // Counts the units of a round; throws when the budget is spent.
    void spend(std::uint64_t units, const Search& s, Index edits)
    {
        m_cost += units;
        m_problem.control->tick(units);
        if (m_cost > m_budget)
            throw BudgetSpent{};
        if ((edits & 255) == 0) {
            // Progress: the edits so far against the most the search can need (it meets
            // after half the box's lines at most), as a share of half the box.
            const auto lines = std::uint64_t(s.lim1 - s.off1) + std::uint64_t(s.lim2 - s.off2);
            m_problem.control->setPartial(std::min(lines / 2, std::uint64_t(edits)));
        }
    }

    // Runs the saved search on until it meets or has spent `budget` units in all; it can
    // then be run on again with a larger budget.
    std::optional<Cut> run(std::uint64_t budget, bool twoThreads)
    {
        m_budget = budget;
        m_twoThreads = twoThreads;
        try {
            const Point p = search(m_saved, m_nextRound);
            m_problem.control->setPartial(0);
            m_nextRound = 0;
            return Cut{p.x, p.y};
        } catch (const BudgetSpent&) {
            m_problem.control->setPartial(0);
            m_nextRound = m_rounds + 1;
            return std::nullopt;
        } catch (...) {
            m_nextRound = 0;
            throw;
        }
    }

    Search start(Index off1, Index lim1, Index off2, Index lim2)
    {
        const Index fmid = off1 - off2; // the forward search starts on this diagonal
        const Index bmid = lim1 - lim2; // and the backward one on this
        m_forward[fmid] = off1;
        m_backward[bmid] = lim1;
        return Search{
            off1, lim1, off2, lim2, off1 - lim2, lim1 - off2, fmid, fmid, bmid, bmid, ((fmid - bmid) & 1) != 0};
    }

    Point search(Index off1, Index lim1, Index off2, Index lim2)
    {
        Search s = start(off1, lim1, off2, lim2);
        return search(s, 1);
    }

    // Rounds from `firstRound` on. A search that ran out of budget stopped after a whole
    // round of both halves, so it can go on from the next.
    Point search(Search& s, Index firstRound)
    {
        for (Index edits = firstRound;; ++edits) {
            m_rounds = edits;
            if (edits >= kParallelAfterRounds && m_twoThreads)
                return parallelSearch(s, edits);
            std::optional<Point> meeting;
            std::uint64_t units = forwardRound(s, s.bmin, s.bmax, meeting);
            if (meeting)
                return *meeting;
            units += backwardRound(s);
            if (std::optional<Point> even = evenMeeting(s))
                return *even;
            spend(units, s, edits);
        }
    }

    // Long searches run their two halves side by side: a helper thread takes each
    // backward round while this thread takes the forward one, and the two meet after
    // every round. Short searches stay on one thread, where this would cost more than
    // it saves.
    static constexpr Index kParallelAfterRounds = 512;

    Point parallelSearch(Search& s, Index firstRound)
    {
        std::atomic<Index> posted{0};   // the round the helper is asked to run; -1: stop
        std::atomic<Index> finished{0}; // the last round it completed
        std::atomic<std::uint64_t> helperUnits{0};
        const auto waitFor = [](const std::atomic<Index>& value, auto ready) {
            for (unsigned spins = 0;; ++spins) {
                const Index seen = value.load(std::memory_order_acquire);
                if (ready(seen))
                    return seen;
                // Rounds are short: spin, and give the core away only when the other
                // thread seems to have been descheduled.
                if (spins > 1024)
                    std::this_thread::yield();
                else
                    cpuRelax();
            }
        };
        Search backward = s; // the helper's copy: it alone touches bmin and bmax
        std::thread helper([&] {
            for (Index round = firstRound;; ++round) {
                if (waitFor(posted, [round](Index seen) { return seen == round || seen < 0; }) < 0)
                    return;
                helperUnits.store(backwardRound(backward), std::memory_order_relaxed);
                finished.store(round, std::memory_order_release);
            }
        });
        const auto stopHelper = [&] {
            posted.store(-1, std::memory_order_release);
            helper.join();
        };

        try {
            for (Index edits = firstRound;; ++edits) {
                m_rounds = edits;
                const Index bmin = backward.bmin; // the previous round's band, stable here
                const Index bmax = backward.bmax;
                posted.store(edits, std::memory_order_release);
                std::optional<Point> meeting;
                std::uint64_t units = forwardRound(s, bmin, bmax, meeting);
                waitFor(finished, [edits](Index seen) { return seen == edits; });
                units += helperUnits.load(std::memory_order_relaxed);
                if (!meeting) {
                    s.bmin = backward.bmin;
                    s.bmax = backward.bmax;
                    meeting = evenMeeting(s);
                }
                if (meeting) {
                    stopHelper();
                    return *meeting;
                }
                // Cancel checks and the budget are this thread's: the helper only ever
                // runs the one round it was given.
                spend(units, s, edits);
            }
        } catch (...) {
            stopHelper();
            throw;
        }
    }

    const LcsProblem& m_problem;
    const std::uint32_t* m_a;
    const std::uint32_t* m_b;
    const std::uint8_t* m_tagA;
    const std::uint8_t* m_tagB;
    std::vector<Index> m_storage;
    Index* m_forward;
    Index* m_backward;
    std::uint64_t m_budget = 0;
    std::uint64_t m_cost = 0; // units spent by the current search, over all its runs
    Search m_saved{};
    Index m_nextRound = 0; // the round a search that ran out of budget goes on from; 0: none
    Index m_rounds = 0;
    bool m_twoThreads = false;
};

} // namespace

std::vector<std::uint8_t> MyersSearch::tagsOf(const std::uint32_t* ids, std::int64_t size)
{
    std::vector<std::uint8_t> out(static_cast<size_t>(size));
    for (std::int64_t i = 0; i < size; ++i)
        out[size_t(i)] = std::uint8_t((ids[i] * 0x9E3779B1u) >> 24);
    return out;
}

std::unique_ptr<MyersSearch> MyersSearch::create(const LcsProblem& problem, const std::uint8_t* tagA,
                                                 const std::uint8_t* tagB)
{
    // 32-bit positions whenever they fit: narrower diagonal arrays keep more of the
    // active band in cache.
    if (problem.sizeA + problem.sizeB < std::int64_t(std::numeric_limits<std::int32_t>::max() / 2))
        return std::make_unique<Myers<std::int32_t>>(problem, tagA, tagB);
    return std::make_unique<Myers<std::int64_t>>(problem, tagA, tagB);
}

} // namespace varnel
