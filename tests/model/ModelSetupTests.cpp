#include "ModelFixture.h"

#include "model/TaskFields.h"

namespace brisel::test {
namespace {

using ModelSetupTest = ModelTest;

TEST_F(ModelSetupTest, HelperPreparationInstallsThenReadsBothFlagsBackUnlessRefused) {
    const HelperError busy{"onboarding.busy", 0}, refused{"administrator scripts are not available", 1};
    struct Row {
        std::function<void(AppModel&)> arrange;
        HelperResult<void> install;
        HelperResult<void> result;
        std::vector<std::string> calls;
    };
    const std::vector<std::string> all{"helper.install", "helper.waitForHelper", "helper.isInstalled",
                                       "helper.filesPresent"};
    const auto ok = HelperResult<void>::success();
    // clang-format off
    const std::vector<Row> rows{
        {[](AppModel& m) { m.helperBusy = true; }, ok, busy, {}},
        {[](AppModel& m) { m.energyModeBusy = true; }, ok, busy, {}},
        {[](AppModel& m) { m.isShuttingDown = true; }, ok, busy, {}},
        {[](AppModel&) {}, ok, ok, all},
        {[](AppModel&) {}, refused, refused, {"helper.install", "helper.isInstalled", "helper.filesPresent"}},
    };
    // clang-format on
    for (const Row& row : rows) {
        fake->setHelper([](HelperAnswers& a) { a = HelperAnswers{}; }); // nothing installed at start-up
        startModel();
        finish(
            awaitUntilEmpty(QPointer<AppModel>(model.get()), &AppModel::helperTask)); // start-up's lid check
        row.arrange(*model);
        const bool wasBusy = model->helperBusy();
        fake->setHelper([&row](HelperAnswers& a) {
            a.install = row.install;
            a.installed = a.filesPresent = true;
        });
        fake->clearCalls();
        EXPECT_EQ(finish(model->prepareSetupHelper()), row.result);
        EXPECT_EQ(fake->callsOf({all.begin(), all.end()}), row.calls);
        EXPECT_EQ(model->helperInstalled() && model->helperFilesPresent(), !row.calls.empty());
        EXPECT_EQ(model->helperBusy(), wasBusy);
    }
}

TEST_F(ModelSetupTest, AFailedReminderSaveGoesBackOnlyWhileNothingNewerFollowed) {
    startModel();
    model->inBatch([this] { model->lowBatteryReminder = ReminderIntent::disabled; });
    model->lowBatteryNotified = true;
    fake->saveConfig.queued.push_back("disk full");
    EXPECT_FALSE(finish(model->setSetupReminder(ReminderIntent::enabled)));
    EXPECT_EQ(model->lowBatteryReminder(), ReminderIntent::disabled);
    EXPECT_TRUE(finish(model->setSetupReminder(ReminderIntent::enabled)));
    EXPECT_EQ(fake->saved.back().lowBatteryReminder, ReminderIntent::enabled);
    EXPECT_FALSE(model->lowBatteryNotified);

    // The first save fails only after a second choice was made: the second stays.
    fake->gate("saveConfig").close();
    fake->saveConfig.queued.push_back("disk full");
    Task<bool> first = model->setSetupReminder(ReminderIntent::disabled);
    Task<bool> second = model->setSetupReminder(ReminderIntent::undecided);
    fake->gate("saveConfig").open();
    EXPECT_FALSE(finish(first));
    EXPECT_TRUE(finish(second));
    EXPECT_EQ(model->lowBatteryReminder(), ReminderIntent::undecided);
}

TEST_F(ModelSetupTest, PermissionAnswerBecomesTheReminderChoice) {
    const std::vector<std::pair<std::string, ReminderIntent>> rows{
        {"notification.denied", ReminderIntent::disabled},
        {"notification.ready", ReminderIntent::enabled},
        {"notification.alertsOff", ReminderIntent::enabled},
        {"notification.unknown", ReminderIntent::undecided},
    };
    startModel();
    for (const auto& [status, choice] : rows) {
        model->inBatch([this] { model->lowBatteryReminder = std::nullopt; });
        fake->requestNotification.otherwise = status;
        model->requestLowBatteryPermission();
        model->requestLowBatteryPermission(); // ignored while one runs
        ASSERT_TRUE(runUntil([this] { return !model->notificationBusy(); }));
        EXPECT_EQ(model->notificationStatus(), status);
        EXPECT_EQ(model->lowBatteryReminder(), choice) << status;
    }
    EXPECT_EQ(fake->count("requestNotification"), rows.size());
}

// The refresh loop and the wizard share one hardware queue that refuses a second operation.
TEST_F(ModelSetupTest, HardwareInspectionWaitsForTheRefreshPassAndRetriesAPendingRead) {
    startModel();
    settle();
    fake->gate("readHardware").close();
    model->refresh();
    Task<bool> inspecting = model->inspectSetupHardware();
    settle();
    EXPECT_EQ(fake->count("readHardware"), 2u); // start-up's, and the held pass's
    fake->readHardware.queued = {HardwareSnapshot{}, HardwareFailure{HardwareIO::pendingMessage, true}};
    fake->gate("readHardware").open();
    EXPECT_TRUE(finish(inspecting));
    EXPECT_EQ(fake->count("readHardware"), 4u);
    EXPECT_EQ(model->lastError(), std::nullopt);

    // A failure that remains shows like a refresh failure, which the next good read clears.
    fake->readHardware.queued = {HardwareFailure{"error.hardwareTimeout", true}};
    EXPECT_FALSE(finish(model->inspectSetupHardware()));
    EXPECT_EQ(model->lastError(), tr("error.hardwareTimeout"));
    EXPECT_EQ(model->hardwareRefreshErrorRevision, model->lastErrorRevision);
    EXPECT_TRUE(finish(model->inspectSetupHardware()));
    EXPECT_EQ(model->lastError(), std::nullopt);
}

TEST_F(ModelSetupTest, ChargeMatchesTheTargetItHolds) {
    struct Row {
        std::optional<int> current;
        bool enabled;
        int target;
        bool matches;
    };
    const std::vector<Row> rows{{std::nullopt, false, 0, false}, {100, false, 100, true}, {90, false, 0, true},
                                {90, true, 0, false},            {85, true, 85, true},    {85, false, 85, false}};
    startModel();
    for (const Row& row : rows) {
        model->currentLimit = row.current;
        model->limitEnabled = row.enabled;
        EXPECT_EQ(model->setupChargeMatches(row.target), row.matches) << row.target << " on " << row.current.value_or(-1);
    }
}

TEST_F(ModelSetupTest, ChargeApplicationWritesTheRegisteredTargetAndReadsItBack) {
    using Failure = std::optional<HardwareFailure>;
    struct Row {
        const char* name;
        std::function<void(AppModel&)> arrange;
        OnboardingHabit habit;
        int target;
        std::deque<Failure> writes; // the answers of setLimit
        int reading;                // the limit the read-back shows
        SetupResult result;
        std::vector<std::string> calls;
        std::optional<std::string> error; // chargeFeedbackError, also in lastError
    };
    auto none = [](AppModel&) {};
    const Failure pending = HardwareFailure{HardwareIO::pendingMessage, true};
    const Failure late = HardwareFailure{"error.hardwareTimeout", true};
    const Failure broken = HardwareFailure{"powerui.failed", false};
    const std::vector<std::string> refusedCalls{};
    const OnboardingHabit desk = OnboardingHabit::desk;
    // clang-format off
    const std::vector<Row> rows{
        {"quitting", [](AppModel& m) { m.isShuttingDown = true; }, desk, 85, {}, 85, SetupResult::failed, {}, {}},
        {"no snapshot", [](AppModel& m) { m.hasHardwareSnapshot = false; }, desk, 85, {}, 85, SetupResult::failed, {}, {}},
        {"no limit", [](AppModel& m) { m.mclSupported = false; }, desk, 85, {}, 85, SetupResult::failed, {}, {}},
        {"not offered", none, desk, 75, {}, 75, SetupResult::failed, {}, {}},
        {"save fails", [this](AppModel&) { fake->saveConfig.queued = {"disk full"}; }, desk, 85, {}, 85,
         SetupResult::failed, {"saveConfig"}, {}},
        {"written", none, desk, 85, {}, 85, SetupResult::confirmed, {"saveConfig", "setLimit 85", "readHardware"}, {}},
        {"100 is written too", none, desk, 100, {}, 100, SetupResult::confirmed,
         {"saveConfig", "setLimit 100", "readHardware"}, {}},
        {"mobile before the unplug hour: the top-up", [this](AppModel& m) {
             m.inBatch([&m] { m.topupLimit = 95; });
             m.profile.total[18] = 5;
             clock->hour = 17;
         }, OnboardingHabit::mobile, 85, {}, 95, SetupResult::confirmed, {"saveConfig", "setLimit 95", "readHardware"}, {}},
        {"queue busy once: written again", none, desk, 85, {pending}, 85, SetupResult::confirmed,
         {"saveConfig", "setLimit 85", "setLimit 85", "readHardware"}, {}},
        {"awaiting recovery, not read back", none, desk, 85, {late}, 80, SetupResult::unknown,
         {"saveConfig", "setLimit 85", "readHardware"}, tr("error.hardwareTimeout")},
        {"failed outright", none, desk, 85, {broken}, 80, SetupResult::failed,
         {"saveConfig", "setLimit 85", "readHardware"}, tr("powerui.failed")},
        {"written but not read back", none, desk, 85, {}, 80, SetupResult::failed,
         {"saveConfig", "setLimit 85", "readHardware"}, {}},
    };
    // clang-format on
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        clock->hour = 12;
        startOn(chargeSnapshot(80));
        model->setupChargeEnabled = true;
        model->inBatch([this] { model->smartEnabled = false; });
        model->reportError(FeedbackDomain::charging, "earlier");
        row.arrange(*model);
        const BriselConfig before = model->config();
        fake->setLimit.queued = row.writes;
        fake->readHardware.otherwise = chargeSnapshot(row.reading);
        fake->clearCalls();
        EXPECT_EQ(finish(model->applySetupCharge(row.habit, row.target)), row.result);
        EXPECT_EQ(fake->callsOf({"saveConfig", "setLimit", "readHardware"}), row.calls);
        const bool refused = row.calls.empty();
        EXPECT_EQ(model->setupChargeEnabled, refused);
        if (refused) {
            EXPECT_EQ(model->config(), before);
            continue;
        }
        EXPECT_EQ(model->smartEnabled(), row.habit == OnboardingHabit::mobile);
        EXPECT_EQ(model->manualLimit(), row.target);
        EXPECT_EQ(model->holdLimit(), row.target);
        if (row.calls.size() < 2) continue; // not written: the earlier error stays
        EXPECT_EQ(model->chargeFeedbackError(), row.error);
        EXPECT_EQ(model->lastError(), row.error);
        if (row.result == SetupResult::confirmed) {
            EXPECT_EQ(model->lastRegisteredTarget, row.reading);
        }
    }
}

TEST_F(ModelSetupTest, ChargeApplicationGivesUpWhenAStopCameDuringItsSave) {
    startOn(chargeSnapshot(80));
    fake->gate("saveConfig").close();
    Task<SetupResult> applying = model->applySetupCharge(OnboardingHabit::desk, 85);
    settle();
    ++model->setupActionGeneration;
    fake->gate("saveConfig").open();
    EXPECT_EQ(finish(applying), SetupResult::failed);
    EXPECT_EQ(fake->count("setLimit"), 0u);
}

// The hardware queue refuses a second operation: the write waits for the refresh pass.
TEST_F(ModelSetupTest, ChargeApplicationWaitsForARunningRefreshThenWritesOnce) {
    startOn(chargeSnapshot(80));
    fake->readHardware.otherwise = chargeSnapshot(85);
    fake->gate("readHardware").close();
    model->refresh();
    Task<SetupResult> applying = model->applySetupCharge(OnboardingHabit::desk, 85);
    settle();
    EXPECT_EQ(fake->count("setLimit"), 0u);
    fake->gate("readHardware").open();
    EXPECT_EQ(finish(applying), SetupResult::confirmed);
    EXPECT_EQ(fake->count("setLimit"), 1u);
}

TEST_F(ModelSetupTest, AwakeApplicationSwitchesKeepAwakeOnAndReportsWhatTheMachineShows) {
    using R = SetupResult;
    using Results = std::pair<R, R>;
    struct Row {
        const char* name;
        std::function<void(AppModel&)> arrange;
        OnboardingTask task;
        bool applyLid;
        std::optional<bool> assertion, sleepDisabled;
        Results results;
        bool applied; // keep-awake switched on and saved
    };
    auto none = [](AppModel&) {};
    const auto open = OnboardingTask::open, lid = OnboardingTask::lid;
    // clang-format off
    const std::vector<Row> rows{
        {"quitting", [](AppModel& m) { m.isShuttingDown = true; }, open, true, true, {}, {R::failed, R::idle}, false},
        {"no snapshot", [](AppModel& m) { m.hasHardwareSnapshot = false; }, open, true, true, {}, {R::failed, R::idle}, false},
        {"a stop still owed", [](AppModel& m) { m.taskStopStatus = "onboarding.stopPartial"; }, lid, true, true, true,
         {R::failed, R::failed}, false},
        {"held", none, open, true, true, {}, {R::confirmed, R::idle}, true},
        {"not held", none, open, true, false, {}, {R::failed, R::idle}, true},
        {"assertion unknown", none, open, true, {}, {}, {R::unknown, R::idle}, true},
        {"lid not applied is still read", none, lid, false, true, true, {R::confirmed, R::confirmed}, true},
        {"lid read unknown", none, lid, false, true, {}, {R::confirmed, R::unknown}, true},
        {"lid write owed again", [](AppModel& m) { m.lidWriteNeedsRetry = true; m.helperStatus = "refused"; },
         lid, false, true, true, {R::confirmed, R::unknown}, true},
    };
    // clang-format on
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        startOn(chargeSnapshot());
        finish(awaitUntilEmpty(QPointer<AppModel>(model.get()), &AppModel::helperTask)); // start-up's lid check
        model->setupAwakeEnabled = false;
        row.arrange(*model);
        fake->systemAssertionActive.otherwise = row.assertion;
        fake->setHelper([&row](HelperAnswers& a) { a.sleepDisabled = row.sleepDisabled; });
        fake->clearCalls();
        EXPECT_EQ(finish(model->applySetupAwake(row.task, true, row.applyLid)), row.results);
        EXPECT_EQ(model->keepAwake(), row.applied);
        EXPECT_EQ(fake->count("saveConfig"), row.applied ? 1u : 0u);
        EXPECT_EQ(model->setupAwakeEnabled, row.applied);
        EXPECT_EQ(fake->count("helper.setDisablesleep"), 0u);
        EXPECT_EQ(model->keepAwakeOnLidClosed(), row.applied && row.task == lid);
    }
}

