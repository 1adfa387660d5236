#pragma once

#include "platform/SleepWakeEvents.h"
#include "platform/sim/SimMachine.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>

namespace brisel {

// Sleep and wake of the simulated machine: `brisel-sim` counts them in "events.sleep",
// "events.wake" and "events.screensWake"; every rise of a counter since the last look is one
// event. A change of "energyMode.systemLowPowerMode" between two looks is one power-state change.
// A look happens after each change of the machine's file, on its watch's thread, or every
// `pollInterval` while the folder cannot be watched (none at all when the interval is zero: then
// `poll()` looks). Fault facility: "sleepWake" (a failing look sees nothing and is retried at the
// next one).
class SimSleepWake : public SleepWakeEvents {
public:
    explicit SimSleepWake(SimMachine machine = SimMachine(),
                          std::chrono::milliseconds pollInterval = std::chrono::milliseconds(250));
    ~SimSleepWake() override;
    SimSleepWake(const SimSleepWake&) = delete;
    SimSleepWake& operator=(const SimSleepWake&) = delete;

    // Events already counted before this call are not reported.
    void start(Sink sink) override;
    void stop() override;

    // One look at the counters. Sleeps, wakes and screen wakes that came together are handed on
    // in turn, sleep first, the way the machine went through them; a power-state change follows.
    void poll();

private:
    struct Counters {
        std::int64_t sleep = 0;
        std::int64_t wake = 0;
        std::int64_t screensWake = 0;
        bool lowPower = false;
    };
    std::optional<Counters> read() const;

    SimMachine machine_;
    std::chrono::milliseconds interval_;
    std::mutex mutex_; // guards sink_ and seen_; held while the sink runs
    Sink sink_;
    Counters seen_;
    std::unique_ptr<SimStore::Listening> listening_;
};

} // namespace brisel
