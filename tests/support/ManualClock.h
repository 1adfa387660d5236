#pragma once

#include "async/Clock.h"

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace brisel::test {

// A clock the test moves by hand. Timers fire only from `advance` (in due order, on the calling
// thread) or `fireAll`; nothing depends on real time. Timers may be started and stopped from any
// thread (a worker's job may drop one); moving the clock is the test's, on one thread.
class ManualClock : public Clock {
public:
    double monotonicSeconds() const override { return monotonic; }
    WallTime wallTime() const override { return wall; }
    int localHour() const override { return hour; }

    std::unique_ptr<Timer> singleShot(double seconds, std::function<void()> fire) override;
    std::unique_ptr<Timer> repeating(double seconds, std::function<void()> fire) override;

    // Moves both clocks forward and fires every timer that falls due on the way.
    void advance(double seconds);
    // Fires every live timer once, whatever its time (single-shot ones end).
    void fireAll();
    // Timers started and not yet stopped (single-shot timers that fired count as stopped).
    std::size_t liveTimers() const;
    // The interval of each live timer, in the order they were started.
    std::vector<double> liveIntervals() const;

    double monotonic = 1000;
    WallTime wall = WallTime(std::chrono::hours(24 * 365 * 56)); // early 2026
    int hour = 12;

private:
    struct Entry {
        double interval;
        double due;
        bool repeat;
        std::atomic<bool> live = true;
        std::function<void()> fire;
    };
    class Handle;
    std::unique_ptr<Timer> start(double seconds, bool repeat, std::function<void()> fire);
    std::vector<std::shared_ptr<Entry>> snapshot() const;

    mutable std::mutex lock_; // guards entries_
    std::vector<std::shared_ptr<Entry>> entries_;
};

} // namespace brisel::test
