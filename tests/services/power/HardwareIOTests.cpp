// The hardware queue: one result per caller, immediate refusal while busy, time-outs and the one
// recovery call. Time-outs are fired by hand; hanging operations hang on the simulated machine's
// switch until the test releases them.

#include "services/power/HardwareIO.h"

#include "ManualClock.h"
#include "TestEnvironment.h"
#include "async/RunUntil.h"
#include "platform/sim/SimMachine.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <stdexcept>
#include <thread>

namespace brisel::test {
namespace {

using namespace std::chrono_literals;

const HardwareFailure kPending{"error.hardwarePending", true};
const HardwareFailure kTimeout{"error.hardwareTimeout", true};

template <typename T> const HardwareResult<T>& settled(const Task<HardwareResult<T>>& task) {
    if (!runUntil([&] { return task.isDone(); }, 10s))
        throw std::runtime_error("hardware task never finished");
    return task.result();
}

class HardwareIOTest : public TestEnvironment {
protected:
    void SetUp() override {
        TestEnvironment::SetUp();
        sim.emplace(SimStore(simDir()));
        io.emplace("com.brisel.hardware", clock);
        io->onRecovery([this] { ++recoveries; });
    }
    void TearDown() override {
        // Frees any operation still hanging on the switch.
        sim->clearFault("hang");
        io.reset();
        TestEnvironment::TearDown();
    }

    // An operation that waits on the "hang" switch while it is set, then answers `value`.
    std::function<int()> hanging(int value) {
        SimMachine machine = *sim;
        return [machine, value] {
            machine.gate("hang");
            return value;
        };
    }
    void hang() { ASSERT_FALSE(sim->setFault("hang", "hang")); }
    void release() { ASSERT_FALSE(sim->clearFault("hang")); }

    // Time-outs fire only when the test says so.
    void fireTimeouts() { clock->fireAll(); }
    bool timeoutStarted() {
        return runUntil([&] { return clock->liveTimers() > 0; }, 5s);
    }

