#include "Clock.h"
#include "RunUntil.h"

#include "ManualClock.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>
#include <thread>

namespace brisel {
namespace {

TEST(ClockTest, TimerMillisecondsSaturateInsteadOfOverflowing) {
    const double inf = std::numeric_limits<double>::infinity();
    const struct {
        double seconds;
        int milliseconds;
    } rows[] = {{0, 0},           {-5, 0},         {std::nan(""), 0},  {0.0001, 1}, {1.5, 1500},
                {2147483.647, INT_MAX}, {1e12, INT_MAX}, {9.3e18, INT_MAX}, {inf, INT_MAX}, {-inf, 0}};
    for (const auto& row : rows) EXPECT_EQ(timerMilliseconds(row.seconds), row.milliseconds) << row.seconds;
}

TEST(ClockTest, SystemTimersFireOnMainAndStopWhenTheHandleDies) {
    auto clock = Clock::system();
    int once = 0, repeated = 0, dropped = 0;
    auto single = clock->singleShot(0, [&] { ++once; });
    std::unique_ptr<Timer> selfStopping;
    selfStopping = clock->repeating(0.001, [&] {
        ++repeated;
        selfStopping.reset(); // a callback may drop its own timer
    });
    auto gone = clock->singleShot(0, [&] { ++dropped; });
    gone.reset();
    std::unique_ptr<Timer> fromThread;
    std::thread([&] { fromThread = clock->singleShot(0, [&] { ++once; }); }).join();
    ASSERT_TRUE(runUntil([&] { return once == 2 && repeated == 1; }));
    spinEventLoop(std::chrono::milliseconds(20));
    EXPECT_EQ(repeated, 1);
    EXPECT_EQ(dropped, 0);
    EXPECT_GE(clock->monotonicSeconds(), 0);
    EXPECT_GE(clock->localHour(), 0);
    EXPECT_LE(clock->localHour(), 23);
}

TEST(ManualClockTest, AdvanceFiresDueTimersInOrderAndMovesBothClocks) {
    test::ManualClock clock;
    const auto wallStart = clock.wall;
    std::vector<std::string> fired;
    auto tick = clock.repeating(10, [&] { fired.push_back("tick@" + std::to_string(int(clock.monotonic))); });
    auto once = clock.singleShot(15, [&] { fired.push_back("once@" + std::to_string(int(clock.monotonic))); });
    auto stopped = clock.singleShot(5, [&] { fired.push_back("never"); });
    stopped.reset();
    clock.advance(25);
    EXPECT_EQ(fired, (std::vector<std::string>{"tick@1010", "once@1015", "tick@1020"}));
    EXPECT_EQ(clock.monotonic, 1025);
    EXPECT_EQ(clock.wall - wallStart, std::chrono::seconds(25));
    EXPECT_EQ(clock.liveIntervals(), std::vector<double>{10});
    clock.fireAll();
    EXPECT_EQ(fired.back(), "tick@1025");
}

} // namespace
} // namespace brisel
