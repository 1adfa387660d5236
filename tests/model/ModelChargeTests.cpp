#include "ModelFixture.h"

#include <gmock/gmock.h>

#include <climits>

namespace brisel::test {
namespace {

using ModelChargeTest = ModelTest;
using Calls = std::vector<std::string>;

const std::set<std::string> writes = {"setLimit", "disableLimit", "chargeToFullNow"};

// When the hardware already holds the target, and what a write leaves behind.
TEST_F(ModelChargeTest, ReconciliationWritesOnlyWhatIsNotInPlace) {
    struct Row {
        const char* name;
        std::int64_t target;
        std::optional<int> current;
        bool enabled, force;
        Calls calls;
        bool enabledAfter;
    };
    const std::vector<Row> rows = {
        {"100 holds at 100, on or off", 100, 100, false, false, {}, false},
        {"100 over 80", 100, 80, true, false, {"setLimit 100"}, true},
        {"0 holds while disabled", 0, 80, false, false, {}, false},
        {"0 disables, never sets 0", 0, 80, true, false, {"disableLimit"}, false},
        {"85 holds at 85 enabled", 85, 85, true, false, {}, true},
        {"85 at 85 disabled", 85, 85, false, false, {"setLimit 85"}, true},
        {"forced writes in place", 85, 85, true, true, {"setLimit 85"}, true},
        {"no current limit: nothing", 85, std::nullopt, true, true, {}, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        startOn(chargeSnapshot());
        model->inBatch([&] { model->manualLimit = row.target; });
        model->currentLimit = row.current;
        model->limitEnabled = row.enabled;
        model->lastRegisteredTarget = std::nullopt;
        fake->clearCalls();
        finish(model->performLimitReconciliation(row.force, model->chargeGeneration));
        EXPECT_EQ(fake->callsOf(writes), row.calls);
        EXPECT_EQ(model->limitEnabled(), row.enabledAfter);
        EXPECT_EQ(model->currentLimit(), row.calls.empty() ? row.current : std::optional<int>(row.target));
        model.reset();
    }
}

TEST_F(ModelChargeTest, AFailingTargetIsWrittenOncePerIntervalUnlessForced) {
    fake->scheduleTimers = false;
    startOn(chargeSnapshot());
    model->inBatch([this] { model->manualLimit = 90; }); // refreshSeconds is 5
    fake->setLimit.otherwise = HardwareFailure{"powerui.failed", false};
    fake->clearCalls();
    auto writesAfter = [this](bool force) {
        finish(model->performLimitReconciliation(force, model->chargeGeneration));
        return fake->count("setLimit");
    };
    EXPECT_EQ(writesAfter(false), 1u);
    clock->advance(4.9);
    EXPECT_EQ(writesAfter(false), 1u);
    EXPECT_EQ(writesAfter(true), 2u);
    clock->advance(5);
    EXPECT_EQ(writesAfter(false), 3u);
}

// The result goes to the charging domain, only while the write is current; a success clears only
// the charging error, never a newer one of another feature.
TEST_F(ModelChargeTest, WriteResultIsPublishedOnlyWhileCurrent) {
    struct Row {
        const char* name;
        bool newerError;
        std::optional<HardwareFailure> reply;
        bool stale;
        std::optional<std::string> lastError, chargeError;
    };
    const HardwareFailure failure{"powerui.failed", false};
    const std::vector<Row> rows = {
        {"failure", false, failure, false, tr("powerui.failed"), tr("powerui.failed")},
        {"stale failure", false, failure, true, "old", "old"},
        {"success clears its own error", false, std::nullopt, false, std::nullopt, std::nullopt},
        {"success keeps a newer error", true, std::nullopt, false, "newer", std::nullopt},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        startOn(chargeSnapshot());
        model->inBatch([this] { model->manualLimit = 90; });
        model->reportError(FeedbackDomain::charging, "old");
        if (row.newerError) model->reportError(FeedbackDomain::awake, "newer");
        fake->setLimit.queued = {row.reply};
        fake->gate("setLimit").close();
        auto running = model->performLimitReconciliation(false, model->chargeGeneration);
        settle();
        if (row.stale) ++model->chargeGeneration;
        fake->gate("setLimit").open();
        finish(running);
        EXPECT_EQ(model->lastError(), row.lastError);
        EXPECT_EQ(model->chargeFeedbackError(), row.chargeError);
        EXPECT_EQ(model->currentLimit(), row.reply || row.stale ? 80 : 90);
        model.reset();
    }
}

// A stuck hardware call leaves the operation owed until the hardware queue reports recovery; one
// recovery runs at a time, and none while quitting.
TEST_F(ModelChargeTest, AnOperationAwaitingRecoveryRunsAgainOnTheSignal) {
    struct Row {
        const char* name;
        std::function<void(AppModel&)> action;
        Replies<std::optional<HardwareFailure>> FakeServices::*reply;
        std::string call;
    };
    const std::vector<Row> rows = {
        {"limit", [](AppModel& m) { m.applyLimit(90); }, &FakeServices::setLimit, "setLimit 90"},
        {"charge to full", [](AppModel& m) { m.chargeToFullNow(); }, &FakeServices::chargeToFullNow,
         "chargeToFullNow"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        startOn(chargeSnapshot());
        (fake.get()->*row.reply).queued = {HardwareFailure{"error.hardwareTimeout", true}};
        fake->readHardware.otherwise = HardwareFailure{"error.hardwarePending", true}; // still stuck
        fake->clearCalls();
        row.action(*model);
        settle();
        EXPECT_EQ(model->chargeOperationStatus(), "charge.waitingRecovery");
        EXPECT_EQ(model->chargeFeedbackError(), tr("error.hardwareTimeout"));
        fake->readHardware.otherwise = chargeSnapshot(90);
        fake->hardwareRecoveryHandler();
        const Task<void> recovery = *model->hardwareRecoveryTask;
        fake->hardwareRecoveryHandler(); // ignored while one runs
        EXPECT_TRUE(*model->hardwareRecoveryTask == recovery);
        settle();
        EXPECT_EQ(model->chargeOperationStatus(), std::nullopt);
        EXPECT_EQ(fake->count(row.call), 2u);
        model->isShuttingDown = true;
        fake->hardwareRecoveryHandler();
        EXPECT_FALSE(model->hardwareRecoveryTask.has_value());
        model.reset();
    }
}

TEST_F(ModelChargeTest, QuickLimitChoicesWriteOnlyTheLastAndStayBusyUntilItEnds) {
    startOn(chargeSnapshot());
    fake->gate("setLimit").close();
    fake->clearCalls();
    for (int limit : {85, 90, 95})
        model->applyLimit(limit);
    settle();
    EXPECT_EQ(fake->callsOf(writes), Calls{"setLimit 95"}); // the first two found their generation stale
    EXPECT_EQ(model->chargeOperationStatus(), "charge.applying");
    EXPECT_EQ(model->chargeDisplaySelection(), 95);
    fake->readHardware.otherwise = chargeSnapshot(95);
    fake->gate("setLimit").open();
    ASSERT_TRUE(runUntil([this] { return !model->chargeTask && !model->refreshTask; }));
    EXPECT_FALSE(model->chargeLimitBusy());
    EXPECT_EQ(fake->count("saveConfig"), 3u);
    EXPECT_EQ(model->selection(), 95);
}

TEST_F(ModelChargeTest, WithoutChargeControlNothingIsQueuedButSettingsSaveAndRefresh) {
    startOn(chargeSnapshot());
    model->setupChargeEnabled = false;
    model->chargeTaskID = std::nullopt;
    fake->clearCalls();
    model->applyLimit(90);
    model->smartEnabled = true;
    model->chargeToFullNow();
    model->pendingChargeRecovery = AppModel::ChargeRecovery::limit;
    fake->hardwareRecoveryHandler(); // only refreshes
    settle();
    EXPECT_FALSE(model->chargeTaskID.has_value());
    EXPECT_EQ(fake->callsOf(writes), Calls{});
    EXPECT_EQ(fake->count("saveConfig"), 2u);
    EXPECT_GE(fake->count("readHardware"), 1u);
}

TEST_F(ModelChargeTest, ChargeToFullOnlyOnTheAdapterBelowFull) {
    struct Row {
        const char* name;
        std::optional<int> percent;
        bool adapter, chargeActive;
        Calls calls;
    };
    const std::vector<Row> rows = {
        {"unknown percent on the adapter", std::nullopt, true, false, {"chargeToFullNow"}},
        {"at 100 %", 100, true, false, {}},
        {"on battery", 50, false, false, {}},
        {"on battery while charging to full: the limit is put back", 50, false, true, {"setLimit 80"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        HardwareSnapshot snapshot = chargeSnapshot();
        snapshot.battery.percent = row.percent;
        snapshot.battery.externalConnected = row.adapter;
        startOn(chargeSnapshot());
        fake->readHardware.otherwise = snapshot;
        model->battery = snapshot.battery;
        model->temporaryFullChargeActive = row.chargeActive;
        fake->clearCalls();
        model->chargeToFullNow();
        settle();
        EXPECT_EQ(fake->callsOf(writes), row.calls);
        EXPECT_EQ(model->temporaryFullChargeActive(), row.calls == Calls{"chargeToFullNow"});
        model.reset();
    }
}

// A profile that predicts unplugging at 18:00: the plan tops up at 16 and 17 and holds otherwise.
TEST_F(ModelChargeTest, SmartPlanTargetFollowsTheLocalHour) {
    startModel();
    model->inBatch([this] {
        model->smartEnabled = true;
        model->holdLimit = 75;
        model->topupLimit = 95;
    });
    EXPECT_EQ(model->smartPlanKey(), "smart.learning");
    model->profile.total[18] = 5;
    for (auto [hour, target, key] :
         {std::tuple(17, 95, "smart.toppingUp"), std::tuple(12, 75, "smart.plan")}) {
        clock->hour = hour;
        EXPECT_EQ(model->registeredTarget(), target);
        EXPECT_EQ(model->smartPlanKey(), key);
    }
}

TEST_F(ModelChargeTest, RefreshTimerRunsEveryIntervalOfAtLeastASecond) {
    struct Row {
        const char* name;
        std::int64_t seconds;
        bool scheduleTimers, shuttingDown;
        std::optional<double> interval;
    };
    const std::vector<Row> rows = {
        {"0 s", 0, true, false, 1.0},
        {"huge: saturated, still running", INT64_MAX, true, false, INT_MAX / 1000.0},
        {"timers not allowed", 30, false, false, std::nullopt},
        {"shutting down", 30, true, true, std::nullopt},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        fake->scheduleTimers = row.scheduleTimers;
        startModel();
        model->isShuttingDown = row.shuttingDown;
        model->refreshSeconds = row.seconds;
        ASSERT_EQ(model->timer != nullptr, row.interval.has_value());
        if (row.interval) {
            EXPECT_THAT(clock->liveIntervals(), ::testing::Contains(*row.interval));
            settle();
            fake->clearCalls();
            clock->advance(*row.interval);
            settle();
            EXPECT_EQ(fake->count("readHardware"), 1u);
        }
        model.reset();
    }
}

} // namespace
} // namespace brisel::test
