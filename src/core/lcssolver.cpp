// SPDX-License-Identifier: GPL-3.0-or-later

// The solver: one box at a time, the cheapest exact method for it.
//
// The idea: every method here is exact, and each is fast on its own kind of box. Myers'
// search costs about (N + M) * D and wins when few lines change; Hunt and Szymanski's
// costs about r log N for r matching pairs and wins on reordered files and lines that
// mostly occur once; the bit-parallel rows cost N * M / 64 whatever D is and bound the
// rest. For each box the solver trims equal ends and first lets Myers search briefly
// (16 probes a line), which settles the common case of few edits without any counting.
// Otherwise it counts the matching pairs, prices the other two methods, bounds D from
// below and estimates it from how far the brief search got. When the estimate says
// Myers wins clearly and the bound does not rule it out, the search goes on with the
// cheaper price as its budget; otherwise the cheaper method takes the box. A search that meets within it cuts the
// box in two; one that runs out hands the box to the cheaper method, and the boxes
// inside it then get only a brief search each. Cuts from either search send both halves
// back here, so each part of a file gets its own choice.
//
// The cost: at most about 1.3 times the cheaper alternative's on any box when the
// prices are right, plus O(N + M) per box for the counting. While a second core is idle,
// long searches use it for their backward half, bit-parallel splits for their backward
// pass, and the two halves of a large cut run one on each core.
//
// The invariant: the marks of each box are those of a shortest script of that box, and
// a cut lies on some optimal path, so the union over the boxes is a shortest script of
// the whole.
#include "core/lcssolver.h"

#include "core/bitlcs.h"
#include "core/lcsbox.h"
#include "core/myersdiff.h"
#include "core/sparselcs.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <limits>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>

namespace varnel {

namespace {

// Boxes up to this area go to Myers without pricing: it is quick on them whatever D is.
constexpr std::int64_t kSmallArea = 1 << 14;
// Before pricing a box, Myers may spend this many probes per line on it.
constexpr std::uint64_t kQuickProbesPerLine = 16;
// Bit-parallel passes of more words than this run their two halves on two threads, and
// cuts after more work than this solve their halves on two threads.
constexpr double kParallelWork = 1e6;
// Cuts after a search of this many edits solve their halves on two threads.
constexpr std::int64_t kParallelRounds = 512;
// The most matching pairs the sparse method holds links for (12 bytes each): four per
// line of the box, and never more than 2^24.
constexpr std::uint64_t kSparseMatchesPerLine = 4;
constexpr std::uint64_t kSparseMaxMatches = std::uint64_t(1) << 24;

constexpr std::uint64_t kUnlimited = std::numeric_limits<std::uint64_t>::max();

class Solver {
public:
    Solver(const LcsProblem& problem, DiffAlgorithm algorithm)
        : m_problem(problem)
        , m_algorithm(algorithm)
        , m_tagA(MyersSearch::tagsOf(problem.a, problem.sizeA))
        , m_tagB(MyersSearch::tagsOf(problem.b, problem.sizeB))
        , m_idleCores(int(std::max(1u, std::thread::hardware_concurrency())) - 1)
    {
    }

    // One thread's scratch: a Myers search's diagonals and a slot per id.
    struct Context {
        std::unique_ptr<MyersSearch> myers;
        std::vector<std::int32_t> slots;
    };

    Context makeContext() const
    {
        return Context{MyersSearch::create(m_problem, m_tagA.data(), m_tagB.data()),
                       std::vector<std::int32_t>(m_problem.alphabet, -1)};
    }

    // A helper thread's context: made once, then kept for the next helper.
    std::unique_ptr<Context> borrowContext()
    {
        {
            std::lock_guard lock(m_spareMutex);
            if (!m_spare.empty()) {
                std::unique_ptr<Context> context = std::move(m_spare.back());
                m_spare.pop_back();
                return context;
            }
        }
        return std::make_unique<Context>(makeContext());
    }
    void giveBack(std::unique_ptr<Context> context)
    {
        std::lock_guard lock(m_spareMutex);
        m_spare.push_back(std::move(context));
    }

