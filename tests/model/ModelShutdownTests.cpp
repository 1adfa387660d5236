#include "ModelFixture.h"

namespace brisel::test {
namespace {

using ModelShutdownTest = ModelTest;

Task<void> heldBy(Gate& gate) {
    co_await gate;
}

// Quitting as the application does it: begin the shutdown, then wait. The helper work is followed
// until none is left; fields still naming finished tasks are passed, not spun on.
TEST_F(ModelShutdownTest, WaitsFollowHelperWorkThenTheSaveThenTheRecords) {
    OnboardingRecord record;
    record.completed = true;
    startModel(startupWith(record));
    model->shutdownKeepAwake();
    finish(model->waitForShutdownCleanup()); // what the shutdown itself started

    Gate first(false), second(false), assertions(false);
    auto waiting = model->waitForShutdownCleanup();
    model->helperTask = heldBy(first);
    model->assertionsTask = heldBy(assertions);
    settle();
    model->helperTask = heldBy(second); // started while the first is awaited
    first.open();
    assertions.open();
    settle();
    EXPECT_FALSE(waiting.isDone());
    fake->gate("saveConfig").close();
    model->iconOnly = true; // a save still running
    ASSERT_NE(onboarding, nullptr);
    onboarding->calls.clear();
    second.open();
    settle();
    EXPECT_FALSE(waiting.isDone());
    EXPECT_TRUE(onboarding->calls.empty());
    fake->gate("saveConfig").open();
    finish(waiting);
    EXPECT_EQ(onboarding->calls, std::vector<std::string>{"waitForPersistence"});
    model->displaySleepTask = *model->helperTask;
    finish(model->waitForShutdownCleanup());
}

TEST_F(ModelShutdownTest, QuitDuringStartupLetsStartupEndFirstAndThenAwaitsNothing) {
    fake->gate("loadConfig").close();
    makeModel();
    settle();
    model->shutdownKeepAwake();
    auto waiting = model->waitForShutdownCleanup();
    settle();
    EXPECT_FALSE(waiting.isDone());
    fake->gate("loadConfig").open();
    finish(waiting);
    EXPECT_FALSE(model->startupTask.has_value());
    auto nothing = model->waitForShutdownCleanup(); // and no coordinator
    settle(1);                                      // its own first turn: nothing awaited
    EXPECT_TRUE(nothing.isDone());
}

} // namespace
} // namespace brisel::test
