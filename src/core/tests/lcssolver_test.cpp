// SPDX-License-Identifier: GPL-3.0-or-later

// Every method of the solver, and the automatic choice, against the plain O(NM) table.
#include "core/bitlcs.h"
#include "core/diffengine.h"
#include "core/lcssolver.h"
#include "core/myersdiff.h"

#include <gtest/gtest.h>
#include <time.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <numeric>
#include <random>
#include <thread>

using namespace varnel;

namespace {

using Ids = std::vector<std::uint32_t>;

constexpr DiffAlgorithm kAllAlgorithms[] = {DiffAlgorithm::automatic, DiffAlgorithm::myers, DiffAlgorithm::sparse,
                                            DiffAlgorithm::bitParallel};

const char* nameOf(DiffAlgorithm algorithm)
{
    switch (algorithm) {
    case DiffAlgorithm::automatic: return "automatic";
    case DiffAlgorithm::myers: return "myers";
    case DiffAlgorithm::sparse: return "sparse";
    case DiffAlgorithm::bitParallel: return "bitParallel";
    }
    return "?";
}

std::int64_t lcsLength(const Ids& a, const Ids& b)
{
    std::vector<std::int64_t> previous(b.size() + 1, 0), current(b.size() + 1, 0);
    for (size_t i = 1; i <= a.size(); ++i) {
        for (size_t j = 1; j <= b.size(); ++j)
            current[j] = a[i - 1] == b[j - 1] ? previous[j - 1] + 1 : std::max(previous[j], current[j - 1]);
        std::swap(previous, current);
    }
    return previous[b.size()];
}

struct Script {
    std::vector<std::uint8_t> removed;
    std::vector<std::uint8_t> inserted;
};

// Without a cancel check of its own, a diff gives up after 30 s, so that a broken method
// fails its test instead of hanging it.
std::optional<Script> diff(const Ids& a, const Ids& b, DiffAlgorithm algorithm, CancelCheck cancel = {})
{
    Script script{std::vector<std::uint8_t>(a.size(), 0), std::vector<std::uint8_t>(b.size(), 0)};
    if (!cancel) {
        cancel = [deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30)] {
            return std::chrono::steady_clock::now() > deadline;
        };
    }
    DiffControl control(cancel);
    if (!minimalDiff(a, b, script.removed, script.inserted, control, algorithm))
        return std::nullopt;
    return script;
}

// The kept lines of both sides are the same sequence, and there are no more changes
// than a longest common subsequence allows.
void expectMinimal(const Ids& a, const Ids& b, const Script& script, std::int64_t lcs)
{
    Ids keptA, keptB;
    std::int64_t changes = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        if (script.removed[i])
            ++changes;
        else
            keptA.push_back(a[i]);
    }
    for (size_t j = 0; j < b.size(); ++j) {
        if (script.inserted[j])
            ++changes;
        else
            keptB.push_back(b[j]);
    }
    ASSERT_EQ(keptA, keptB) << "the kept lines do not pair up";
    EXPECT_EQ(changes, std::int64_t(a.size() + b.size()) - 2 * lcs) << "not a shortest script";
}

Ids randomIds(std::mt19937& random, size_t count, std::uint32_t alphabet, std::uint32_t from = 0)
{
    Ids ids(count);
    std::uniform_int_distribution<std::uint32_t> pick(from, from + alphabet - 1);
    for (std::uint32_t& id : ids)
        id = pick(random);
    return ids;
}

Ids edited(std::mt19937& random, Ids ids, int edits, std::uint32_t alphabet)
{
    for (int e = 0; e < edits; ++e) {
        const size_t at = ids.empty() ? 0 : random() % (ids.size() + 1);
        switch (random() % 3) {
        case 0: ids.insert(ids.begin() + std::ptrdiff_t(at), std::uint32_t(random() % alphabet)); break;
        case 1:
            if (at < ids.size())
                ids.erase(ids.begin() + std::ptrdiff_t(at));
            break;
        default:
            if (at < ids.size())
                ids[at] = std::uint32_t(random() % alphabet);
        }
    }
    return ids;
}

