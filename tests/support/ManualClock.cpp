#include "ManualClock.h"

#include <algorithm>
#include <cmath>

namespace brisel::test {

class ManualClock::Handle : public Timer {
public:
    explicit Handle(std::weak_ptr<Entry> entry) : entry_(std::move(entry)) {}
    ~Handle() override {
        if (auto entry = entry_.lock()) entry->live = false;
    }

private:
    std::weak_ptr<Entry> entry_;
};

std::unique_ptr<Timer> ManualClock::singleShot(double seconds, std::function<void()> fire) {
    return start(seconds, false, std::move(fire));
}

std::unique_ptr<Timer> ManualClock::repeating(double seconds, std::function<void()> fire) {
    return start(seconds, true, std::move(fire));
}

std::unique_ptr<Timer> ManualClock::start(double seconds, bool repeat, std::function<void()> fire) {
    const double interval = timerMilliseconds(seconds) / 1000.0;
    auto entry = std::make_shared<Entry>(interval, monotonic + interval, repeat, true, std::move(fire));
    std::lock_guard guard(lock_);
    std::erase_if(entries_, [](const auto& old) { return !old->live; });
    entries_.push_back(entry);
    return std::make_unique<Handle>(entry);
}

std::vector<std::shared_ptr<ManualClock::Entry>> ManualClock::snapshot() const {
    std::lock_guard guard(lock_);
    return entries_;
}

void ManualClock::advance(double seconds) {
    const double target = monotonic + std::max(0.0, seconds);
    for (;;) {
        std::shared_ptr<Entry> next;
        for (const auto& entry : snapshot())
            if (entry->live && entry->due <= target && (!next || entry->due < next->due)) next = entry;
        if (!next) break;
        const double step = next->due - monotonic;
        if (step > 0) {
            monotonic = next->due;
            wall += std::chrono::duration_cast<WallTime::duration>(std::chrono::duration<double>(step));
        }
        if (next->repeat)
            next->due += std::max(next->interval, 0.001);
        else
            next->live = false;
        auto fire = next->fire; // the callback may stop or start timers
        fire();
    }
    const double rest = target - monotonic;
    monotonic = target;
    wall += std::chrono::duration_cast<WallTime::duration>(std::chrono::duration<double>(rest));
}

void ManualClock::fireAll() {
    for (const auto& entry : snapshot()) {
        if (!entry->live) continue;
        if (!entry->repeat) entry->live = false;
        auto fire = entry->fire;
        fire();
    }
}

std::size_t ManualClock::liveTimers() const {
    const auto entries = snapshot();
    return static_cast<std::size_t>(
        std::count_if(entries.begin(), entries.end(), [](const auto& entry) { return entry->live.load(); }));
}

std::vector<double> ManualClock::liveIntervals() const {
    std::vector<double> intervals;
    for (const auto& entry : snapshot())
        if (entry->live) intervals.push_back(entry->interval);
    return intervals;
}

} // namespace brisel::test
