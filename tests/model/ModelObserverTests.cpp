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
        startModel();
        fake->gate("notificationStatus").open();
        settle();
        fake->clearCalls();
    }
    void post(bool workspace, const char* name) {
        (workspace ? fake->workspaceCenter : fake->applicationCenter)->post(name);
    }
};

// Every event acts on a later turn (also when posted on the main thread, where the centre delivers
// at once), and once. Both wake events end a display-sleep request but keep the guard's notice.
TEST_F(ModelObserverTest, EachEventRunsItsActionOnceOnALaterTurn) {
    struct Row {
        bool workspace;
        const char* name;
        std::optional<std::string> displayBefore, displayAfter;
        bool acknowledgementCleared, readsLoginAndPermission;
    };
    const std::vector<Row> rows = {
        {false, names::applicationDidBecomeActive, "display.requested", std::nullopt, true, true},
        {true, names::workspaceDidWake, "display.requested", std::nullopt, true, false},
        {true, names::workspaceScreensDidWake, "display.requested", std::nullopt, true, false},
        {true, names::workspaceScreensDidWake, "display.protected", "display.protected", true, false},
        {false, names::processPowerStateDidChange, "display.requested", "display.requested", false, false},
        {false, names::applicationDidChangeScreenParameters, "display.requested", "display.requested", false, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        model->displaySleepStatus = row.displayBefore;
        const auto revision = model->displayReturnRevision;
        fake->clearCalls();
        post(row.workspace, row.name);
        EXPECT_EQ(model->displayReturnRevision, revision);
        EXPECT_EQ(model->displaySleepStatus(), row.displayBefore);
        settle();
        EXPECT_EQ(model->displayReturnRevision, revision + (row.acknowledgementCleared ? 1 : 0));
        EXPECT_EQ(model->displaySleepStatus(), row.displayAfter);
        const std::size_t reads = row.readsLoginAndPermission ? 1 : 0;
        EXPECT_EQ(fake->count("loginStatus"), reads);
        EXPECT_EQ(fake->count("notificationStatus"), reads);
    }
}

TEST_F(ModelObserverTest, NoActionOnceTheQuitHasBegunOrTheModelIsGone) {
    model->shutdownKeepAwake();
    settle();
    fake->clearCalls();
    const auto revision = model->displayReturnRevision;
    for (const char* name : {names::applicationDidBecomeActive, names::applicationDidChangeScreenParameters})
        post(false, name);
    for (const char* name : {names::workspaceDidWake, names::workspaceScreensDidWake}) post(true, name);
    settle();
    EXPECT_EQ(model->displayReturnRevision, revision);
    EXPECT_TRUE(fake->calls().empty());

    // Destroying the model removes every registration: the centres drop its callbacks.
    auto held = std::make_shared<int>(0);
    model->observe(fake->applicationCenter, "test.event", [held](AppModel&) {});
    EXPECT_EQ(model->observers.size(), 6u);
    EXPECT_EQ(held.use_count(), 2);
    model.reset();
    EXPECT_EQ(held.use_count(), 1);
    post(false, names::applicationDidBecomeActive);
    settle();
    EXPECT_TRUE(fake->calls().empty());
}

TEST_F(ModelObserverTest, LeaseTimerRenewsEveryTenSecondsOnlyWithTheLidOptionOn) {
    const auto intervals = clock->liveIntervals();
    EXPECT_EQ(std::count(intervals.begin(), intervals.end(), 10.0), 1);
    struct Row {
        bool keepAwake, lid, quitting, due;
    };
    const std::vector<Row> rows = {
        {true, false, false, false},
        {false, true, false, false},
        {true, true, false, true},
        {true, true, true, false},
    };
    for (const auto& row : rows) {
        model->inBatch([&] {
            model->keepAwake = row.keepAwake;
            model->keepAwakeOnLidClosed = row.lid;
        });
        model->isShuttingDown = row.quitting;
        EXPECT_EQ(model->leaseRenewalDue(), row.due);
    }
    clock->advance(10); // a tick with nothing due does no harm

    model.reset();
    fake->scheduleTimers = false;
    startModel();
    const auto unscheduled = clock->liveIntervals();
    EXPECT_EQ(std::count(unscheduled.begin(), unscheduled.end(), 10.0), 0);
}

TEST_F(ModelObserverTest, MenuBarTextShowsThePercentOrADash) {
    EXPECT_EQ(model->menuBarText(), "\u2014");
    BatteryInfo battery;
    battery.percent = 57;
    model->battery = battery;
    EXPECT_EQ(model->menuBarText(), "57%");
}

} // namespace
} // namespace brisel::test
