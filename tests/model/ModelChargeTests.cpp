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
        std::optional<int> currentAfter;
        bool enabledAfter;
    };
    const std::vector<Row> rows = {
        {"100 holds at 100, on or off", 100, 100, false, false, {}, 100, false},
        {"100 over 80", 100, 80, true, false, {"setLimit 100"}, 100, true},
        {"0 holds while disabled", 0, 80, false, false, {}, 80, false},
        {"0 disables, never sets 0", 0, 80, true, false, {"disableLimit"}, 0, false},
        {"85 holds at 85 enabled", 85, 85, true, false, {}, 85, true},
        {"85 at 85 disabled", 85, 85, false, false, {"setLimit 85"}, 85, true},
        {"forced writes in place", 85, 85, true, true, {"setLimit 85"}, 85, true},
        {"no current limit: nothing", 85, std::nullopt, true, true, {}, std::nullopt, true},
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
        EXPECT_EQ(model->currentLimit(), row.currentAfter);
        EXPECT_EQ(model->limitEnabled(), row.enabledAfter);
        if (row.currentAfter) {
            EXPECT_EQ(model->selection(), row.target);
        }
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
        std::function<void(AppModel&)> before;
        std::optional<HardwareFailure> reply;
        bool stale;
        std::optional<std::string> lastError, chargeError;
        std::optional<int> currentLimit;
    };
    const auto oldError = [](AppModel& m) { m.reportError(FeedbackDomain::charging, "old"); };
    const std::vector<Row> rows = {
        {"failure", oldError, HardwareFailure{"powerui.failed", false}, false, tr("powerui.failed"),
         tr("powerui.failed"), 80},
        {"stale failure", oldError, HardwareFailure{"powerui.failed", false}, true, "old", "old", 80},
        {"success clears its own error", oldError, std::nullopt, false, std::nullopt, std::nullopt, 90},
        {"success keeps a newer error",
         [oldError](AppModel& m) {
             oldError(m);
             m.reportError(FeedbackDomain::awake, "newer");
         },
         std::nullopt, false, "newer", std::nullopt, 90},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        startOn(chargeSnapshot());
        model->inBatch([this] { model->manualLimit = 90; });
        row.before(*model);
        fake->setLimit.queued = {row.reply};
        fake->gate("setLimit").close();
        auto running = model->performLimitReconciliation(false, model->chargeGeneration);
        settle();
        if (row.stale) ++model->chargeGeneration;
        fake->gate("setLimit").open();
        finish(running);
        EXPECT_EQ(model->lastError(), row.lastError);
        EXPECT_EQ(model->chargeFeedbackError(), row.chargeError);
        EXPECT_EQ(model->currentLimit(), row.currentLimit);
        if (row.lastError == tr("powerui.failed")) {
            EXPECT_EQ(model->lastErrorDomain, FeedbackDomain::charging);
        }
        model.reset();
    }
}

// A stuck hardware call leaves the operation owed until the hardware queue reports recovery.
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
        settle();
        EXPECT_EQ(model->chargeOperationStatus(), std::nullopt);
        EXPECT_EQ(fake->count(row.call), 2u);
        EXPECT_FALSE(model->hardwareRecoveryTask.has_value());
        model.reset();
    }
}