TEST_F(ModelSetupTest, AwakeApplicationFailsWhenKeepAwakeIsSwitchedOffMeanwhile) {
    for (const OnboardingTask task : {OnboardingTask::open, OnboardingTask::lid}) {
        startOn(chargeSnapshot());
        fake->systemAssertionActive.otherwise = true;
        fake->gate("saveConfig").close();
        Task<std::pair<SetupResult, SetupResult>> applying = model->applySetupAwake(task, true, false);
        settle();
        model->inBatch([this] { model->keepAwake = false; });
        fake->gate("saveConfig").open();
        EXPECT_EQ(finish(applying), std::pair(SetupResult::failed, SetupResult::idle));
    }
}

TEST_F(ModelSetupTest, CompletionOpensTheGatesAndAdoptsTheLimitOnlyWhenNoneWasChosen) {
    struct Row {
        const char* name;
        const char* record; // words: existing unchanged
        bool limitOn;
        std::optional<std::string> saveError;
        std::optional<std::int64_t> manual; // the manual limit afterwards, nothing when untouched
        bool configured;                   // the away guard configured and a refresh run
    };
    const std::vector<Row> rows{
        {"habit chosen", "", true, {}, std::nullopt, true},
        {"existing user", "existing unchanged", true, {}, std::nullopt, true},
        {"unchanged, limit on", "unchanged", true, {}, 90, true},
        {"unchanged, limit off", "unchanged", false, {}, 0, true},
        {"unchanged, save fails", "unchanged", true, "disk full", 90, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string facts = row.record;
        OnboardingRecord record;
        record.existingUser = facts.find("existing") != std::string::npos;
        if (facts.find("unchanged") != std::string::npos) record.habit = OnboardingHabit::unchanged;
        fake->readHardware.otherwise = chargeSnapshot(90, row.limitOn);
        startModel(startupWith(record));
        settle();
        model->inBatch([this] {
            model->smartEnabled = true;
            model->manualLimit = 85;
        });
        if (row.saveError) fake->saveConfig.queued = {*row.saveError};
        fake->clearCalls();
        finish(model->completeSetup());
        settle();
        EXPECT_TRUE(model->setupChargeEnabled && model->setupAwakeEnabled && model->setupLidEnabled);
        EXPECT_EQ(model->manualLimit(), row.manual.value_or(85));
        EXPECT_EQ(model->smartEnabled(), !row.manual.has_value());
        EXPECT_EQ(fake->count("configureAway"), row.configured ? 1u : 0u);
        EXPECT_EQ(fake->count("readHardware") > 0, row.configured);
    }
}

TEST_F(ModelSetupTest, RememberingTheNetworkStoresItOnceAndSavesEachTime) {
    startModel();
    model->inBatch([this] { model->awayDetectionEnabled = false; });
    fake->currentNetworkFingerprint.otherwise = "abc";
    fake->configured.clear();
    fake->clearCalls();
    EXPECT_TRUE(finish(model->rememberCurrentNetwork()));
    EXPECT_TRUE(finish(model->rememberCurrentNetwork()));
    EXPECT_EQ(model->usualFingerprints(), std::vector<std::string>{"abc"});
    EXPECT_EQ(fake->count("saveConfig"), 2u);
    ASSERT_EQ(fake->configured.size(), 2u);
    EXPECT_TRUE(fake->configured.back().enabled); // on before set-up has switched the guard on

    fake->saveConfig.queued = {"disk full"};
    fake->currentNetworkFingerprint.otherwise = "def";
    EXPECT_FALSE(finish(model->rememberCurrentNetwork()));
    EXPECT_EQ(model->usualFingerprints().size(), 2u); // kept in memory, like every setting
    fake->currentNetworkFingerprint.otherwise = std::nullopt;
    EXPECT_FALSE(finish(model->rememberCurrentNetwork()));
    model->isShuttingDown = true;
    fake->currentNetworkFingerprint.otherwise = "abc";
    EXPECT_FALSE(finish(model->rememberCurrentNetwork()));
    EXPECT_EQ(fake->count("saveConfig"), 3u);
    EXPECT_EQ(fake->configured.size(), 2u);
}

// A set-up member's task ends quietly when the model goes right after the call, before the
// task's body has had its first turn.
TEST_F(ModelSetupTest, SetupTasksEndQuietlyWhenTheModelGoesRightAfterTheCall) {
    using Ended = std::function<bool()>;
    auto ending = [](auto task) -> Ended { return [task] { return task.isDone(); }; };
    // clang-format off
    const std::vector<std::pair<const char*, std::function<Ended(AppModel&)>>> rows{
        {"hardware read", [&](AppModel& m) { return ending(m.inspectSetupHardware()); }},
        {"helper preparation", [&](AppModel& m) { return ending(m.prepareSetupHelper()); }},
        {"reminder", [&](AppModel& m) { return ending(m.setSetupReminder(ReminderIntent::enabled)); }},
        {"charge", [&](AppModel& m) { return ending(m.applySetupCharge(OnboardingHabit::desk, 85)); }},
        {"keep-awake", [&](AppModel& m) { return ending(m.applySetupAwake(OnboardingTask::lid)); }},
        {"no keep-awake", [&](AppModel& m) { return ending(m.applySetupAwake(OnboardingTask::none)); }},
        {"lid read", [&](AppModel& m) { return ending(m.inspectSetupLid()); }},
        {"assertion read", [&](AppModel& m) { return ending(m.inspectSetupAssertion()); }},
        {"completion", [&](AppModel& m) { return ending(m.completeSetup()); }},
        {"network", [&](AppModel& m) { return ending(m.rememberCurrentNetwork()); }},
    };
    // clang-format on
    for (const auto& [name, call] : rows) {
        SCOPED_TRACE(name);
        startOn(chargeSnapshot());
        fake->currentNetworkFingerprint.otherwise = "abc";
        const Ended ended = call(*model);
        model.reset();
        EXPECT_TRUE(runUntil(ended));
    }
}

} // namespace
} // namespace brisel::test
