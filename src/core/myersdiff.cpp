#include "core/myersdiff.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <limits>
#include <optional>
#include <thread>

namespace varnel {

namespace {

struct Cancelled {};

inline void cpuRelax()
{
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#elif defined(__aarch64__)
    asm volatile("yield");
#endif
}

// Divide and conquer on the middle snake (Myers 1986, section 4b).
//
// The edit graph of a[off1, lim1) against b[off2, lim2) has a point (x, y) for every pair
// of prefixes; diagonal k holds the points with x - y = k. A forward search from the top
// left and a backward search from the bottom right each keep, per diagonal, the furthest
// point reachable with the current number of edits (`forward[k]` and `backward[k]`
// store x). They advance one edit at a time, alternately. The first diagonal on which
// they meet carries a point of some shortest path; cutting the problem there leaves
// two halves of at most ceil(D/2) edits each, solved the same way.
//
// Invariant: after round e of the forward search, forward[k] is the largest x on
// diagonal k reachable from (off1, off2) with e edits (for the diagonals of e's
// parity), and likewise for the backward search towards (lim1, lim2).
template <typename Index>
class Myers {
public:
    Myers(std::span<const std::uint32_t> a, std::span<const std::uint32_t> b, std::vector<std::uint8_t>& removed,
          std::vector<std::uint8_t>& inserted, const CancelCheck& cancel)
        : m_a(a.data())
        , m_b(b.data())
        , m_sizeA(a.size())
        , m_sizeB(b.size())
        , m_removed(removed)
        , m_inserted(inserted)
        , m_cancel(cancel)
        , m_storage(2 * (a.size() + b.size() + 3))
        , m_tagA(tags(a))
        , m_tagB(tags(b))
    {
        // Diagonals run from -|b| - 1 to |a| + 1.
        const auto offset = std::ptrdiff_t(b.size()) + 1;
        m_forward = m_storage.data() + offset;
        m_backward = m_storage.data() + (a.size() + b.size() + 3) + offset;
    }

    // Equal heads and tails belong to every shortest path.
    void trimEqualEnds(Index& off1, Index& lim1, Index& off2, Index& lim2) const
    {
        while (off1 < lim1 && off2 < lim2 && m_a[off1] == m_b[off2]) {
            ++off1;
            ++off2;
        }
        while (off1 < lim1 && off2 < lim2 && m_a[lim1 - 1] == m_b[lim2 - 1]) {
            --lim1;
            --lim2;
        }
    }

    // The whole problem. With a second core, the first cut is found with both cores on
    // one search; then the two halves, which share nothing, run one on each core.
    void run(Index n, Index m)
    {
        Index off1 = 0, lim1 = n, off2 = 0, lim2 = m;
        trimEqualEnds(off1, lim1, off2, lim2);
        if (!m_parallel || off1 == lim1 || off2 == lim2) {
            compare(off1, lim1, off2, lim2);
            return;
        }
        const auto [x, y] = middleSnake(off1, lim1, off2, lim2);
        if (m_lastRounds < kParallelAfterRounds) {
            // Few edits: the halves are quick, not worth a thread and a second set of arrays.
            compare(off1, x, off2, y);
            compare(x, lim1, y, lim2);
            return;
        }
        m_parallel = false;
        Myers firstHalf(std::span(m_a, m_sizeA), std::span(m_b, m_sizeB), m_removed, m_inserted, m_cancel);
        firstHalf.m_parallel = false;
        std::exception_ptr failure;
        std::thread helper([&, x = x, y = y] {
            try {
                firstHalf.compare(off1, x, off2, y);
            } catch (...) {
                failure = std::current_exception();
            }
        });
        try {
            compare(x, lim1, y, lim2);
        } catch (...) {
            helper.join();
            throw;
        }
        helper.join();
        if (failure)
            std::rethrow_exception(failure);
    }

    void compare(Index off1, Index lim1, Index off2, Index lim2)
    {
        for (;;) {
            pollCancel();
            trimEqualEnds(off1, lim1, off2, lim2);
            if (off1 == lim1) {
                for (Index y = off2; y < lim2; ++y)
                    m_inserted[size_t(y)] = 1;
                return;
            }
            if (off2 == lim2) {
                for (Index x = off1; x < lim1; ++x)
                    m_removed[size_t(x)] = 1;
                return;
            }
            // Both sides are non-empty and differ at both ends, so D >= 2 and the cut
            // lies strictly inside: each half is smaller than the whole.
            const auto [x, y] = middleSnake(off1, lim1, off2, lim2);
            compare(off1, x, off2, y);
            off1 = x; // the second half iteratively, to keep the stack shallow
            off2 = y;
        }
    }

private:
    // One byte per element, derived from its id: the searches probe elements all over both
    // sequences, and these small arrays stay in cache where the ids would not. Equal ids
    // have equal tags; the ids decide only when the tags agree.
    static std::vector<std::uint8_t> tags(std::span<const std::uint32_t> ids)
    {
        std::vector<std::uint8_t> out(ids.size());
        for (size_t i = 0; i < ids.size(); ++i)
            out[i] = std::uint8_t((ids[i] * 0x9E3779B1u) >> 24);
        return out;
    }

    bool equal(Index x, Index y) const { return m_tagA[size_t(x)] == m_tagB[size_t(y)] && m_a[x] == m_b[y]; }

    struct Point {
        Index x;
        Index y;
    };