TEST_F(ModelChargeTest, QuickLimitChoicesWriteOnlyTheLastAndStayBusyUntilItEnds) {
    startOn(chargeSnapshot());
    Gate& held = fake->gate("setLimit");
    held.close();
    fake->clearCalls();
    for (int limit : {85, 90, 95})
        model->applyLimit(limit);
    settle();
    EXPECT_EQ(fake->callsOf(writes), Calls{"setLimit 95"}); // the first two found their generation stale
    EXPECT_TRUE(model->chargeLimitBusy());
    EXPECT_EQ(model->chargeDisplaySelection(), 95);
    fake->readHardware.otherwise = chargeSnapshot(95);
    held.open();
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

TEST_F(ModelChargeTest, RecoverySignalsAreIgnoredWhileOneRunsOrDuringShutdown) {
    startOn(chargeSnapshot());
    fake->hardwareRecoveryHandler();
    const Task<void> first = *model->hardwareRecoveryTask;
    fake->hardwareRecoveryHandler();
    EXPECT_TRUE(*model->hardwareRecoveryTask == first);
    settle();
    model->isShuttingDown = true;
    fake->hardwareRecoveryHandler();
    EXPECT_FALSE(model->hardwareRecoveryTask.has_value());
}

TEST_F(ModelChargeTest, ChargeToFullOnlyOnTheAdapterBelowFull) {
    struct Row {
        const char* name;
        std::function<void(BatteryInfo&)> battery;
        bool chargeActive; // before
        Calls calls;
        bool activeAfter;
    };
    const std::vector<Row> rows = {
        {"at 50 % on the adapter", [](BatteryInfo&) {}, false, {"chargeToFullNow"}, true},
        {"unknown percent on the adapter",
         [](BatteryInfo& b) { b.percent = std::nullopt; },
         false,
         {"chargeToFullNow"},
         true},
        {"at 100 %", [](BatteryInfo& b) { b.percent = 100; }, false, {}, false},
        {"fully charged", [](BatteryInfo& b) { b.fullyCharged = true; }, false, {}, false},
        {"on battery", [](BatteryInfo& b) { b.externalConnected = false; }, false, {}, false},
        {"on battery with a charge under way: the limit is put back",
         [](BatteryInfo& b) { b.externalConnected = false; },
         true,
         {"setLimit 80"},
         false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        HardwareSnapshot snapshot = chargeSnapshot();
        row.battery(snapshot.battery);
        startOn(chargeSnapshot());
        fake->readHardware.otherwise = snapshot;
        model->battery = snapshot.battery;
        model->temporaryFullChargeActive = row.chargeActive;
        fake->clearCalls();
        model->chargeToFullNow();
        settle();
        EXPECT_EQ(fake->callsOf(writes), row.calls);
        EXPECT_EQ(model->temporaryFullChargeActive(), row.activeAfter);
        EXPECT_FALSE(model->pendingChargeRecovery.has_value());
        model.reset();
    }
}

TEST_F(ModelChargeTest, StatusAndShownLimitFollowTheOperationState) {
    struct Row {
        const char* name;
        bool busy;
        std::optional<AppModel::ChargeRecovery> pending;
        bool failed, chargeActive;
        std::optional<std::string> status;
        std::int64_t shown, target;
    };
    using R = AppModel::ChargeRecovery;
    const std::vector<Row> rows = {
        {"settled", false, std::nullopt, false, false, std::nullopt, 70, 90},
        {"busy", true, std::nullopt, true, false, "charge.applying", 90, 90},
        {"limit owed", false, R::limit, true, false, "charge.waitingRecovery", 90, 90},
        {"full charge owed", false, R::temporaryFull, false, false, "charge.waitingRecovery", 90, 100},
        {"failed", false, std::nullopt, true, false, "charge.retrying", 90, 90},
        {"failed during a full charge", false, std::nullopt, true, true, std::nullopt, 90, 90},
    };
    startModel();
    model->inBatch([this] { model->manualLimit = 90; });
    model->selection = 70;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        model->chargeLimitBusy = row.busy;
        model->pendingChargeRecovery = row.pending;
        model->lastLimitAttemptFailed = row.failed;
        model->temporaryFullChargeActive = row.chargeActive;
        EXPECT_EQ(model->chargeOperationStatus(), row.status);
        EXPECT_EQ(model->chargeDisplaySelection(), row.shown);
        EXPECT_EQ(model->chargeOperationTarget(), row.target);
    }
}

// A profile that predicts unplugging at 18:00, so the top-up runs at 16 and 17.
TEST_F(ModelChargeTest, SmartPlanKeyAndTargetFollowTheHour) {
    struct Row {
        const char* name;
        std::int64_t leadHours;
        bool learned;
        int hour;
        std::string key;
        std::int64_t target;
    };
    const std::vector<Row> rows = {
        {"top-up off", 0, true, 17, "smart.topupOff", 80},
        {"still learning", 2, false, 17, "smart.learning", 80},
        {"topping up", 2, true, 17, "smart.toppingUp", 100},
        {"holding", 2, true, 12, "smart.plan", 80},
    };
    startModel();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        model->inBatch([&] {
            model->smartEnabled = true;
            model->topupLeadHours = row.leadHours;
        });
        model->profile = SmartPolicy::Profile();
        if (row.learned) model->profile.total[18] = 5;
        clock->hour = row.hour;
        EXPECT_EQ(model->smartPlanKey(), row.key);
        EXPECT_EQ(model->registeredTarget(), row.target);
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
        {"30 s", 30, true, false, 30.0},
        {"0 s", 0, true, false, 1.0},
        {"negative", -5, true, false, 1.0},
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