    std::shared_ptr<ManualClock> clock = std::make_shared<ManualClock>();
    std::atomic<int> recoveries{0};
    std::optional<SimMachine> sim;
    std::optional<HardwareIO> io;
};

TEST_F(HardwareIOTest, AnOverlappingCallIsRefusedAtOnceAndRecoveryFollowsOnce) {
    hang();
    const auto first = io->run(hanging(1));
    ASSERT_TRUE(timeoutStarted());
    EXPECT_EQ(clock->liveIntervals(), std::vector<double>{HardwareIO::defaultTimeout});
    const auto second = io->run(hanging(2));
    const auto third = io->run(hanging(3));
    EXPECT_EQ(settled(second), (HardwareResult<int>(kPending)));
    EXPECT_EQ(settled(third), (HardwareResult<int>(kPending)));
    EXPECT_FALSE(first.isDone());
    EXPECT_EQ(recoveries, 0);

    release();
    EXPECT_EQ(settled(first), HardwareResult<int>(1));
    EXPECT_TRUE(runUntil([&] { return recoveries == 1; }, 5s));
    spinEventLoop(50ms);
    EXPECT_EQ(recoveries, 1) << "two refusals owe one recovery";
}

TEST_F(HardwareIOTest, ATimedOutCallKeepsTheQueueBusyUntilItEnds) {
    hang();
    const auto first = io->run(hanging(1));
    ASSERT_TRUE(timeoutStarted());
    fireTimeouts();
    EXPECT_EQ(settled(first), (HardwareResult<int>(kTimeout)));
    EXPECT_EQ(recoveries, 0);

    const auto late = io->run(hanging(2));
    EXPECT_EQ(settled(late), (HardwareResult<int>(kPending)));

    release();
    EXPECT_TRUE(runUntil([&] { return recoveries == 1; }, 5s));
    spinEventLoop(50ms);
    EXPECT_EQ(recoveries, 1);
    EXPECT_EQ(first.result(), (HardwareResult<int>(kTimeout))) << "the late value is dropped";

    const auto next = io->run([] { return 3; });
    EXPECT_EQ(settled(next), HardwareResult<int>(3)) << "the queue is free again";
}

TEST_F(HardwareIOTest, ATimeOutAfterTheResultChangesNothing) {
    hang();
    const auto call = io->run(hanging(7), 0.5);
    ASSERT_TRUE(timeoutStarted());
    EXPECT_EQ(clock->liveIntervals(), std::vector<double>{0.5});
    release();
    EXPECT_EQ(settled(call), HardwareResult<int>(7));
    fireTimeouts();
    spinEventLoop(20ms);
    EXPECT_EQ(call.result(), HardwareResult<int>(7));
    EXPECT_EQ(recoveries, 0);
}

TEST_F(HardwareIOTest, WithoutAHandlerARecoveryOnlyClearsTheFlags) {
    io->onRecovery({});
    hang();
    const auto first = io->run(hanging(1));
    EXPECT_EQ(settled(io->run(hanging(2))), (HardwareResult<int>(kPending)));
    release();
    EXPECT_EQ(settled(first), HardwareResult<int>(1));

    std::atomic<int> replaced{0};
    io->onRecovery([&] { ++replaced; });
    io->onRecovery([this] { ++recoveries; }); // replaces the one before
    EXPECT_EQ(settled(io->run([] { return 4; })), HardwareResult<int>(4));
    spinEventLoop(20ms);
    EXPECT_EQ(recoveries, 0) << "the earlier refusal was settled without a handler";

    hang();
    const auto third = io->run(hanging(3));
    EXPECT_EQ(settled(io->run(hanging(5))), (HardwareResult<int>(kPending)));
    release();
    settled(third);
    EXPECT_TRUE(runUntil([&] { return recoveries == 1; }, 5s));
    EXPECT_EQ(replaced, 0);
}

TEST_F(HardwareIOTest, AThrowingOperationFailsItsCallerOnly) {
    const auto call = io->run([]() -> int { throw std::runtime_error("registry gone"); });
    EXPECT_EQ(settled(call), (HardwareResult<int>(HardwareFailure{"registry gone", false})));
    EXPECT_EQ(settled(io->run([] { return 5; })), HardwareResult<int>(5));
    EXPECT_EQ(recoveries, 0);
}

TEST_F(HardwareIOTest, TheDefaultTimerEndsTheWaitOfAHangingCall) {
    HardwareIO timed("com.brisel.helper-client"); // the system clock
    std::atomic<int> recovered{0};
    timed.onRecovery([&] { ++recovered; });
    hang();
    const auto call = timed.run(hanging(1), 0.05);
    EXPECT_EQ(settled(call), (HardwareResult<int>(kTimeout)));
    release();
    EXPECT_TRUE(runUntil([&] { return recovered == 1; }, 5s));
}

TEST_F(HardwareIOTest, ReleasingAQueueDoesNotWaitForItsHangingCallNorCallBackAfterIt) {
    hang();
    auto ended = std::make_shared<std::atomic<bool>>(false);
    auto operation = [machine = *sim, ended] {
        machine.gate("hang");
        *ended = true;
        return 1;
    };
    const auto call = io->run(operation);
    ASSERT_TRUE(timeoutStarted());
    auto released = std::async(std::launch::async, [this] { io.reset(); });
    const bool prompt = released.wait_for(5s) == std::future_status::ready;
    // The time-out fires while the operation still hangs, so it is the one that answers.
    fireTimeouts();
    EXPECT_EQ(settled(call), (HardwareResult<int>(kTimeout))) << "its caller still gets an answer";
    release();
    released.wait();
    EXPECT_TRUE(prompt);
    ASSERT_TRUE(runUntil([&] { return ended->load(); }, 5s));
    spinEventLoop(50ms);
    EXPECT_EQ(recoveries, 0) << "the owner let go of the queue and its handler";
}

TEST_F(HardwareIOTest, ReleasingAQueueWaitsForAHandlerCallUnderWaySoNoneRunsAfterwards) {
    std::promise<void> entered;
    std::promise<void> proceed;
    auto mayProceed = proceed.get_future().share();
    auto finished = std::make_shared<std::atomic<bool>>(false);
    io->onRecovery([&entered, mayProceed, finished] {
        entered.set_value();
        mayProceed.wait();
        *finished = true;
    });
    hang();
    const auto first = io->run(hanging(1));
    EXPECT_EQ(settled(io->run(hanging(2))), (HardwareResult<int>(kPending)));
    release(); // the first call ends and owes the refused caller a recovery
    entered.get_future().wait();

    auto released = std::async(std::launch::async, [this, finished] {
        io.reset();
        return finished->load();
    });
    EXPECT_EQ(released.wait_for(50ms), std::future_status::timeout) << "the handler still runs";
    proceed.set_value();
    EXPECT_TRUE(released.get()) << "released only after the handler returned";
    settled(first);
}

} // namespace
} // namespace brisel::test
