#include "platform/sim/SimIdleTime.h"
#include "platform/sim/SimScreenLock.h"
#include "platform/sim/SimSleepWake.h"

#include "TestEnvironment.h"

#include <cmath>
#include <mutex>
#include <vector>

namespace brisel {
namespace {

using nlohmann::json;

class SimUserSessionTest : public test::TestEnvironment {
protected:
    // The machine of this test's own folder.
    SimMachine machine() const { return SimMachine(SimStore(simDir())); }
};

TEST_F(SimUserSessionTest, IdleSecondsArePassedOnAndAFailureIsNotANumber) {
    SimIdleTime idle(machine());
    EXPECT_EQ(idle.secondsSinceLastInput(), 0);
    ASSERT_FALSE(machine().set("/idleSeconds", 125.5));
    EXPECT_EQ(idle.secondsSinceLastInput(), 125.5);
    ASSERT_FALSE(machine().setFault("idleTime", "fail"));
    EXPECT_TRUE(std::isnan(idle.secondsSinceLastInput()));
}

TEST_F(SimUserSessionTest, LockFlagIsInTheSessionOnlyWhileLocked) {
    SimScreenLock screen(machine());
    EXPECT_EQ(screen.copySessionDictionary(), json::object());
    ASSERT_FALSE(machine().set("/screenLocked", true));
    EXPECT_EQ(screen.copySessionDictionary(), (json{{"CGSSessionScreenIsLocked", true}}));
    ASSERT_FALSE(machine().setFault("screenLock", "fail"));
    EXPECT_EQ(screen.copySessionDictionary(), std::nullopt);
}

class SimSleepWakeTest : public SimUserSessionTest {
protected:
    std::mutex mutex;
    std::vector<std::string> events;
    SimSleepWake::Sink sink() {
        return [this](const std::string& name) {
            std::lock_guard lock(mutex);
            events.push_back(name);
        };
    }
    void setCounters(int sleep, int wake) {
        ASSERT_FALSE(machine().update([&](json& state) -> std::optional<std::string> {
            state["events"]["sleep"] = sleep;
            state["events"]["wake"] = wake;
            return std::nullopt;
        }));
    }
};

TEST_F(SimSleepWakeTest, CounterRisesBecomeEventsInTheOrderTheyHappened) {
    const std::string sleep = notification_names::workspaceWillSleep;
    const std::string wake = notification_names::workspaceDidWake;
    setCounters(4, 4); // before start: not reported
    SimSleepWake watcher(machine(), std::chrono::milliseconds(0));
    watcher.start(sink());
    watcher.poll();
    EXPECT_TRUE(events.empty());

    const struct {
        int sleep, wake;
        std::vector<std::string> events;
    } steps[] = {
        {5, 4, {sleep}},
        {5, 5, {wake}},
        {7, 6, {sleep, wake, sleep}},
        {7, 7, {wake}},
        {2, 2, {}}, // counters reset: nothing replayed
        {3, 3, {sleep, wake}},
        {1000, 3, std::vector<std::string>(16, sleep)}, // set far ahead by hand: bounded
    };
    for (const auto& step : steps) {
        setCounters(step.sleep, step.wake);
        events.clear();
        watcher.poll();
        EXPECT_EQ(events, step.events) << step.sleep << "/" << step.wake;
    }
}

TEST_F(SimSleepWakeTest, FailingLookIsRetriedAndStopEndsDelivery) {
    SimSleepWake watcher(machine(), std::chrono::milliseconds(0));
    watcher.start(sink());
    ASSERT_FALSE(machine().setFault("sleepWake", "fail"));
    setCounters(1, 0);
    watcher.poll();
    EXPECT_TRUE(events.empty());
    ASSERT_FALSE(machine().clearFault("sleepWake"));
    watcher.poll();
    EXPECT_EQ(events, std::vector<std::string>{notification_names::workspaceWillSleep});
    watcher.stop();
    setCounters(2, 1);
    watcher.poll();
    EXPECT_EQ(events.size(), 1u);
}

} // namespace
} // namespace brisel