    void solve(LcsBox box, Context& context, bool myersFailed = false)
    {
        m_problem.trim(box);
        if (box.empty()) {
            m_problem.markRest(box);
            return;
        }
        m_problem.control->tick(1);
        const std::int64_t n = box.n();
        const std::int64_t m = box.m();
        const double area = double(n) * double(m);

        switch (m_algorithm) {
        case DiffAlgorithm::myers:
            if (area <= kSmallArea) {
                context.myers->solve(box);
                return;
            }
            myersCut(box, context, kUnlimited, false);
            return;
        case DiffAlgorithm::sparse: SparseLcs(m_problem, context.slots).solve(box); return;
        case DiffAlgorithm::bitParallel:
            if (m < 2) {
                context.myers->solve(box);
                return;
            }
            bitCut(box, context, myersFailed);
            return;
        case DiffAlgorithm::automatic: break;
        }

        if (area <= kSmallArea) {
            context.myers->solve(box);
            return;
        }
        // Few edits are the common case: a short search settles it before any counting.
        // After a search of an enclosing box ran out, only a shorter one: most boxes inside
        // are as hard, but a stretch with few edits still goes to Myers.
        const std::uint64_t quick =
            (myersFailed ? kQuickProbesPerLine / 4 : kQuickProbesPerLine) * std::uint64_t(n + m);
        if (myersCut(box, context, quick, myersFailed))
            return;
        // How far its fronts got tells how densely the edits lie: each front spent its
        // rounds of edits, so with edits spread evenly D is about 2 * rounds * lines / reach.
        const double reach = double(context.myers->lastReach());
        const double estimatedD = reach > 0 ? 2.0 * double(context.myers->lastRounds()) * double(n + m) / reach
                                            : std::numeric_limits<double>::infinity();
        const Census census = countMatches(box, context);
        const std::uint64_t matches = census.matches;
        // Prices in Myers probes. The sparse method's binary searches run over the
        // thresholds, at most min(n, m) of them; a word of a bit-parallel row costs about
        // a quarter of a probe.
        const double halfLog = std::bit_width(std::uint64_t(std::min(n, m))) / 2.0 + 2.0;
        const bool sparseFits =
            matches <=
            std::min(kSparseMaxMatches,
                     std::max<std::uint64_t>(std::uint64_t(1) << 20, kSparseMatchesPerLine * std::uint64_t(n + m)));
        const double sparsePrice =
            sparseFits ? double(matches) * halfLog + double(n + m) : std::numeric_limits<double>::infinity();
        // Each level of Hirschberg's recursion halves the area its boxes cover, and with
        // it the rows' work: about two passes in all. The masks cost every column and row
        // at every level.
        const double levels = std::bit_width(std::uint64_t(m));
        const double bitPrice = 0.5 * double(census.denseWords + census.sparseWords) + 0.5 * levels * double(n + m);
        const double cheaper = std::min(sparsePrice, bitPrice);
        // Myers' first search costs about D^2 / 4 probes, and about half its whole work.
        // It goes on when the estimate of D says it will win clearly (at half the price
        // or less) and no lower bound on D rules it out, with the alternative's whole
        // price as its budget, so a wrong estimate costs at most twice. Where the two are
        // close the bit-parallel rows are taken: their two threads meet once a pass, where
        // a long search meets once a round and suffers on a busy machine. Not at all once
        // a search of an enclosing box ran out.
        const double lowestD = double(lowerBoundOfD(box, census, cheaper));
        const bool myersWins = estimatedD * estimatedD / 2.0 < cheaper / 2.0 && lowestD * lowestD / 2.0 <= cheaper;
        const double budget = !myersFailed && myersWins ? cheaper : 0.0;
        if (matches == 0) {
            m_problem.markRest(box);
            return;
        }
        if (budget > double(quick)) {
            // The quick search goes on, so what it spent is not lost.
            if (myersCut(box, context, std::uint64_t(std::min(budget, 1e18)), myersFailed, true))
                return;
            myersFailed = true;
        }
        if (sparsePrice <= bitPrice) {
            SparseLcs(m_problem, context.slots).solve(box);
            return;
        }
        if (m < 2) {
            context.myers->solve(box);
            return;
        }
        bitCut(box, context, true);
        return;
    }

private:
    // One Myers cut of the box, with both halves solved; false when the budget ran out
    // first (then nothing is marked).
    // With `resume`, the search goes on where the last one on this box ran out, and
    // `budget` counts the units of both.
    bool myersCut(const LcsBox& box, Context& context, std::uint64_t budget, bool myersFailed, bool resume = false)
    {
        // The search itself moves to two threads only after kParallelRounds rounds.
        CoreToken helper = takeCore();
        const auto cut = resume ? context.myers->resume(budget, bool(helper))
                                : context.myers->middleSnake(box, budget, bool(helper));
        helper.release();
        if (!cut)
            return false;
        const bool long_ =
            context.myers->lastRounds() >= kParallelRounds || double(context.myers->lastCost()) > kParallelWork;
        solveHalves(LcsBox{box.off1, cut->x, box.off2, cut->y}, LcsBox{cut->x, box.lim1, cut->y, box.lim2}, context,
                    long_, myersFailed);
        return true;
    }

