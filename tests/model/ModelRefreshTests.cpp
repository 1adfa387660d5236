#include "ModelFixture.h"

namespace brisel::test {
namespace {

using ModelRefreshTest = ModelTest;

TEST_F(ModelRefreshTest, RequestsDuringAReadMergeIntoOneMoreRead) {
    startOn(chargeSnapshot());
    Gate& reads = fake->gate("readHardware");
    reads.close();
    fake->clearCalls();
    model->refresh();
    settle();
    ASSERT_EQ(reads.held(), 1u);
    for (int i = 0; i < 10; ++i)
        model->refresh();
    reads.open();
    ASSERT_TRUE(runUntil([this] { return !model->refreshTask; }));
    EXPECT_EQ(fake->count("readHardware"), 2u);
    EXPECT_FALSE(model->refreshBusy());
}

// A reading that may predate a change is dropped (the stale one would warn of a low battery).
TEST_F(ModelRefreshTest, AReadOverlappingAChangeIsNeverAccepted) {
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
        row.change(*model);
        fake->gate("readHardware").open();
        ASSERT_TRUE(runUntil([this] { return !model->refreshTask; }));
        EXPECT_EQ(fake->count("readHardware"), row.reads);
        EXPECT_EQ(model->battery().percent, row.percent);
        EXPECT_EQ(fake->count("notifyLowBattery"), 0u);
        model.reset();
    }
}

TEST_F(ModelRefreshTest, ASnapshotClearsTheReadErrorOnlyWhileItIsStillShown) {
    for (bool newerError : {false, true}) {
        SCOPED_TRACE(newerError ? "newer error" : "read error only");
        startOn(chargeSnapshot());
        fake->readHardware.queued = {HardwareFailure{"error.hardwareTimeout", true}};
        model->refresh();
        settle();
        EXPECT_EQ(model->lastError(), tr("error.hardwareTimeout"));
        EXPECT_FALSE(model->lastErrorDomain.has_value());
        if (newerError) model->reportError(FeedbackDomain::energy, "mode failed");
        model->refresh();
        settle();
        EXPECT_EQ(model->lastError(), newerError ? std::optional<std::string>("mode failed") : std::nullopt);
        EXPECT_FALSE(model->hardwareRefreshErrorRevision.has_value());
        model.reset();
    }
}

// What one snapshot (limit 90, enabled) makes of the published state, the manual limit above all.
TEST_F(ModelRefreshTest, AcceptedSnapshotPublishesAndAdoptsAnOutsideLimit) {
    struct Row {
        const char* name;
        std::function<void(AppModel&)> prepare;
        std::function<void(HardwareSnapshot&)> edit;
        std::int64_t manualLimit;
        std::function<void(AppModel&)> check;
    };
    const auto nothing = [](auto&) {};
    const std::vector<Row> rows = {
        {"adopted", nothing, nothing, 90,
         [this](AppModel& m) {
             EXPECT_EQ(m.selection(), 90);
             EXPECT_EQ(m.lastRegisteredTarget, 90);
             EXPECT_EQ(fake->count("saveConfig"), 1u);
         }},
        {"smart plan on", [](AppModel& m) { m.inBatch([&m] { m.smartEnabled = true; }); }, nothing, 80,
         nothing},
        {"temporary full charge", [](AppModel& m) { m.temporaryFullChargeActive = true; }, nothing, 80,
         nothing},
        {"recovery owed", [](AppModel& m) { m.pendingChargeRecovery = AppModel::ChargeRecovery::limit; },
         nothing, 80, nothing},
        {"own write of 80 failed",
         [](AppModel& m) {
             m.lastLimitAttemptFailed = true;
             m.lastLimitAttemptTarget = 80;
         },
         nothing, 80, nothing},
        {"limit disabled", nothing, [](HardwareSnapshot& s) { s.limitEnabled = false; }, 80,
         [this](AppModel&) { EXPECT_EQ(fake->count("saveConfig"), 0u); }},
        {"mode change in flight keeps the mode", [](AppModel& m) { m.energyModeBusy = true; },
         [](HardwareSnapshot& s) { s.energyMode = EnergyMode::lowPower; }, 90,
         [](AppModel& m) { EXPECT_EQ(m.energyMode(), EnergyMode::automatic); }},
        {"mode taken otherwise", nothing, [](HardwareSnapshot& s) { s.energyMode = EnergyMode::lowPower; },
         90, [](AppModel& m) { EXPECT_EQ(m.energyMode(), EnergyMode::lowPower); }},
        {"lid without a sleep flag causes sleep", nothing,
         [](HardwareSnapshot& s) { s.clamshellClosed = true; }, 90,
         [](AppModel& m) {
             EXPECT_EQ(m.clamshellSnapshot, (AppModel::ClamshellSnapshot{true, true}));
         }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        startOn(chargeSnapshot(80));
        row.prepare(*model);
        HardwareSnapshot snapshot = chargeSnapshot(90);
        row.edit(snapshot);
        fake->clearCalls();
        model->acceptHardware(snapshot);
        settle();
        EXPECT_EQ(model->manualLimit(), row.manualLimit);
        row.check(*model);
        model.reset();
    }
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
        fake->clearCalls();
    }
}

// Sampled on the uptime clock: a wall clock set back does not hold sampling off.
TEST_F(ModelRefreshTest, ProfileIsSampledAtMostOncePerMinuteOfUptime) {
    fake->scheduleTimers = false;
    clock->hour = 9;
    startOn(chargeSnapshot()); // the first snapshot samples
    EXPECT_EQ(model->profile.total[9], 1);
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
