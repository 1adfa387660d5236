#include "ModelFixture.h"

namespace brisel::test {
namespace {

using ModelRefreshTest = ModelTest;

// Requests made during a read merge into one more read. A reading that may predate a change is
// dropped (accepting the stale one would warn of a low battery) and taken again.
TEST_F(ModelRefreshTest, RequestsMergeAndAReadOverlappingAChangeIsNeverAccepted) {
    struct Row {
        const char* name;
        std::function<void(AppModel&)> change;
        std::size_t reads;
        int percent;
    };
    const std::vector<Row> rows = {
        {"charge operation", [](AppModel& m) { ++m.chargeGeneration; }, 2, 70},
        {"energy mode change", [](AppModel& m) { ++m.energyGeneration; }, 2, 70},
        {"shutdown ends the loop", [](AppModel& m) { m.isShuttingDown = true; }, 1, 50},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        startOn(chargeSnapshot());
        model->lowBatteryReminder = ReminderIntent::enabled;
        HardwareSnapshot stale = chargeSnapshot(), fresh = chargeSnapshot();
        stale.battery.percent = 5;
        stale.battery.externalConnected = false;
        fresh.battery.percent = 70;
        fake->readHardware.queued = {stale};
        fake->readHardware.otherwise = fresh;
        fake->gate("readHardware").close();
        fake->clearCalls();
        model->refresh();
        settle();
        for (int i = 0; i < 10; ++i)
            model->refresh();
        row.change(*model);
        fake->gate("readHardware").open();
        ASSERT_TRUE(runUntil([this] { return !model->refreshTask; }));
        EXPECT_EQ(fake->count("readHardware"), row.reads);
        EXPECT_EQ(model->battery().percent, row.percent);
        EXPECT_EQ(fake->count("notifyLowBattery"), 0u);
        EXPECT_FALSE(model->refreshBusy());
        model.reset();
    }
}

TEST_F(ModelRefreshTest, ASnapshotClearsTheReadErrorOnlyWhileItIsStillShown) {
    for (bool newerError : {false, true}) {
        SCOPED_TRACE(newerError);
        startOn(chargeSnapshot());
        fake->readHardware.queued = {HardwareFailure{"error.hardwareTimeout", true}};
        model->refresh();
        settle();
        EXPECT_EQ(model->lastError(), tr("error.hardwareTimeout"));
        if (newerError) model->reportError(FeedbackDomain::energy, "mode failed");
        model->refresh();
        settle();
        EXPECT_EQ(model->lastError(), newerError ? std::optional<std::string>("mode failed") : std::nullopt);
        model.reset();
    }
}

// The hardware shows 90 while the application holds 80: adopted only when nothing of its own is owed.
TEST_F(ModelRefreshTest, ALimitSetOutsideIsAdoptedUnlessTheApplicationOwesOne) {
    struct Row {
        const char* name;
        std::function<void(AppModel&)> prepare;
        bool limitEnabled;
        std::int64_t manualLimit;
    };
    const auto nothing = [](AppModel&) {};
    const std::vector<Row> rows = {
        {"adopted", nothing, true, 90},
        {"smart plan on", [](AppModel& m) { m.inBatch([&m] { m.smartEnabled = true; }); }, true, 80},
        {"temporary full charge", [](AppModel& m) { m.temporaryFullChargeActive = true; }, true, 80},
        {"recovery owed", [](AppModel& m) { m.pendingChargeRecovery = AppModel::ChargeRecovery::limit; },
         true, 80},
        {"own write of 80 failed",
         [](AppModel& m) {
             m.lastLimitAttemptFailed = true;
             m.lastLimitAttemptTarget = 80;
         },
         true, 80},
        {"limit disabled", nothing, false, 80},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        startOn(chargeSnapshot(80));
        row.prepare(*model);
        fake->clearCalls();
        model->acceptHardware(chargeSnapshot(90, row.limitEnabled));
        settle();
        EXPECT_EQ(model->manualLimit(), row.manualLimit);
        EXPECT_EQ(model->selection(), row.manualLimit);
        EXPECT_EQ(model->lastRegisteredTarget, row.manualLimit);
        EXPECT_EQ(fake->count("saveConfig"), row.manualLimit == 90 ? 1u : 0u);
        model.reset();
    }
}

TEST_F(ModelRefreshTest, ALidWithoutSleepFlagCausesSleepAndAModeChangeInFlightKeepsItsMode) {
    startOn(chargeSnapshot());
    HardwareSnapshot snapshot = chargeSnapshot();
    snapshot.clamshellClosed = true;
    snapshot.energyMode = EnergyMode::lowPower;
    model->energyModeBusy = true;
    model->acceptHardware(snapshot);
    EXPECT_EQ(model->clamshellSnapshot, (AppModel::ClamshellSnapshot{true, true}));
    EXPECT_EQ(model->energyMode(), EnergyMode::automatic);
    model->energyModeBusy = false;
    model->acceptHardware(snapshot);
    EXPECT_EQ(model->energyMode(), EnergyMode::lowPower);
}

// Keep-awake holds the system only once a snapshot exists: the first accepted one applies it.
TEST_F(ModelRefreshTest, TheFirstSnapshotAppliesKeepAwake) {
    BriselConfig config;
    config.keepAwake = true;
    fake->loadConfig.otherwise = config;
    startOn(chargeSnapshot());
    ASSERT_TRUE(runUntil([this] { return !model->assertionsTask; }));
    EXPECT_TRUE(model->systemAwakeApplied());
    EXPECT_EQ(fake->callsOf({"setSystemAwake"}).back(), "setSystemAwake true");
}

TEST_F(ModelRefreshTest, LowBatteryWarnsOncePerDischarge) {
    struct Step {
        int percent;
        bool adapter;
        std::size_t warnings; // so far
    };
    struct Row {
        const char* name;
        std::int64_t threshold;
        std::vector<Step> steps;
        bool setupRequired = false;
    };
    const std::vector<Row> rows = {
        {"threshold 20",
         20,
         {{21, false, 0},
          {20, false, 1},
          {19, false, 1},
          {23, false, 1},
          {24, false, 1},
          {18, false, 1},
          {25, false, 1},
          {20, false, 2},
          {20, true, 2},
          {20, false, 3}}},
        {"0 counts as 1", 0, {{2, false, 0}, {1, false, 1}}},
        {"150 counts as 100", 150, {{100, false, 1}}},
        {"set-up still required", 20, {{10, false, 0}}, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        startModel(row.setupRequired ? std::optional(startupWith(OnboardingRecord{})) : std::nullopt);
        model->lowBatteryReminder = ReminderIntent::enabled;
        model->lowBatteryWarnPercent = row.threshold;
        fake->clearCalls();
        for (const Step& step : row.steps) {
            HardwareSnapshot snapshot = chargeSnapshot();
            snapshot.battery.percent = step.percent;
            snapshot.battery.externalConnected = step.adapter;
            model->acceptHardware(snapshot);
            EXPECT_EQ(fake->count("notifyLowBattery"), step.warnings) << step.percent;
        }
        const auto warned = fake->callsOf({"notifyLowBattery"});
        if (!warned.empty()) {
            EXPECT_EQ(warned.back(), "notifyLowBattery " + std::to_string(row.steps.back().percent));
        }
        model.reset();
    }
}

// Sampled on the uptime clock: a wall clock set back does not hold sampling off.
TEST_F(ModelRefreshTest, ProfileIsSampledAtMostOncePerMinuteOfUptime) {
    fake->scheduleTimers = false;
    clock->hour = 9;
    startOn(chargeSnapshot()); // the first snapshot samples
    clock->advance(59);
    model->acceptHardware(chargeSnapshot());
    EXPECT_EQ(model->profile.total[9], 1);
    clock->advance(1);
    clock->wall -= std::chrono::hours(1);
    model->acceptHardware(chargeSnapshot());
    EXPECT_EQ(model->profile.total[9], 2);
    const std::string stored = "0,0,0,0,0,0,0,0,0,2,0,0,0,0,0,0,0,0,0,0,0,0,0,0";
    EXPECT_EQ(UserDefaults().string("profile.ac"), stored);
    EXPECT_EQ(UserDefaults().string("profile.total"), stored);
}

} // namespace
} // namespace brisel::test
