#include "ModelFixture.h"

namespace brisel::test {
namespace {

Task<void> heldBy(Gate& gate) {
    co_await gate;
}

// What the application does on quit: begin the shutdown, then wait for the cleanup. The first wait
// drains what the shutdown itself started, so the test's own tasks are the only ones left.
class ModelShutdownTest : public ModelTest {
protected:
    Task<void> quit() {
        model->shutdownKeepAwake();
        finish(model->waitForShutdownCleanup());
        return model->waitForShutdownCleanup();
    }
};

TEST_F(ModelShutdownTest, NothingPendingEndsAtOnceAndFinishedTasksDoNotHoldTheWait) {
    startModel();
    auto nothing = quit();
    settle(1); // its own first turn: no task awaited
    EXPECT_TRUE(nothing.isDone());

    // Fields left naming finished tasks are passed, not spun on.
    Gate open;
    const Task<void> finished = heldBy(open);
    settle();
    model->helperTask = model->assertionsTask = model->displaySleepTask = finished;
    finish(model->waitForShutdownCleanup());
}

TEST_F(ModelShutdownTest, HelperWorkIsFollowedUntilNoneIsLeft) {
    startModel();
    Gate first(false), second(false), assertions(false);
    auto waiting = quit();
    model->helperTask = heldBy(first);
    model->assertionsTask = heldBy(assertions);
    settle();
    model->helperTask = heldBy(second); // started while the first is awaited
    first.open();
    assertions.open();
    settle();
    EXPECT_FALSE(waiting.isDone());
    second.open();
    finish(waiting);
}

// The configuration save is awaited before the wizard's record saves, and a quit during start-up
// lets start-up end first.
TEST_F(ModelShutdownTest, SaveThenRecordsAndStartupFirst) {
    OnboardingRecord record;
    record.completed = true;
    startModel(startupWith(record));
    ASSERT_NE(onboarding, nullptr);
    fake->gate("saveConfig").close();
    model->iconOnly = true;
    ASSERT_TRUE(model->configSaveTask.has_value());
    model->shutdownKeepAwake();
    auto waiting = model->waitForShutdownCleanup();
    settle();
    EXPECT_TRUE(onboarding->calls.empty());
    fake->gate("saveConfig").open();
    finish(waiting);
    EXPECT_EQ(onboarding->calls, std::vector<std::string>{"waitForPersistence"});

    model.reset();
    fake->gate("loadConfig").close();
    makeModel();
    settle();
    model->shutdownKeepAwake();
    auto duringStartup = model->waitForShutdownCleanup();
    settle();
    EXPECT_FALSE(duringStartup.isDone());
    fake->gate("loadConfig").open();
    finish(duringStartup);
    EXPECT_FALSE(model->startupTask.has_value());
}

} // namespace
} // namespace brisel::test
