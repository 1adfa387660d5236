#include "platform/sim/SimIdleTime.h"
#include "platform/sim/SimScreenLock.h"
#include "platform/SystemEvents.h"
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
    void setCounters(int sleep, int wake, int screensWake = 0) {
        ASSERT_FALSE(machine().update([&](json& state) -> std::optional<std::string> {
            state["events"]["sleep"] = sleep;
            state["events"]["wake"] = wake;
            state["events"]["screensWake"] = screensWake;
            return std::nullopt;
        }));
    }
};

TEST_F(SimSleepWakeTest, CounterRisesBecomeEventsInTheOrderTheyHappened) {
    const std::string sleep = notification_names::workspaceWillSleep;
    const std::string wake = notification_names::workspaceDidWake;
    const std::string screens = notification_names::workspaceScreensDidWake;
    setCounters(4, 4); // before start: not reported
    SimSleepWake watcher(machine(), std::chrono::milliseconds(0));
    watcher.start(sink());
    watcher.poll();
    EXPECT_TRUE(events.empty());

    const struct {
        int sleep, wake, screensWake;
        std::vector<std::string> events;
    } steps[] = {
        {5, 4, 0, {sleep}},
        {5, 5, 0, {wake}},
        {7, 6, 0, {sleep, wake, sleep}},
        {7, 7, 0, {wake}},
        {7, 7, 1, {screens}},
        {8, 8, 3, {sleep, wake, screens, screens}},
        {2, 2, 0, {}}, // counters reset: nothing replayed
        {3, 3, 0, {sleep, wake}},
        {1000, 3, 0, std::vector<std::string>(16, sleep)}, // set far ahead by hand: bounded
    };
    for (const auto& step : steps) {
        setCounters(step.sleep, step.wake, step.screensWake);
        events.clear();
        watcher.poll();
        EXPECT_EQ(events, step.events) << step.sleep << "/" << step.wake << "/" << step.screensWake;
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

TEST_F(SimSleepWakeTest, EachFlipOfTheLowPowerFlagIsOnePowerStateChange) {
    const std::string change = notification_names::processPowerStateDidChange;
    ASSERT_FALSE(machine().set("/energyMode/systemLowPowerMode", true)); // before start: not reported
    SimSleepWake watcher(machine(), std::chrono::milliseconds(0));
    watcher.start(sink());
    const struct {
        bool lowPower;
        std::vector<std::string> events;
    } steps[] = {{true, {}}, {false, {change}}, {false, {}}, {true, {change}}};
    for (const auto& step : steps) {
        ASSERT_FALSE(machine().set("/energyMode/systemLowPowerMode", step.lowPower));
        events.clear();
        watcher.poll();
        EXPECT_EQ(events, step.events) << step.lowPower;
    }
}

} // namespace
} // namespace brisel
