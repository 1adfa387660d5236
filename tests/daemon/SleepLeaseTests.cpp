#include "SleepLease.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

namespace brisel {
namespace {

using Arguments = std::vector<std::string>;
const Arguments kOn{"-a", "disablesleep", "1"};
const Arguments kOff{"-a", "disablesleep", "0"};
const Arguments kPowerMode{"-a", "powermode", "2"};

// A clock the test moves and a tool that records its runs and answers from a script (success when
// the script for that argument list is empty).
class SleepLeaseTest : public ::testing::Test {
protected:
    SleepLeaseTest()
        : lease_([this](const Arguments& arguments) { return run(arguments); }, [this] { return now_; },
                 30.0) {}

    ToolResult run(const Arguments& arguments) {
        runs_.push_back(arguments);
        now_ += runTime_;
        auto& script = scripts_[arguments == kOn ? 0 : arguments == kOff ? 1 : 2];
        if (script.empty()) return {0, ""};
        ToolResult result = script.front();
        script.pop_front();
        return result;
    }

    void failOff(int times) {
        for (int i = 0; i < times; ++i)
            scripts_[1].push_back({1, "off failed"});
    }
    void failOn(ToolResult result) { scripts_[0].push_back(std::move(result)); }

    // Starts from the state after a successful start-up off run.
    void startIdle() {
        lease_.disableSleep();
        runs_.clear();
    }

    std::vector<Arguments> takeRuns() { return std::exchange(runs_, {}); }

