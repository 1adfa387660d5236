#include "ModelFixture.h"

#include "model/TaskFields.h"

#include "CapturedUnhandledExceptions.h"

namespace brisel::test {
namespace {

using ModelStartupTest = ModelTest;

BriselConfig configWith(std::function<void(BriselConfig&)> change) {
    BriselConfig config;
    change(config);
    return config;
}

TEST_F(ModelStartupTest, InjectedServicesWithoutStoreLoadTheirConfigurationAndMakeNoCoordinator) {
    fake->loadConfig.otherwise = configWith([](BriselConfig& c) {
        c.manualLimit = 90;
        c.language = "ja";
        c.showInDock = true;
    });
    fake->gate("loadConfig").close();
    makeModel();
    settle();
    // Until a configuration is loaded, nothing may be touched.
    EXPECT_TRUE(model->startupLoading());
    EXPECT_FALSE(model->setupChargeEnabled || model->setupAwakeEnabled || model->setupLidEnabled);

    fake->gate("loadConfig").open();
    ASSERT_TRUE(runUntil([this] { return !model->startupLoading(); }));
    EXPECT_FALSE(model->startupTask.has_value());
    EXPECT_EQ(model->onboarding(), nullptr);
    EXPECT_FALSE(model->setupRequired());
    EXPECT_TRUE(model->configurationLoaded);
    EXPECT_EQ(model->manualLimit(), 90);
    EXPECT_EQ(model->selection(), 90);
    EXPECT_TRUE(model->dockIconActive());
    EXPECT_TRUE(model->setupChargeEnabled && model->setupAwakeEnabled && model->setupLidEnabled);
    EXPECT_EQ(fake->count("setLanguage ja"), 2u); // the batch hand-off and start-up's own
    EXPECT_EQ(fake->count("saveConfig"), 0u);     // loading writes nothing
    EXPECT_EQ(fake->callsOf({"subscribeHardwareRecovery", "subscribeAway", "subscribeChargeOverride"}),
              (std::vector<std::string>{"subscribeHardwareRecovery", "subscribeAway", "subscribeChargeOverride"}));
    finish(model->waitForStartup()); // returns at once now
}

// A damaged config.json is reported and never overwritten, whatever the user changes; a reload
// after the repair makes saving work again.
TEST_F(ModelStartupTest, LoadFailureBlocksEverySaveUntilAReloadSucceeds) {
    fake->loadConfig.queued.push_back(std::string("bad json"));
    startModel();
    EXPECT_FALSE(model->configurationLoaded);
    EXPECT_TRUE(model->configLoadBlocked);
    EXPECT_EQ(model->configError(), tr("config.loadFailed"));
    EXPECT_FALSE(model->configErrorRevision.has_value());
    EXPECT_FALSE(model->setupChargeEnabled || model->setupAwakeEnabled || model->setupLidEnabled);
    EXPECT_FALSE(model->configCanRetrySave());

    model->iconOnly = true;
    model->theme = "classic";
    model->refreshSeconds = 30;
    model->networkSampleSeconds = 60;
    model->lowBatteryReminder = ReminderIntent::enabled;
    model->setLanguage("es");
    model->setShowInDock(true);
    model->setConfig(configWith([](BriselConfig& c) { c.manualLimit = 95; }));
    EXPECT_FALSE(finish(model->saveConfig()));
    settle();
    EXPECT_EQ(fake->count("saveConfig"), 0u);
    EXPECT_EQ(model->configRevision, 0u);

    model->reloadConfig();
    ASSERT_TRUE(runUntil([this] { return !model->configReloadTask; }));
    EXPECT_TRUE(model->configurationLoaded);
    EXPECT_FALSE(model->configLoadBlocked);
    EXPECT_FALSE(model->configError().has_value());
    EXPECT_TRUE(model->setupChargeEnabled && model->setupAwakeEnabled && model->setupLidEnabled);
    settle();
    fake->saved.clear();
    model->iconOnly = false;
    settle();
    ASSERT_EQ(fake->saved.size(), 1u);
    EXPECT_FALSE(fake->saved.back().iconOnly);
}

// What the wizard's record makes of the set-up gates and of a stop left owed by the last run.
TEST_F(ModelStartupTest, RecordDecidesGatesAndOwedStop) {
    struct Row {
        const char* name;
        std::function<void(OnboardingRecord&)> record;
        std::optional<std::string> error;
        bool charge, awake, lid, lidCleanup, stopEntered;
    };
    const std::vector<Row> rows = {
        {"completed", [](OnboardingRecord& r) { r.completed = true; }, {}, true, true, true, false, false},
        {"existing user, not completed", [](OnboardingRecord& r) { r.existingUser = true; }, {},
         true, true, true, false, false},
        {"new user: charge confirmed only",
         [](OnboardingRecord& r) {
             r.charge = SetupResult::confirmed;
             r.ordinary = SetupResult::requested;
             r.lid = SetupResult::idle;
         },
         {}, true, false, false, false, false},
        {"storage error", [](OnboardingRecord& r) { r.completed = true; }, "onboarding.storageFailed",
         false, false, false, false, false},
        {"stop owed, lid flag absent",
         [](OnboardingRecord& r) {
             r.completed = true;
             r.stopPending = true;
         },
         {}, true, true, true, true, true},
        {"stop owed without the lid",
         [](OnboardingRecord& r) {
             r.completed = true;
             r.stopPending = true;
             r.stopLidRequired = false;
         },
         {}, true, true, true, false, true},
    };
    fake->holdHelper("isInstalled"); // the lid work stays pending: what is read is start-up's own books
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        fake->loadConfig.otherwise = configWith([](BriselConfig& c) { c.keepAwake = true; });
        OnboardingRecord record;
        row.record(record);
        startModel(startupWith(record, row.error));
        EXPECT_EQ(model->setupChargeEnabled, row.charge);
        EXPECT_EQ(model->setupAwakeEnabled, row.awake);
        EXPECT_EQ(model->setupLidEnabled, row.lid);
        EXPECT_EQ(model->lidCleanupRequired, row.lidCleanup);
        EXPECT_EQ(model->keepAwake(), !row.stopEntered);
        EXPECT_EQ(model->setupActionGeneration, row.stopEntered ? 1u : 0u);
        ASSERT_NE(model->onboarding(), nullptr); // the coordinator is made even with a storage error
        model.reset();
    }
}

TEST_F(ModelStartupTest, ShuttingDownMidwayStillEndsStartupButSkipsTheRest) {
    // Step 8 hands the reminder to the notifier; a quit arriving there stops the sequence.
    makeModel();
    auto quitting = [this] { model->isShuttingDown = true; };
    model->services.setReminderIntent = [quitting](ReminderIntent) { quitting(); };
    ASSERT_TRUE(runUntil([this] { return !model->startupLoading(); }));
    EXPECT_EQ(fake->count("subscribeHardwareRecovery"), 1u); // before the check
    EXPECT_EQ(fake->count("subscribeAway"), 0u);             // after it
    EXPECT_EQ(fake->count("subscribeChargeOverride"), 0u);
}

// A substitute that throws must not leave start-up half done: the flag turns off, the field clears.
TEST_F(ModelStartupTest, ThrowingServiceLeavesNoStartupTaskBehind) {
    CapturedUnhandledExceptions captured;
    fake->throwing = {"setLanguage"};
    startModel();
    EXPECT_FALSE(model->startupTask.has_value());
    EXPECT_FALSE(model->isBatchUpdating);
    finish(model->waitForStartup());
    EXPECT_EQ(captured.reports(), std::vector<std::string>{"task: fake setLanguage failed"})
        << "nobody awaits the start-up: its failure is reported";

    // A throwing load is a load failure like any other.
    model.reset();
    fake->throwing = {"loadConfig"};
    startModel();
    EXPECT_TRUE(model->configLoadBlocked);
    EXPECT_EQ(model->configError(), tr("config.loadFailed"));
}

TEST_F(ModelStartupTest, ServiceHandlersReachTheModelOnALaterTurnUnlessShuttingDown) {
    startModel();
    AwayStatus away;
    away.isAway = true;
    fake->awayHandler(away);
    EXPECT_FALSE(model->awayStatus().isAway); // never inline
    settle();
    EXPECT_TRUE(model->awayStatus().isAway);

    model->isShuttingDown = true;
    fake->awayHandler(AwayStatus{});
    settle();
    EXPECT_TRUE(model->awayStatus().isAway);
}

TEST_F(ModelStartupTest, CoordinatorChangesAndOwnChangesComeAsOneCoalescedSignal) {
    OnboardingRecord record;
    record.completed = true;
    startModel(startupWith(record));
    ASSERT_NE(onboarding, nullptr);
    ASSERT_TRUE(runUntil([this] { return !model->helperTask && !model->assertionsTask; }));
    settle();
    int emitted = 0;
    QObject::connect(model.get(), &AppModel::changed, [&emitted] { ++emitted; });
    onboarding->edit([](OnboardingRecord& r) { r.stopPending = true; });
    model->chargeLimitBusy = true;
    model->battery = BatteryInfo{};
    EXPECT_EQ(emitted, 0);
    settle();
    EXPECT_EQ(emitted, 1);
    EXPECT_TRUE(model->hasPendingAwakeStop()); // read through the coordinator's record
}

TEST_F(ModelStartupTest, StoredProfileIsTakenOnlyWhenBothListsHave24Counts) {
    auto counts = [](int n, int value) {
        std::string text;
        for (int i = 0; i < n; ++i)
            text += (i ? "," : "") + std::to_string(value);
        return text;
    };
    struct Row {
        const char* name;
        std::optional<std::string> ac, total;
        bool taken;
    };
    const std::vector<Row> rows = {
        {"24 and 24", counts(24, 1), counts(24, 2), true},
        {"23 counts", counts(23, 1), counts(24, 2), false},
        {"25 counts", counts(24, 1), counts(25, 2), false},
        {"missing key", counts(24, 1), std::nullopt, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const UserDefaults defaults;
        defaults.remove("profile.ac");
        defaults.remove("profile.total");
        if (row.ac) defaults.setString("profile.ac", *row.ac);
        if (row.total) defaults.setString("profile.total", *row.total);
        startModel();
        EXPECT_EQ(model->profile.total[0], row.taken ? 2 : 0);
        EXPECT_EQ(model->profile.ac[23], row.taken ? 1 : 0);
        model.reset();
    }
}

// The wait over a task field: it follows a task that took the field over, and it stops on a field
// still naming the task it has just awaited (that task ended without clearing it).
TEST_F(ModelStartupTest, WaitUntilEmptyFollowsReplacementsAndNeverSpinsOnAFinishedTask) {
    startModel();
    fake->gate("loadConfig").close();
    model->reloadConfig();
    Task<void> first = *model->configReloadTask;
    settle();
    auto waiting = awaitUntilEmpty(QPointer<AppModel>(model.get()), &AppModel::configReloadTask);
    settle();
    model->reloadConfig(); // takes the field over while the wait is on the first
    settle();
    fake->gate("loadConfig").releaseOne();
    ASSERT_TRUE(runUntil([&first] { return first.isDone(); }));
    settle();
    EXPECT_FALSE(waiting.isDone());
    EXPECT_TRUE(model->configReloadTask.has_value()); // only the newest reload clears it
    fake->gate("loadConfig").open();
    finish(waiting);
    EXPECT_FALSE(model->configReloadTask.has_value());

    model->configReloadTask = first; // a finished task left behind
    finish(awaitUntilEmpty(QPointer<AppModel>(model.get()), &AppModel::configReloadTask));
}

} // namespace
} // namespace brisel::test