    void bitCut(const LcsBox& box, Context& context, bool myersFailed)
    {
        const double area = double(box.n()) * double(box.m());
        CoreToken helper = area / 64.0 > kParallelWork ? takeCore() : CoreToken();
        std::unique_ptr<Context> helperContext = helper ? borrowContext() : nullptr;
        const BitLcs::Cut cut =
            BitLcs(m_problem, context.slots).split(box, helperContext ? &helperContext->slots : nullptr);
        if (helperContext)
            giveBack(std::move(helperContext));
        helper.release();
        solveHalves(LcsBox{box.off1, cut.x, box.off2, cut.y}, LcsBox{cut.x, box.lim1, cut.y, box.lim2}, context,
                    area / 64.0 > kParallelWork, myersFailed);
    }

    // Solves two boxes, on two threads when a core is idle and both are worth it.
    void solveHalves(const LcsBox& first, const LcsBox& second, Context& context, bool worthIt, bool myersFailed)
    {
        CoreToken core = worthIt && std::min(first.lines(), second.lines()) > 1024 ? takeCore() : CoreToken();
        if (!core) {
            solve(first, context, myersFailed);
            solve(second, context, myersFailed);
            return;
        }
        std::exception_ptr failure;
        std::unique_ptr<Context> own = borrowContext();
        std::thread helper([&] {
            DiffControl::setThreadSlot(1);
            try {
                solve(first, *own, myersFailed);
            } catch (...) {
                failure = std::current_exception();
            }
        });
        try {
            solve(second, context, myersFailed);
        } catch (...) {
            helper.join();
            throw;
        }
        helper.join();
        giveBack(std::move(own));
        core.release();
        if (failure)
            std::rethrow_exception(failure);
    }

    struct Census {
        std::uint64_t matches = 0;                 // pairs (x, y) in the box with a[x] == b[y]
        std::uint64_t denseWords = 0;              // the work of one bit-parallel pass over the box, in words:
        std::uint64_t sparseWords = 0;             // by whole masks, and match by match
        std::uint64_t unpaired = 0;                // copies of a line that the other side lacks
        std::uint64_t sharedCopies = 0;            // copies of lines that are not unique pairs, paired up
        std::vector<std::int32_t> uniquePositions; // per line of b that occurs once on each side, its x
    };

    // One walk over each side, with the distinct lines of a numbered through the slots.
    Census countMatches(const LcsBox& box, Context& context) const
    {
        std::vector<std::int32_t>& slots = context.slots;
        std::vector<std::int32_t> countA, countB, firstX;
        for (std::int64_t x = box.off1; x < box.lim1; ++x) {
            std::int32_t& slot = slots[m_problem.a[x]];
            if (slot < 0) {
                slot = std::int32_t(countA.size());
                countA.push_back(0);
                firstX.push_back(std::int32_t(x));
            }
            ++countA[size_t(slot)];
        }
        countB.assign(countA.size(), 0);
        Census census;
        const std::uint64_t words = BitLcs::wordsFor(box.n());
        const std::uint64_t denseFrom = BitLcs::denseFrom(box.n());
        for (std::int64_t y = box.off2; y < box.lim2; ++y) {
            const std::int32_t slot = slots[m_problem.b[y]];
            if (slot < 0) {
                ++census.unpaired;
                continue;
            }
            ++countB[size_t(slot)];
            const auto c = std::uint64_t(countA[size_t(slot)]);
            census.matches += c;
            if (c >= denseFrom)
                census.denseWords += words;
            else
                census.sparseWords += BitLcs::kWordsPerMatch * c + 1;
        }
        for (size_t d = 0; d < countA.size(); ++d) {
            census.unpaired += std::uint64_t(std::abs(countA[d] - countB[d]));
            if (countA[d] != 1 || countB[d] != 1)
                census.sharedCopies += std::uint64_t(std::min(countA[d], countB[d]));
        }
        for (std::int64_t y = box.off2; y < box.lim2; ++y) {
            const std::int32_t slot = slots[m_problem.b[y]];
            if (slot >= 0 && countA[size_t(slot)] == 1 && countB[size_t(slot)] == 1)
                census.uniquePositions.push_back(firstX[size_t(slot)]);
        }
        for (std::int64_t x = box.off1; x < box.lim1; ++x)
            slots[m_problem.a[x]] = -1;
        m_problem.control->tick(3 * std::uint64_t(box.lines()));
        return census;
    }