// Pairs of the shapes that send the solver down each of its paths.
std::vector<std::pair<Ids, Ids>> shapes(std::mt19937& random, size_t size)
{
    std::vector<std::pair<Ids, Ids>> pairs;
    for (std::uint32_t alphabet : {1u, 2u, 3u, 5u, 40u, 1000u}) {
        const Ids a = randomIds(random, size, alphabet);
        pairs.emplace_back(a, randomIds(random, size - size / 4 + random() % (size / 2 + 1), alphabet));
        pairs.emplace_back(a, edited(random, a, int(1 + size / 20), alphabet));
    }
    Ids permutation(size);
    std::iota(permutation.begin(), permutation.end(), 0u);
    Ids shuffled = permutation;
    std::shuffle(shuffled.begin(), shuffled.end(), random);
    pairs.emplace_back(permutation, shuffled);
    // Reverses: of unique lines, and of lines with a few frequent ones among them.
    pairs.emplace_back(permutation, Ids(permutation.rbegin(), permutation.rend()));
    Ids mixed = permutation;
    for (size_t i = 0; i < mixed.size(); i += 1 + random() % 5)
        mixed[i] = std::uint32_t(size + random() % 3);
    pairs.emplace_back(mixed, Ids(mixed.rbegin(), mixed.rend()));
    // Shifted copies, one side empty, and nothing in common.
    Ids shifted(permutation.begin() + std::ptrdiff_t(size / 3), permutation.end());
    shifted.insert(shifted.end(), permutation.begin(), permutation.begin() + std::ptrdiff_t(size / 3));
    pairs.emplace_back(permutation, shifted);
    pairs.emplace_back(Ids(), permutation);
    pairs.emplace_back(randomIds(random, size, 50), randomIds(random, size, 50, 100));
    return pairs;
}

} // namespace

TEST(LcsSolverProperty, EveryMethodIsMinimalOnSmallAlphabetsPermutationsAndReverses)
{
    std::mt19937 random(20261207);
    for (int round = 0; round < 12; ++round) {
        const size_t size = 8 + size_t(round) * 23;
        for (const auto& [a, b] : shapes(random, size)) {
            const std::int64_t lcs = lcsLength(a, b);
            for (DiffAlgorithm algorithm : kAllAlgorithms) {
                SCOPED_TRACE(testing::Message() << nameOf(algorithm) << " " << a.size() << "x" << b.size());
                const std::optional<Script> script = diff(a, b, algorithm);
                ASSERT_TRUE(script) << "gave up";
                expectMinimal(a, b, *script, lcs);
                for (const auto& [x, y] : {std::pair{&a, &b}, std::pair{&b, &a}}) {
                    const std::optional<Script> swapped = diff(*x, *y, algorithm);
                    ASSERT_TRUE(swapped);
                    expectMinimal(*x, *y, *swapped, lcs);
                }
            }
        }
    }
}

// Large enough for the cuts and the bit-parallel passes to run on two threads.
TEST(LcsSolverProperty, LargeBoxesOnTwoThreadsStayMinimal)
{
    std::mt19937 random(99);
    for (std::uint32_t alphabet : {2u, 4u, 300u}) {
        const Ids a = randomIds(random, 3000, alphabet);
        const Ids b = edited(random, a, 900, alphabet);
        const std::int64_t lcs = lcsLength(a, b);
        for (DiffAlgorithm algorithm : kAllAlgorithms) {
            SCOPED_TRACE(testing::Message() << nameOf(algorithm) << " alphabet " << alphabet);
            const std::optional<Script> script = diff(a, b, algorithm);
            ASSERT_TRUE(script);
            expectMinimal(a, b, *script, lcs);
        }
    }
}

// The one-byte tags of the ids collide; only the ids may decide equality.
TEST(LcsSolver, LinesWithEqualTagsAreStillDifferent)
{
    const Ids ids = [] {
        Ids all(4000);
        std::iota(all.begin(), all.end(), 0u);
        return all;
    }();
    const std::vector<std::uint8_t> tags = MyersSearch::tagsOf(ids.data(), std::int64_t(ids.size()));
    std::uint32_t first = 0, second = 0;
    for (std::uint32_t j = 1; j < ids.size() && second == 0; ++j) {
        if (tags[j] == tags[0])
            second = j;
    }
    ASSERT_NE(second, 0u) << "no two ids share a tag";
    // x's tag equals y's, and only one of them may pair with the other side.
    const Ids a{7777, first, 7778, first, 7779};
    const Ids b{7777, second, 7778, second, 7779};
    for (DiffAlgorithm algorithm : kAllAlgorithms) {
        SCOPED_TRACE(nameOf(algorithm));
        const std::optional<Script> script = diff(a, b, algorithm);
        ASSERT_TRUE(script);
        expectMinimal(a, b, *script, 3);
    }
    // And many distinct lines at once, where tags collide all the time.
    std::mt19937 random(5);
    for (int round = 0; round < 20; ++round) {
        const Ids x = randomIds(random, 200, 300);
        const Ids y = edited(random, x, 60, 300);
        const std::int64_t lcs = lcsLength(x, y);
        for (DiffAlgorithm algorithm : kAllAlgorithms) {
            const std::optional<Script> script = diff(x, y, algorithm);
            ASSERT_TRUE(script);
            expectMinimal(x, y, *script, lcs);
        }
    }
}

