// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>

namespace varnel {

// Polled during long computations; returning true abandons the work. May be called from
// any of the engine's threads, but never from two at once.
using CancelCheck = std::function<bool()>;

// Told how far a computation has come, as a fraction from 0 to 1 that never decreases.
// Called from the engine's threads, never from two at once, at most every few
// milliseconds.
using ProgressReport = std::function<void(double)>;

// Thrown inside the engine when the cancel check asks to stop; caught at its entry points.
struct DiffCancelled {};

// The cancel check and the progress report of one computation, shared by every path and
// every thread of it.
//
// The algorithms count their work in small units (a diagonal probed, a word of a
// bit-parallel row, a step of a search) and call tick() as they go. Every 4,096 units
// tick() reads the clock, and every kPollInterval it calls the cancel check and reports
// progress, so a cancel is seen within about a millisecond on any path, however fast or
// slow the machine, and the checks cost nothing measurable.
//
// Progress counts settled lines: a line is settled once the algorithm has decided
// whether it is kept, removed or inserted. A long pass that settles nothing yet reports
// its own share through setPartial().
class DiffControl {
public:
    static constexpr std::chrono::microseconds kPollInterval{1000};

    explicit DiffControl(CancelCheck cancel = {}, ProgressReport progress = {}, std::uint64_t totalLines = 0)
        : m_cancel(std::move(cancel))
        , m_progress(std::move(progress))
        , m_total(totalLines)
    {
    }

    // Counts `units` of work; now and then checks for a cancel (throwing DiffCancelled)
    // and reports progress. Cheap enough to call in inner loops.
    void tick(std::uint64_t units = 1)
    {
        thread_local std::uint64_t pending = 0;
        pending += units;
        if (pending < kUnitsPerClockRead)
            return;
        pending = 0;
        poll();
    }

    // Checks for a cancel now if the last check is older than the poll interval.
    void poll()
    {
        if (m_stopped.load(std::memory_order_relaxed))
            throw DiffCancelled{};
        const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
        const auto last = m_lastPoll.load(std::memory_order_relaxed);
        if (now - last < std::chrono::duration_cast<std::chrono::steady_clock::duration>(kPollInterval).count())
            return;
        check(now);
    }

    // Checks for a cancel unconditionally (throws DiffCancelled).
    void checkNow() { check(std::chrono::steady_clock::now().time_since_epoch().count()); }

    bool cancelled() const { return m_stopped.load(std::memory_order_relaxed); }

    // Lines whose fate is decided.
    void settle(std::uint64_t lines) { m_settled.fetch_add(lines, std::memory_order_relaxed); }

    // The share of a long pass on this thread that has run, in lines; 0 when it ends.
    void setPartial(std::uint64_t lines) { m_partial[t_slot & 1].store(lines, std::memory_order_relaxed); }

    // Which partial share this thread reports: 0 for the calling thread, 1 for a helper.
    static void setThreadSlot(int slot) { t_slot = slot; }

    // The fraction done, never decreasing.
    double fraction()
    {
        if (m_total == 0)
            return 1.0;
        const std::uint64_t done = m_settled.load(std::memory_order_relaxed) +
                                   m_partial[0].load(std::memory_order_relaxed) +
                                   m_partial[1].load(std::memory_order_relaxed);
        double value = std::min(1.0, double(done) / double(m_total));
        double best = m_reported.load(std::memory_order_relaxed);
        while (value > best && !m_reported.compare_exchange_weak(best, value, std::memory_order_relaxed)) {
        }
        return std::max(value, best);
    }

    // Reports the current fraction now, if anyone listens.
    void report()
    {
        if (!m_progress)
            return;
        std::lock_guard lock(m_mutex);
        m_progress(fraction());
    }

private:
    static constexpr std::uint64_t kUnitsPerClockRead = 4096;
    static inline thread_local int t_slot = 0;

    void check(std::int64_t now)
    {
        if (m_stopped.load(std::memory_order_relaxed))
            throw DiffCancelled{};
        {
            std::lock_guard lock(m_mutex);
            m_lastPoll.store(now, std::memory_order_relaxed);
            if (m_cancel && m_cancel())
                m_stopped.store(true, std::memory_order_relaxed);
            else if (m_progress)
                m_progress(fraction());
        }
        if (m_stopped.load(std::memory_order_relaxed))
            throw DiffCancelled{};
    }

    CancelCheck m_cancel;
    ProgressReport m_progress;
    std::uint64_t m_total;
    std::mutex m_mutex; // one call of the check or the report at a time
    std::atomic<bool> m_stopped{false};
    std::atomic<std::int64_t> m_lastPoll{0};
    std::atomic<std::uint64_t> m_settled{0};
    std::atomic<std::uint64_t> m_partial[2] = {0, 0};
    std::atomic<double> m_reported{0.0};
};

} // namespace varnel