    // A lower bound on the edits of any script for the box. Every script removes or
    // inserts the copies of a line that the other side lacks; and a common subsequence
    // uses at most the paired-up copies of the lines that are not unique pairs plus an
    // increasing run of the unique pairs (a longest increasing subsequence of their
    // positions: small for reordered files). The second bound is worked out only when
    // the alternative's price makes it worth its O(u log u).
    std::uint64_t lowerBoundOfD(const LcsBox& box, const Census& census, double cheaper) const
    {
        std::uint64_t bound = census.unpaired;
        if (cheaper < 64.0 * double(box.lines()) || census.uniquePositions.empty())
            return bound;
        std::vector<std::int32_t> tails; // tails[k]: the least end of an increasing run of k + 1
        for (std::int32_t x : census.uniquePositions) {
            const auto at = std::lower_bound(tails.begin(), tails.end(), x);
            if (at == tails.end())
                tails.push_back(x);
            else
                *at = x;
        }
        m_problem.control->tick(census.uniquePositions.size() * 4);
        const std::uint64_t longest = census.sharedCopies + tails.size();
        return std::max(bound, std::uint64_t(box.lines()) -
                                   2 * std::min<std::uint64_t>(longest, std::uint64_t(std::min(box.n(), box.m()))));
    }

    // A claim on an idle core, given back when released or destroyed.
    class CoreToken {
    public:
        CoreToken() = default;
        explicit CoreToken(std::atomic<int>* pool) : m_pool(pool) {}
        CoreToken(CoreToken&& other) noexcept : m_pool(std::exchange(other.m_pool, nullptr)) {}
        CoreToken& operator=(CoreToken&& other) noexcept
        {
            release();
            m_pool = std::exchange(other.m_pool, nullptr);
            return *this;
        }
        ~CoreToken() { release(); }
        explicit operator bool() const { return m_pool != nullptr; }
        void release()
        {
            if (m_pool)
                m_pool->fetch_add(1, std::memory_order_relaxed);
            m_pool = nullptr;
        }

    private:
        std::atomic<int>* m_pool = nullptr;
    };

    CoreToken takeCore()
    {
        int idle = m_idleCores.load(std::memory_order_relaxed);
        while (idle > 0) {
            if (m_idleCores.compare_exchange_weak(idle, idle - 1, std::memory_order_relaxed))
                return CoreToken(&m_idleCores);
        }
        return CoreToken();
    }

    const LcsProblem& m_problem;
    DiffAlgorithm m_algorithm;
    std::vector<std::uint8_t> m_tagA;
    std::vector<std::uint8_t> m_tagB;
    std::atomic<int> m_idleCores;
    std::mutex m_spareMutex;
    std::vector<std::unique_ptr<Context>> m_spare;
};

} // namespace

bool minimalDiff(std::span<const std::uint32_t> a, std::span<const std::uint32_t> b,
                 std::vector<std::uint8_t>& removedA, std::vector<std::uint8_t>& insertedB, DiffControl& control,
                 DiffAlgorithm algorithm)
{
    std::uint32_t alphabet = 0;
    for (std::uint32_t id : a)
        alphabet = std::max(alphabet, id + 1);
    for (std::uint32_t id : b)
        alphabet = std::max(alphabet, id + 1);
    const LcsProblem problem{a.data(), b.data(),        std::int64_t(a.size()), std::int64_t(b.size()),
                             alphabet, removedA.data(), insertedB.data(),       &control};
    try {
        Solver solver(problem, algorithm);
        Solver::Context context = solver.makeContext();
        solver.solve(LcsBox{0, problem.sizeA, 0, problem.sizeB}, context);
        return true;
    } catch (const DiffCancelled&) {
        return false;
    }
}

} // namespace varnel