// A search that ran out of budget goes on to the same cut a search without a limit finds,
// on one thread or two.
TEST(LcsSolver, MyersSearchResumesWhereItStopped)
{
    std::mt19937 random(21);
    const Ids a = randomIds(random, 4000, 3);
    const Ids b = randomIds(random, 3900, 3);
    std::vector<std::uint8_t> removed(a.size()), inserted(b.size());
    DiffControl control;
    const LcsProblem problem{a.data(), b.data(),       std::int64_t(a.size()), std::int64_t(b.size()),
                             3,        removed.data(), inserted.data(),        &control};
    const auto tagA = MyersSearch::tagsOf(a.data(), problem.sizeA);
    const auto tagB = MyersSearch::tagsOf(b.data(), problem.sizeB);
    const std::unique_ptr<MyersSearch> search = MyersSearch::create(problem, tagA.data(), tagB.data());
    LcsBox box{0, problem.sizeA, 0, problem.sizeB};
    problem.trim(box);
    const auto whole = search->middleSnake(box, ~std::uint64_t(0), false);
    ASSERT_TRUE(whole);
    for (bool twoThreads : {false, true}) {
        EXPECT_FALSE(search->middleSnake(box, 10'000, twoThreads));
        EXPECT_FALSE(search->resume(200'000, twoThreads));
        EXPECT_GT(search->lastRounds(), 100);
        const auto resumed = search->resume(~std::uint64_t(0), twoThreads);
        ASSERT_TRUE(resumed);
        EXPECT_EQ(resumed->x, whole->x);
        EXPECT_EQ(resumed->y, whole->y);
        EXPECT_FALSE(search->resume(~std::uint64_t(0), twoThreads)) << "nothing left to resume";
    }
}

TEST(LcsSolver, BitParallelLengthMatchesTheTable)
{
    std::mt19937 random(11);
    for (std::uint32_t alphabet : {1u, 2u, 7u, 100u}) {
        for (size_t n : {1u, 63u, 64u, 65u, 130u, 700u}) {
            const Ids a = randomIds(random, n, alphabet);
            const Ids b = randomIds(random, 1 + random() % 300, alphabet);
            std::vector<std::uint8_t> removed(a.size()), inserted(b.size());
            DiffControl control;
            const LcsProblem problem{a.data(), b.data(),       std::int64_t(a.size()), std::int64_t(b.size()),
                                     alphabet, removed.data(), inserted.data(),        &control};
            std::vector<std::int32_t> slots(alphabet, -1);
            EXPECT_EQ(BitLcs(problem, slots).length(LcsBox{0, problem.sizeA, 0, problem.sizeB}), lcsLength(a, b))
                << "alphabet " << alphabet << " n " << n;
            EXPECT_TRUE(std::all_of(slots.begin(), slots.end(), [](std::int32_t s) { return s == -1; }));
        }
    }
}

namespace {

// The processor time of the whole process, all threads together.
std::chrono::milliseconds processCpuTime()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return std::chrono::milliseconds(std::int64_t(now.tv_sec) * 1000 + now.tv_nsec / 1'000'000);
}

// Raises a cancel flag from a thread of its own once `after` has passed, and measures
// the processor time the engine spends from then until it gives up. Processor time, not
// wall time, so that a loaded machine that keeps the engine waiting for a core does not
// count against it; and from the raise, not from the first poll that saw it, so a path
// that never polls fails.
class CancelTimer {
public:
    explicit CancelTimer(std::chrono::milliseconds after) : m_after(after) {}
    ~CancelTimer()
    {
        if (m_raiser.joinable())
            m_raiser.join();
    }

    CancelCheck check()
    {
        return [this] {
            m_polled.store(true);
            return m_raised.load();
        };
    }
    void start()
    {
        m_raiser = std::thread([this] {
            std::this_thread::sleep_for(m_after);
            m_cpuAtRaise = processCpuTime();
            m_raised.store(true);
        });
    }
    // Waits for the raise (the engine may have returned early, when it failed).
    std::chrono::milliseconds cpuSinceRaised()
    {
        const std::chrono::milliseconds now = processCpuTime();
        m_raiser.join();
        return now - m_cpuAtRaise;
    }
    bool polled() const { return m_polled.load(); }

private:
    std::chrono::milliseconds m_after;
    std::thread m_raiser;
    std::chrono::milliseconds m_cpuAtRaise{0};
    std::atomic<bool> m_raised{false};
    std::atomic<bool> m_polled{false};
};

} // namespace

// Each method, on a box that would keep it busy for seconds, stops within 50 ms of the
// cancel. The long Myers search runs on two threads, so this also covers its helper.
TEST(LcsSolver, EveryPathStopsSoonAfterACancel)
{
    std::mt19937 random(3);
    const Ids a = randomIds(random, 200'000, 4);
    const Ids b = randomIds(random, 190'000, 4);
    const Ids sparseA = randomIds(random, 150'000, 1500);
    const Ids sparseB = randomIds(random, 150'000, 1500);
    for (DiffAlgorithm algorithm : kAllAlgorithms) {
        SCOPED_TRACE(nameOf(algorithm));
        const bool sparse = algorithm == DiffAlgorithm::sparse;
        CancelTimer timer(std::chrono::milliseconds(30));
        timer.start();
        const std::optional<Script> script = diff(sparse ? sparseA : a, sparse ? sparseB : b, algorithm, timer.check());
        EXPECT_LT(timer.cpuSinceRaised().count(), 50);
        EXPECT_FALSE(script) << "finished before the cancel: make the input larger";
    }
}

// The engine polls while it interns and slides too, and gives nothing once cancelled.
TEST(LcsSolver, EngineStopsSoonAfterACancel)
{
    QStringList left, right;
    std::mt19937 random(8);
    for (int i = 0; i < 150'000; ++i) {
        left << QString::number(random() % 4);
        right << QString::number(random() % 4);
    }
    const SharedLines a = TextLines::share(TextLines::fromStrings(left));
    const SharedLines b = TextLines::share(TextLines::fromStrings(right));
    CancelTimer timer(std::chrono::milliseconds(30));
    double lastProgress = 0.0;
    int reports = 0;
    DiffOptions options;
    options.cancel = timer.check();
    options.progress = [&](double fraction) {
        EXPECT_GE(fraction, lastProgress);
        EXPECT_LE(fraction, 1.0);
        lastProgress = fraction;
        ++reports;
    };
    timer.start();
    EXPECT_FALSE(DiffEngine::computeBoth(a, b, options));
    EXPECT_LT(timer.cpuSinceRaised().count(), 50);
    EXPECT_GT(reports, 0);
}

// Once the script is done the rows are built; a cancel then stops that too, soon.
TEST(LcsSolver, RowsStopSoonAfterACancel)
{
    QStringList left;
    for (int i = 0; i < 400'000; ++i)
        left << QString::number(i);
    QStringList right = left;
    right[200'000] = QStringLiteral("changed");
    const SharedLines a = TextLines::share(TextLines::fromStrings(left));
    const SharedLines b = TextLines::share(TextLines::fromStrings(right));
    std::optional<std::chrono::steady_clock::time_point> scriptDone;
    DiffOptions options;
    options.progress = [&](double fraction) {
        if (fraction >= 1.0 && !scriptDone)
            scriptDone = std::chrono::steady_clock::now();
    };
    options.cancel = [&] { return scriptDone.has_value(); };
    EXPECT_FALSE(DiffEngine::computeBoth(a, b, options));
    ASSERT_TRUE(scriptDone);
    EXPECT_LT(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - *scriptDone).count(),
        50);
}

TEST(LcsSolver, ProgressRisesToOne)
{
    QStringList left, right;
    std::mt19937 random(9);
    for (int i = 0; i < 20'000; ++i) {
        left << QString::number(random() % 50);
        right << QString::number(random() % 50);
    }
    std::vector<double> seen;
    DiffOptions options;
    options.progress = [&](double fraction) { seen.push_back(fraction); };
    ASSERT_TRUE(DiffEngine::editScript(TextLines::fromStrings(left), TextLines::fromStrings(right), options));
    ASSERT_FALSE(seen.empty());
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    EXPECT_DOUBLE_EQ(seen.back(), 1.0);
}