    double now_ = 1000.0;
    double runTime_ = 0.0;
    std::deque<ToolResult> scripts_[3];
    std::vector<Arguments> runs_;
    SleepLease lease_;
};

TEST_F(SleepLeaseTest, StartsOwingAnOffRunAndRetriesItOnEveryTickUntilItWorks) {
    EXPECT_TRUE(lease_.needsOff());
    failOff(2);
    lease_.reconcile();
    lease_.reconcile();
    EXPECT_TRUE(lease_.needsOff());
    lease_.reconcile();
    EXPECT_FALSE(lease_.needsOff());
    lease_.reconcile();
    EXPECT_EQ(takeRuns(), (std::vector<Arguments>{kOff, kOff, kOff}));
}

TEST_F(SleepLeaseTest, NeverGrantsWhileTheOwedOffRunKeepsFailing) {
    failOff(3);
    EXPECT_EQ(lease_.grant(now_ + 30), "err cleanup-pending");
    EXPECT_EQ(lease_.grant(now_ + 30), "err cleanup-pending");
    EXPECT_EQ(lease_.grant(now_ + 30), "err cleanup-pending");
    EXPECT_EQ(takeRuns(), (std::vector<Arguments>{kOff, kOff, kOff}));
    EXPECT_FALSE(lease_.leaseDeadline());
    // Once the off run works again, the same request goes on to a fresh lease.
    EXPECT_EQ(lease_.grant(now_ + 30), "ok");
    EXPECT_EQ(takeRuns(), (std::vector<Arguments>{kOff, kOn}));
}

TEST_F(SleepLeaseTest, RenewalsMoveTheEndWithoutRunningTheTool) {
    startIdle();
    EXPECT_EQ(lease_.grant(now_ + 30), "ok");
    EXPECT_EQ(takeRuns(), (std::vector<Arguments>{kOn}));
    now_ += 10;
    EXPECT_EQ(lease_.grant(now_ + 30), "ok");
    EXPECT_EQ(lease_.leaseDeadline(), now_ + 30);
    // A renewal that waited for the lock takes its own, earlier end.
    EXPECT_EQ(lease_.grant(now_ + 5), "ok");
    EXPECT_EQ(lease_.leaseDeadline(), now_ + 5);
    EXPECT_TRUE(takeRuns().empty());
}

TEST_F(SleepLeaseTest, SwitchesOffOnTheFirstTickAtOrAfterTheEnd) {
    startIdle();
    ASSERT_EQ(lease_.grant(now_ + 30), "ok");
    takeRuns();
    now_ += 29.9;
    lease_.reconcile();
    EXPECT_TRUE(takeRuns().empty());
    now_ += 0.1;
    lease_.reconcile();
    EXPECT_EQ(takeRuns(), (std::vector<Arguments>{kOff}));
    EXPECT_FALSE(lease_.leaseDeadline());
    EXPECT_FALSE(lease_.needsOff());
}

TEST_F(SleepLeaseTest, ALapsedLeaseNotYetReconciledIsStartedAfresh) {
    startIdle();
    ASSERT_EQ(lease_.grant(now_ + 30), "ok");
    now_ += 31;
    EXPECT_EQ(lease_.grant(now_ + 30), "ok");
    EXPECT_EQ(takeRuns(), (std::vector<Arguments>{kOn, kOn}));
}

TEST_F(SleepLeaseTest, RefusesARequestWhoseOwnEndHasPassed) {
    startIdle();
    EXPECT_EQ(lease_.grant(now_), "err lease-expired");
    EXPECT_EQ(lease_.grant(now_ - 1), "err lease-expired");
    EXPECT_TRUE(takeRuns().empty());
    EXPECT_FALSE(lease_.leaseDeadline());
}

TEST_F(SleepLeaseTest, UndoesAFailedOnRunAndReportsIt) {
    const struct {
        ToolResult on;
        bool undoFails;
        std::string reply;
    } cases[] = {
        {{1, "refused\n"}, false, "err rc=1 refused"},
        {{-1, "process timed out"}, false, "err rc=-1 process timed out"},
        {{1, ""}, true, "err rc=1 "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reply);
        startIdle();
        failOn(c.on);
        if (c.undoFails) failOff(1);
        EXPECT_EQ(lease_.grant(now_ + 30), c.reply);
        EXPECT_EQ(takeRuns(), (std::vector<Arguments>{kOn, kOff}));
        EXPECT_FALSE(lease_.leaseDeadline());
        // A failed undo stays owed, so the next tick tries again.
        EXPECT_EQ(lease_.needsOff(), c.undoFails);
    }
}

TEST_F(SleepLeaseTest, AnOnRunThatOutlastsTheLeaseIsUndone) {
    startIdle();
    runTime_ = 2.0;
    EXPECT_EQ(lease_.grant(now_ + 1.5), "err lease-expired");
    EXPECT_EQ(takeRuns(), (std::vector<Arguments>{kOn, kOff}));
    EXPECT_FALSE(lease_.leaseDeadline());
}

TEST_F(SleepLeaseTest, RestoringSleepOnRequestEndsTheLeaseAndOtherRunsLeaveItAlone) {
    startIdle();
    ASSERT_EQ(lease_.grant(now_ + 30), "ok");
    EXPECT_EQ(lease_.runRequested(kPowerMode), (ToolResult{0, ""}));
    EXPECT_EQ(lease_.leaseDeadline(), now_ + 30);
    EXPECT_EQ(lease_.runRequested(kOff), (ToolResult{0, ""}));
    EXPECT_FALSE(lease_.leaseDeadline());
    EXPECT_EQ(lease_.grant(now_ + 30), "ok");
    EXPECT_EQ(takeRuns(), (std::vector<Arguments>{kOn, kPowerMode, kOff, kOn}));

    // An energy-mode change neither retries nor clears an owed off run.
    failOff(1);
    EXPECT_EQ(lease_.runRequested(kOff).status, 1);
    EXPECT_TRUE(lease_.needsOff());
    lease_.runRequested(kPowerMode);
    EXPECT_TRUE(lease_.needsOff());
    EXPECT_EQ(takeRuns(), (std::vector<Arguments>{kOff, kPowerMode}));
}

TEST_F(SleepLeaseTest, NothingRunsTheToolOnceTerminationHasSwitchedSleepPreventionOff) {
    startIdle();
    ASSERT_EQ(lease_.grant(now_ + 30), "ok");
    takeRuns();
    EXPECT_EQ(lease_.terminate(), (ToolResult{0, ""}));
    EXPECT_EQ(takeRuns(), (std::vector<Arguments>{kOff}));
    // A request that was still waiting for the lock must not switch it back on.
    EXPECT_EQ(lease_.grant(now_ + 30), "err lease-expired");
    EXPECT_NE(lease_.runRequested(kPowerMode).status, 0);
    EXPECT_NE(lease_.runRequested(kOff).status, 0);
    now_ += 60;
    lease_.reconcile();
    EXPECT_TRUE(takeRuns().empty());
    EXPECT_FALSE(lease_.leaseDeadline());
}

} // namespace
} // namespace brisel
