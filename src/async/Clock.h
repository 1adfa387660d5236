#pragma once

// The one seam through which the application reads time and starts timers. The program uses
// `Clock::system()`; tests pass a hand-driven clock (tests/support/ManualClock.h), so nothing
// depends on how fast the machine happens to be.

#include <chrono>
#include <functional>
#include <memory>

namespace brisel {

using WallTime = std::chrono::system_clock::time_point;

// A started timer; destroying the handle stops it (a single-shot timer then never fires).
class Timer {
public:
    virtual ~Timer() = default;
};

class Clock {
public:
    virtual ~Clock() = default;

    // Seconds on the monotonic system clock (uptime); never jumps with the wall clock.
    virtual double monotonicSeconds() const = 0;
    // The wall-clock time, for dates shown to the user and for time-of-day rules.
    virtual WallTime wallTime() const = 0;
    // The hour of day (0...23) of `wallTime()` in the local time zone.
    virtual int localHour() const = 0;

    // Calls `fire` on the main thread once, `seconds` from now, or every `seconds`. Any finite or
    // infinite number is accepted: it is clamped to what a timer can wait (see `timerMilliseconds`).
    // May be called from any thread.
    virtual std::unique_ptr<Timer> singleShot(double seconds, std::function<void()> fire) = 0;
    virtual std::unique_ptr<Timer> repeating(double seconds, std::function<void()> fire) = 0;

    // The system's clocks and main-loop timers; one shared instance.
    static std::shared_ptr<Clock> system();
};

// `seconds` as whole timer milliseconds, rounded up, saturated to 0...INT_MAX (about 24.8 days);
// NaN gives 0. Converting before clamping would overflow for huge values.
int timerMilliseconds(double seconds);

} // namespace brisel