    void pollCancel()
    {
        if (m_cancel && m_cancel())
            throw Cancelled{};
    }

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
    // (an insertion), whichever got further, and follow the snake of equal elements.
    // When the distance between the start diagonals is odd, the searches can meet only
    // here: on a diagonal of the backward band [bmin, bmax] of the previous round.
    std::optional<Point> forwardRound(Search& s, Index bmin, Index bmax)
    {
        if (s.fmin > s.dmin)
            m_forward[--s.fmin - 1] = kBelowAll;
        else
            ++s.fmin;
        if (s.fmax < s.dmax)
            m_forward[++s.fmax + 1] = kBelowAll;
        else
            --s.fmax;
        for (Index k = s.fmax; k >= s.fmin; k -= 2) {
            Index x = m_forward[k - 1] >= m_forward[k + 1] ? m_forward[k - 1] + 1 : m_forward[k + 1];
            Index y = x - k;
            while (x < s.lim1 && y < s.lim2 && equal(x, y)) {
                ++x;
                ++y;
            }
            m_forward[k] = x;
            if (s.odd && bmin <= k && k <= bmax && m_backward[k] <= x)
                return Point{x, y};
        }
        return std::nullopt;
    }

    // Backward round: the mirror image, moving up and left from the bottom right. It
    // writes only the diagonals of its own parity and the sentinels outside its band, so
    // it may run beside a forward round, which reads the previous round's diagonals.
    void backwardRound(Search& s)
    {
        if (s.bmin > s.dmin)
            m_backward[--s.bmin - 1] = kAboveAll;
        else
            ++s.bmin;
        if (s.bmax < s.dmax)
            m_backward[++s.bmax + 1] = kAboveAll;
        else
            --s.bmax;
        for (Index k = s.bmax; k >= s.bmin; k -= 2) {
            Index x = m_backward[k - 1] < m_backward[k + 1] ? m_backward[k - 1] : m_backward[k + 1] - 1;
            Index y = x - k;
            while (x > s.off1 && y > s.off2 && equal(x - 1, y - 1)) {
                --x;
                --y;
            }
            m_backward[k] = x;
        }
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

    Point middleSnake(Index off1, Index lim1, Index off2, Index lim2)
    {
        const Index fmid = off1 - off2; // the forward search starts on this diagonal
        const Index bmid = lim1 - lim2; // and the backward one on this
        Search s{off1, lim1, off2, lim2, off1 - lim2, lim1 - off2, fmid, fmid, bmid, bmid, ((fmid - bmid) & 1) != 0};
        m_forward[fmid] = off1;
        m_backward[bmid] = lim1;

        for (Index edits = 1;; ++edits) {
            if ((edits & 63) == 0)
                pollCancel();
            m_lastRounds = edits;
            if (edits == kParallelAfterRounds && m_parallel)
                return parallelMiddleSnake(s, edits);
            if (std::optional<Point> meeting = forwardRound(s, s.bmin, s.bmax))
                return *meeting;
            backwardRound(s);
            if (std::optional<Point> meeting = evenMeeting(s))
                return *meeting;
        }
    }

    // Long searches run their two halves side by side: a helper thread takes each
    // backward round while this thread takes the forward one, and the two meet after
    // every round. Short searches stay on one thread, where this would cost more than
    // it saves.
    static constexpr Index kParallelAfterRounds = 512;

    Point parallelMiddleSnake(Search& s, Index firstRound)
    {
        std::atomic<Index> posted{0};   // the round the helper is asked to run; -1: stop
        std::atomic<Index> finished{0}; // the last round it completed
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
                backwardRound(backward);
                finished.store(round, std::memory_order_release);
            }
        });
        const auto stopHelper = [&] {
            posted.store(-1, std::memory_order_release);
            helper.join();
        };

        for (Index edits = firstRound;; ++edits) {
            const Index bmin = backward.bmin; // the previous round's band, stable here
            const Index bmax = backward.bmax;
            posted.store(edits, std::memory_order_release);
            std::optional<Point> meeting = forwardRound(s, bmin, bmax);
            waitFor(finished, [edits](Index seen) { return seen == edits; });
            if (!meeting) {
                s.bmin = backward.bmin;
                s.bmax = backward.bmax;
                meeting = evenMeeting(s);
            }
            const bool cancelled = (edits & 63) == 0 && m_cancel && m_cancel();
            if (meeting || cancelled) {
                stopHelper();
                if (cancelled && !meeting)
                    throw Cancelled{};
                return *meeting;
            }
        }
    }

    const std::uint32_t* m_a;
    const std::uint32_t* m_b;
    size_t m_sizeA;
    size_t m_sizeB;
    std::vector<std::uint8_t>& m_removed;
    std::vector<std::uint8_t>& m_inserted;
    const CancelCheck& m_cancel;
    bool m_parallel = std::thread::hardware_concurrency() > 1;
    Index m_lastRounds = 0; // how many edit rounds the last middle-snake search took
    std::vector<Index> m_storage;
    std::vector<std::uint8_t> m_tagA;
    std::vector<std::uint8_t> m_tagB;
    Index* m_forward;
    Index* m_backward;
};

} // namespace

bool myersDiff(std::span<const std::uint32_t> a, std::span<const std::uint32_t> b, std::vector<std::uint8_t>& removedA,
               std::vector<std::uint8_t>& insertedB, const CancelCheck& cancel)
{
    try {
        // 32-bit positions whenever they fit: narrower diagonal arrays keep more of the
        // active band in cache.
        if (a.size() + b.size() < size_t(std::numeric_limits<std::int32_t>::max() / 2)) {
            using Index = std::int32_t;
            Myers<Index>(a, b, removedA, insertedB, cancel).run(Index(a.size()), Index(b.size()));
        } else {
            using Index = std::int64_t;
            Myers<Index>(a, b, removedA, insertedB, cancel).run(Index(a.size()), Index(b.size()));
        }
        return true;
    } catch (const Cancelled&) {
        return false;
    }
}

} // namespace varnel
