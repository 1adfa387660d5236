#include "ModelFixture.h"

namespace brisel::test {
namespace {

Task<void> heldBy(Gate& gate) {
    co_await gate;
}

// What the application does on quit: begin the shutdown, then wait. The first wait drains what the
// shutdown itself started, so only the test's own tasks are left for the second.
class ModelShutdownTest : public ModelTest {
protected:
    Task<void> quit() {
        model->shutdownKeepAwake();
        finish(model->waitForShutdownCleanup());
        return model->waitForShutdownCleanup();
    }
};

TEST_F(ModelShutdownTest, FollowsHelperWorkAndPassesFinishedTasks) {
    startModel();
    auto nothing = quit();
    settle(1); // its own first turn: nothing awaited
    EXPECT_TRUE(nothing.isDone());

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
    second.open();
    finish(waiting);

    // Fields still naming finished tasks are passed, not spun on.
    model->displaySleepTask = *model->helperTask;
    finish(model->waitForShutdownCleanup());
}

// The save is awaited before the wizard's record saves; a quit during start-up lets it end first.
TEST_F(ModelShutdownTest, SaveBeforeRecordsAndStartupFirst) {
    OnboardingRecord record;
    record.completed = true;
    startModel(startupWith(record));
    ASSERT_NE(onboarding, nullptr);
    fake->gate("saveConfig").close();
    model->iconOnly = true;
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
