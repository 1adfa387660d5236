#include "platform/sim/SimSleepWake.h"

#include "platform/SystemEvents.h"

#include <algorithm>

namespace brisel {

namespace {
constexpr std::uint64_t maxEventsPerLook = 16;

// How far a counter rose, without overflowing on hand-set extremes.
std::uint64_t risen(std::int64_t now, std::int64_t seen) {
    if (now <= seen) return 0;
    return std::min(static_cast<std::uint64_t>(now) - static_cast<std::uint64_t>(seen), maxEventsPerLook);
}
} // namespace

SimSleepWake::SimSleepWake(SimMachine machine, std::chrono::milliseconds pollInterval)
    : machine_(std::move(machine)), interval_(pollInterval) {}

SimSleepWake::~SimSleepWake() {
    stop();
}

std::optional<SimSleepWake::Counters> SimSleepWake::read() const {
    if (machine_.gate("sleepWake")) return std::nullopt;
    const auto state = machine_.state();
    return Counters{SimMachine::field<std::int64_t>(state, "/events/sleep", 0),
                    SimMachine::field<std::int64_t>(state, "/events/wake", 0),
                    SimMachine::field<std::int64_t>(state, "/events/screensWake", 0),
                    SimMachine::field<bool>(state, "/energyMode/systemLowPowerMode", false)};
}

void SimSleepWake::start(Sink sink) {
    stop();
    const Counters baseline = read().value_or(Counters{});
    {
        std::lock_guard lock(mutex_);
        sink_ = std::move(sink);
        seen_ = baseline;
    }
    if (interval_.count() > 0) listening_ = machine_.store().listen([this] { poll(); }, interval_);
}

void SimSleepWake::stop() {
    // Returns once no look is under way (unless called from one).
    listening_.reset();
    std::lock_guard lock(mutex_);
    sink_ = nullptr;
}

void SimSleepWake::poll() {
    // Read outside the lock: a hanging facility must not block `stop()`'s bookkeeping.
    const auto now = read();
    if (!now) return;
    std::lock_guard lock(mutex_);
    if (!sink_) return;
    // A counter that went down was reset: start counting from there. A counter set far ahead by
    // hand is not replayed event by event.
    std::uint64_t sleeps = risen(now->sleep, seen_.sleep);
    std::uint64_t wakes = risen(now->wake, seen_.wake);
    std::uint64_t screensWakes = risen(now->screensWake, seen_.screensWake);
    const bool powerStateChanged = now->lowPower != seen_.lowPower;
    seen_ = *now;
    const auto handOn = [this](std::uint64_t& count, const char* name) {
        if (count == 0) return;
        sink_(name);
        --count;
    };
    while (sleeps > 0 || wakes > 0 || screensWakes > 0) {
        handOn(sleeps, notification_names::workspaceWillSleep);
        handOn(wakes, notification_names::workspaceDidWake);
        handOn(screensWakes, notification_names::workspaceScreensDidWake);
    }
    if (powerStateChanged) sink_(notification_names::processPowerStateDidChange);
}

} // namespace brisel
