#include "platform/sim/SimIdleTime.h"
#include "platform/sim/SimScreenLock.h"
#include "platform/SystemEvents.h"
#include "platform/sim/SimSleepWake.h"

#include "ChildProcess.h"
#include "TestEnvironment.h"

#include <cmath>
#include <chrono>
#include <filesystem>
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
    void setCounters(int sleep, int wake, int screensWake = 0, bool lowPower = false) {
        ASSERT_FALSE(machine().update([&](json& state) -> std::optional<std::string> {
            state["events"]["sleep"] = sleep;
            state["events"]["wake"] = wake;
            state["events"]["screensWake"] = screensWake;
            state["energyMode"]["systemLowPowerMode"] = lowPower;
            return std::nullopt;
        }));
    }
};

// Each flip of the low-power flag is one power-state change, after the counters' events.
TEST_F(SimSleepWakeTest, CounterRisesBecomeEventsInTheOrderTheyHappened) {
    const std::string sleep = notification_names::workspaceWillSleep;
    const std::string wake = notification_names::workspaceDidWake;
    const std::string screens = notification_names::workspaceScreensDidWake;
    const std::string power = notification_names::processPowerStateDidChange;
    setCounters(4, 4, 0, true); // before start: not reported
    SimSleepWake watcher(machine(), std::chrono::milliseconds(0));
    watcher.start(sink());
    watcher.poll();
    EXPECT_TRUE(events.empty());

    const struct {
        int sleep, wake, screensWake;
        bool lowPower;
        std::vector<std::string> events;
    } steps[] = {
        {5, 4, 0, true, {sleep}},
        {5, 5, 0, true, {wake}},
        {7, 6, 0, true, {sleep, wake, sleep}},
        {7, 7, 0, true, {wake}},
        {7, 7, 1, false, {screens, power}},
        {8, 8, 3, false, {sleep, wake, screens, screens}},
        {2, 2, 0, true, {power}}, // counters reset: nothing replayed
        {3, 3, 0, true, {sleep, wake}},
        {1000, 3, 0, true, std::vector<std::string>(16, sleep)}, // set far ahead by hand: bounded
    };
    for (const auto& step : steps) {
        setCounters(step.sleep, step.wake, step.screensWake, step.lowPower);
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

// Started with a look interval, the events come from the watch of the machine's folder as each
// change lands: the interval (an hour here) is only its stand-in where the folder cannot be watched.
TEST_F(SimSleepWakeTest, EventsArriveThroughTheWatchOfTheMachinesFolder) {
    std::filesystem::create_directories(simDir());
    SimSleepWake watcher(machine(), std::chrono::hours(1));
    watcher.start(sink());
    const auto received = [this](std::size_t count) {
        return test::eventually([&] {
            std::lock_guard lock(mutex);
            return events.size() >= count;
        });
    };
    setCounters(1, 0);
    ASSERT_TRUE(received(1));
    setCounters(1, 1);
    ASSERT_TRUE(received(2));
    watcher.stop();
    std::lock_guard lock(mutex);
    EXPECT_EQ(events, (std::vector<std::string>{notification_names::workspaceWillSleep,
                                                notification_names::workspaceDidWake}));
}

} // namespace
} // namespace brisel
