#include "ModelFixture.h"

#include "platform/SystemEvents.h"

#include <algorithm>

namespace brisel::test {
namespace {

namespace names = notification_names;

class ModelObserverTest : public ModelTest {
protected:
    void SetUp() override {
        ModelTest::SetUp();
        startSettled();
    }
    void post(const char* name) {
        const std::string_view event = name;
        const bool workspace = event == names::workspaceDidWake || event == names::workspaceScreensDidWake;
        (workspace ? fake->workspaceCenter : fake->applicationCenter)->post(name);
    }
    std::size_t leaseTimers() const {
        const auto intervals = clock->liveIntervals();
        return std::count(intervals.begin(), intervals.end(), 10.0);
    }
};

// Every event acts once, on a later turn (a post on the main thread is delivered at once). Both wake
// events end a display-sleep request but keep the guard's notice.
TEST_F(ModelObserverTest, EachEventRunsItsActionOnceOnALaterTurn) {
    struct Row {
        const char* name;
        std::optional<std::string> displayBefore, displayAfter;
        bool wakeHandler, becameActive;
    };
    const std::optional<std::string> requested = "display.requested";
    const std::vector<Row> rows = {
        {names::applicationDidBecomeActive, requested, std::nullopt, true, true},
        {names::workspaceDidWake, requested, std::nullopt, true, false},
        {names::workspaceScreensDidWake, requested, std::nullopt, true, false},
        {names::workspaceScreensDidWake, "display.protected", "display.protected", true, false},
        {names::processPowerStateDidChange, requested, requested, false, false},
        {names::applicationDidChangeScreenParameters, requested, requested, false, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_TRUE(runUntil([this] { return !model->refreshTask && !model->helperTask; }));
        model->displaySleepStatus = row.displayBefore;
        const auto revision = model->displayReturnRevision;
        const auto lidRequests = model->helperGeneration;
        fake->clearCalls();
        post(row.name);
        EXPECT_EQ(model->displayReturnRevision, revision);
        settle();
        EXPECT_EQ(model->displayReturnRevision, revision + (row.wakeHandler ? 1 : 0));
        EXPECT_EQ(model->displaySleepStatus(), row.displayAfter);
        EXPECT_EQ(fake->count("readHardware"), row.becameActive ? 0u : 1u); // every other event refreshes
        EXPECT_EQ(fake->count("loginStatus"), row.becameActive ? 1u : 0u);
        EXPECT_EQ(fake->count("notificationStatus"), row.becameActive ? 1u : 0u);
        if (row.becameActive) {
            EXPECT_EQ(model->helperGeneration, lidRequests + 1);
        }
    }
}

TEST_F(ModelObserverTest, NothingRunsOnceTheQuitHasBegunAndTheModelRemovesItsObservers) {
    model->shutdownKeepAwake();
    finish(model->waitForShutdownCleanup());
    fake->clearCalls();
    const auto revision = model->displayReturnRevision;
    for (const char* name : {names::applicationDidBecomeActive, names::workspaceScreensDidWake}) post(name);
    settle();
    EXPECT_EQ(model->displayReturnRevision, revision);
    EXPECT_TRUE(fake->calls().empty());

    auto held = std::make_shared<int>(0);
    model->observe(fake->applicationCenter, "test.event", [held](AppModel&) {});
    EXPECT_EQ(model->observers.size(), 6u);
    model.reset();
    EXPECT_EQ(held.use_count(), 1); // the centre let go of the callback
}

TEST_F(ModelObserverTest, LeaseIsRenewedEveryTenSecondsOnlyWithTheLidOptionOn) {
    EXPECT_EQ(leaseTimers(), 1u);
    for (const bool lid : {false, true}) {
        model->inBatch([&] {
            model->keepAwake = true;
            model->keepAwakeOnLidClosed = lid;
        });
        ASSERT_TRUE(runUntil([this] { return !model->helperTask; }));
        const auto generation = model->helperGeneration;
        clock->advance(10);
        EXPECT_EQ(model->helperGeneration, generation + (lid ? 1 : 0));
    }
    model->shutdownKeepAwake();
    ASSERT_TRUE(runUntil([this] { return !model->helperTask; }));
    const auto generation = model->helperGeneration;
    clock->advance(10);
    EXPECT_EQ(model->helperGeneration, generation);

    model.reset();
    fake->scheduleTimers = false;
    startModel();
    EXPECT_EQ(leaseTimers(), 0u);
}

} // namespace
} // namespace brisel::test
