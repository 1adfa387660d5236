#include "ModelFixture.h"

#include <array>
#include <limits>

namespace brisel::test {
namespace {

using Strings = std::vector<std::string>;
using R = SetupResult;

// Whether a row's space-separated facts name `word`.
bool has(const std::string& facts, const std::string& word) {
    return (" " + facts + " ").find(" " + word + " ") != std::string::npos;
}

// A started model with keep-awake on, a snapshot taken and a battery to protect, whose start-up
// work on the assertions and the lid has ended.
class KeepAwakeTest : public ModelTest {
protected:
    void startAwake(const std::function<void(BriselConfig&)>& change = {},
                    std::optional<OnboardingStartup> startup = std::nullopt) {
        BriselConfig config;
        config.keepAwake = true;
        if (change) change(config);
        fake->loadConfig.otherwise = config;
        fake->gate("readHardware").close(); // no refresh ends: the tests set the snapshot's fields
        startModel(std::move(startup));
        model->hasHardwareSnapshot = true;
        BatteryInfo battery;
        battery.present = battery.installed = true;
        model->battery = battery;
        idle();
        fake->clearCalls();
    }
    void idle() {
        ASSERT_TRUE(runUntil([this] {
            return !model->assertionsTask && !model->helperTask && !model->taskStopTask &&
                   !model->displaySleepTask;
        }));
    }
    void withHelper(bool installed, bool files, std::optional<bool> sleepDisabled,
                    HelperResult<void> write = HelperResult<void>::success()) {
        fake->setHelper([&](HelperAnswers& a) {
            a.installed = installed;
            a.filesPresent = files;
            a.sleepDisabled = sleepDisabled;
            a.setDisablesleep = write;
        });
    }
    void assertionStates(std::optional<bool> system, std::optional<bool> display) {
        fake->systemAssertionActive.otherwise = system;
        fake->displayAssertionActive.otherwise = display;
    }
};

TEST_F(KeepAwakeTest, SwitchRefusesAnEnableWhileAStopRunsAndAlwaysStopsOnOff) {
    startAwake([](BriselConfig& c) { c.keepAwake = false; });
    assertionStates(false, false);
    fake->gate("systemAssertionActive").close(); // holds the stop
    model->keepAwake = false;                    // already off: still stops
    ASSERT_TRUE(model->taskStopBusy());
    settle();
    const auto intent = model->awakeIntentRevision;
    model->keepAwake = true;
    model->setKeepAwakeEnabled(true);
    model->keepAwake = false;
    model->setKeepAwakeEnabled(false);
    EXPECT_FALSE(model->keepAwake());
    EXPECT_EQ(model->awakeIntentRevision, intent);
    EXPECT_EQ(model->setupActionGeneration, 1u);
    settle();
    EXPECT_EQ(fake->count("saveConfig"), 1u); // the stop's own

    fake->gate("systemAssertionActive").open();
    idle();
    EXPECT_EQ(model->taskStopStatus(), "onboarding.stopped");
    model->setKeepAwakeEnabled(true);
    EXPECT_TRUE(model->keepAwake() && model->canEditKeepAwakeOptions());
    EXPECT_EQ(fake->count("configureAway"), 1u);
}

TEST_F(KeepAwakeTest, AssertionRequestsMergeAndOnlyTheLastPassPublishes) {
    startAwake();
    fake->gate("setSystemAwake").close();
    fake->setSystemAwake.otherwise = false;
    const auto errors = model->lastErrorRevision;
    model->applyAssertions();
    const Task<void> task = *model->assertionsTask;
    settle();
    model->applyAssertions();
    model->hasHardwareSnapshot = false; // the newest wish: nothing held
    model->applyAssertions();
    EXPECT_EQ(*model->assertionsTask, task);
    fake->gate("setSystemAwake").open();
    idle();
    EXPECT_EQ(fake->callsOf({"setSystemAwake", "setDisplayAwake"}),
              (Strings{"setSystemAwake true", "setSystemAwake false", "setDisplayAwake false"}));
    EXPECT_EQ(model->lastErrorRevision, errors + 1);
    EXPECT_EQ(model->awakeFeedbackError(), tr("error.assertionFailed"));
    EXPECT_EQ(model->lastErrorDomain, FeedbackDomain::awake);
    EXPECT_FALSE(model->assertionsApplying());

    // A success clears the feedback, and `lastError` only while it still holds the same text.
    for (const bool replaced : {false, true}) {
        fake->setSystemAwake.otherwise = false;
        model->applyAssertions();
        idle();
        if (replaced) model->lastError = std::string("newer");
        fake->setSystemAwake.otherwise = true;
        model->applyAssertions();
        idle();
        EXPECT_FALSE(model->awakeFeedbackError().has_value());
        EXPECT_EQ(model->lastError(), replaced ? std::optional<std::string>("newer") : std::nullopt);
    }
}

TEST_F(KeepAwakeTest, AssertionsAreHeldOnlyWithSetupASnapshotNoGuardAndNoQuit) {
    const std::vector<std::pair<const char*, std::function<void(AppModel&)>>> rows = {
        {"all allowed", [](AppModel&) {}},
        {"no snapshot yet", [](AppModel& m) { m.hasHardwareSnapshot = false; }},
        {"guard active", [](AppModel& m) { m.bagGuardActive = true; }},
        {"shutting down", [](AppModel& m) { m.isShuttingDown = true; }},
        {"set-up does not allow keep-awake", [](AppModel& m) { m.setupAwakeEnabled = false; }},
    };
    for (const auto& [name, change] : rows) {
        SCOPED_TRACE(name);
        startAwake([](BriselConfig& c) { c.keepDisplayAwake = true; });
        change(*model);
        model->applyAssertions();
        idle();
        const std::string wish = rows.front().first == name ? " true" : " false";
        EXPECT_EQ(fake->callsOf({"setSystemAwake", "setDisplayAwake"}),
                  (Strings{"setSystemAwake" + wish, "setDisplayAwake" + wish}));
        model.reset();
    }
}

// Nothing waits on the main thread: a hung assertion call only suspends its waiters, and a quit
// meanwhile ends them without a result.
TEST_F(KeepAwakeTest, HungAssertionsBlockNothingAndAQuitEndsTheirWaitersQuietly) {
    startAwake();
    fake->gate("setSystemAwake").close();
    model->applyAssertions();
    model->sleepDisplayNow();
    model->restoreSystemDefaults();
    bool reached = false;
    postToMain([&reached] { reached = true; });
    EXPECT_TRUE(runUntil([&reached] { return reached; }));
    model->shutdownKeepAwake();
    settle();
    EXPECT_TRUE(model->assertionsApplying() && model->displaySleepBusy() && model->taskStopBusy());
    fake->gate("setSystemAwake").open();
    idle();
    EXPECT_FALSE(model->displaySleepBusy() || model->taskStopBusy());
    EXPECT_FALSE(model->displaySleepStatus().has_value()); // no "preparing" left behind
    EXPECT_EQ(model->taskStopStatus(), "");
}

TEST_F(KeepAwakeTest, GuardVerdictFollowsItsRulesInOrder) {
    struct Row {
        const char* facts; // "before": the guard was active; "lidAwake": a closed lid that does not sleep
        bool active;
        std::optional<std::string> event;
    };
    const std::vector<Row> rows = {
        {"away idle", true, "guard.eventIdle"},
        {"away idle lid locked", true, "guard.eventLocked"},
        {"away idle lid", true, "guard.eventLid"},
        {"away lidAwake", false, {}},
        {"away idle adapter", false, {}},
        {"away idle noBattery", false, {}},
        {"before pending", true, {}},
        {"before away idle disabled", false, {}},
    };
    for (const auto& [facts, active, event] : rows) {
        SCOPED_TRACE(facts);
        startAwake();
        AwayStatus status;
        status.isAway = has(facts, "away");
        status.configurationSamplePending = has(facts, "pending");
        model->awayStatus = status;
        if (has(facts, "lid") || has(facts, "lidAwake"))
            model->clamshellSnapshot = AppModel::ClamshellSnapshot{true, has(facts, "lid")};
        fake->screenLocked = has(facts, "locked");
        fake->idleSeconds = has(facts, "idle") ? 120 : 119;
        BatteryInfo battery = model->battery();
        battery.externalConnected = has(facts, "adapter");
        battery.present = !has(facts, "noBattery");
        model->battery = battery;
        model->inBatch([&] { model->awayDetectionEnabled = !has(facts, "disabled"); });
        model->bagGuardActive = has(facts, "before");
        clock->wall += std::chrono::hours(1);
        model->evaluateBagGuard();
        idle();
        EXPECT_EQ(model->bagGuardActive(), active);
        EXPECT_EQ(model->lastGuardEvent(), event);
        EXPECT_EQ(model->lastGuardEventDate() == clock->wall, event.has_value());
        EXPECT_EQ(fake->count("setSystemAwake"), has(facts, "before") != active ? 1u : 0u); // re-applied
        model.reset();
    }
}

TEST_F(KeepAwakeTest, AwaySettingsReconfigureTheEngineOnlyWhenTheyShapeIt) {
    startAwake();
    fake->configured.clear();
    model->idleSeconds = 5;
    model->requireBattery = false;
    EXPECT_TRUE(fake->configured.empty());
    model->networkSampleSeconds = std::numeric_limits<std::int64_t>::max();
    model->awayAfterMinutes = std::numeric_limits<std::int64_t>::min();
    ASSERT_EQ(fake->configured.size(), 2u);
    EXPECT_EQ(fake->configured.back().sampleSeconds, std::numeric_limits<int>::max());
    EXPECT_EQ(fake->configured.back().awayAfterMinutes, std::numeric_limits<int>::min());
    model->setupAwakeEnabled = false;
    model->usualFingerprints = Strings{"home"};
    EXPECT_EQ(fake->configured.size(), 2u);
    settle();
    EXPECT_EQ(fake->count("saveConfig"), 5u);
}

TEST_F(KeepAwakeTest, AfterASnapshotTheLidIsRetriedOrVerifiedWhileNoLidTaskRuns) {
    const std::vector<std::pair<const char*, const char*>> rows = {
        // Before, and the calls made: the assertions, a lid write, a lid read.
        {"first", "assert write read"},
        {"retry", "write read"},
        {"lid", "read"},
        {"applied", "read"},
        {"", ""},
    };
    for (const auto& [facts, made] : rows) {
        SCOPED_TRACE(facts);
        startAwake([&](BriselConfig& c) { c.keepAwakeOnLidClosed = has(facts, "lid"); });
        withHelper(true, true, has(facts, "lid"));
        model->lidWriteNeedsRetry = has(facts, "retry");
        model->lidAwakeApplied = has(facts, "applied");
        model->applyAwakeAfterSnapshot(has(facts, "first"));
        idle();
        EXPECT_EQ(fake->count("setSystemAwake"), has(made, "assert") ? 1u : 0u);
        EXPECT_EQ(fake->count("helper.setDisablesleep"), has(made, "write") ? 1u : 0u);
        EXPECT_EQ(fake->count("helper.readSleepDisabled"), has(made, "read") ? 1u : 0u);
        model.reset();
    }

    // A lid task that still runs is left alone. Without the helper, its files or anything owed,
    // one probe settles the lid: later snapshots start no lid task, so a pause of the away guard
    // reads as settled throughout.
    withHelper(false, false, std::nullopt);
    startAwake();
    fake->holdHelper("isInstalled");
    model->applyLidClosedSleep(false, false);
    const auto generation = model->helperGeneration;
    model->applyAwakeAfterSnapshot(false);
    EXPECT_EQ(model->helperGeneration, generation);
    fake->releaseHelper("isInstalled");
    idle();
    model->bagGuardActive = true;
    model->applyAssertions();
    idle();
    for (int snapshot = 0; snapshot < 3; ++snapshot) {
        model->applyAwakeAfterSnapshot(false);
        EXPECT_FALSE(model->helperTask);
        EXPECT_EQ(model->awakeCollapsedFeedbackKeys(), Strings{"awakeFeedback.paused"});
        idle();
    }
    EXPECT_EQ(fake->count("helper.isInstalled"), 1u);
    EXPECT_EQ(fake->count("helper.readSleepDisabled"), 0u);
}

TEST_F(KeepAwakeTest, LidTaskPublishesWhatTheHelperConfirms) {
    const std::string outdated = "Installed helper is outdated. Remove and install it again in Settings.";
    struct Row {
        const char* facts; // the helper and the model before; "lid": the lid option is on
        std::optional<bool> sleepDisabled;
        std::optional<std::string> status;
        const char* after; // what is true afterwards: retry, applied, cleanup, read
    };
    const std::vector<Row> rows = {
        {"nothing owed", true, {}, ""},
        {"files lid cleanup", false, "error.helperNotRunning", "retry cleanup read"},
        {"installed files lid cleanup verify", true, {}, "applied cleanup read"},
        {"installed files lid cleanup", false, "helper.lidStateUnconfirmed", "retry cleanup read"},
        {"installed files cleanup", false, {}, "read"},
        {"installed files lid cleanup outdated", false, outdated, "retry cleanup read"},
        {"files cleanup", false, {}, "read"},
        {"cleanup", std::nullopt, {}, "read"},
        {"cleanup", true, "error.helperNotRunning", "retry applied cleanup read"}, // nothing to undo it
        {"files cleanup", true, "error.helperNotRunning", "retry applied cleanup read"},
    };
    for (const auto& [facts, sleepDisabled, status, after] : rows) {
        SCOPED_TRACE(std::string(facts) + " / " + after);
        startAwake([&](BriselConfig& c) { c.keepAwakeOnLidClosed = has(facts, "lid"); });
        const bool installed = has(facts, "installed"), files = has(facts, "files");
        withHelper(installed, files, sleepDisabled,
                   has(facts, "outdated") ? HelperResult<void>(HelperError{outdated, 0})
                                          : HelperResult<void>::success());
        model->lidCleanupRequired = has(facts, "cleanup");
        model->applyLidClosedSleep(false, has(facts, "verify"));
        idle();
        EXPECT_EQ(model->helperStatus(), status);
        EXPECT_EQ(model->lidWriteNeedsRetry, has(after, "retry"));
        EXPECT_EQ(model->lidAwakeApplied(), has(after, "applied"));
        EXPECT_EQ(model->lidCleanupRequired, has(after, "cleanup"));
        EXPECT_EQ(model->helperFilesPresent(), installed || files);
        EXPECT_EQ(fake->count("helper.setDisablesleep"), installed && !has(facts, "verify") ? 1u : 0u);
        EXPECT_EQ(fake->count("helper.readSleepDisabled"), has(after, "read") ? 1u : 0u);
        model.reset();
    }
}

// A helper slower than the queue's time-out: the wait ends, the next request is refused while the
// late call runs, and its end re-runs the lid work by itself. A stale result publishes nothing.
TEST_F(KeepAwakeTest, SlowHelperTimesOutAndItsLateEndRetriesTheLid) {
    startAwake([](BriselConfig& c) { c.keepAwakeOnLidClosed = true; });
    withHelper(true, true, true);
    fake->holdHelper("setDisablesleep");
    model->applyLidClosedSleep(false, false);
    ASSERT_TRUE(runUntil([this] { return fake->count("helper.setDisablesleep") == 1; })); // logged, then held
    clock->advance(HardwareIO::defaultTimeout);
    idle();
    EXPECT_EQ(model->helperStatus(), HardwareIO::timeoutMessage);
    EXPECT_TRUE(model->lidWriteNeedsRetry);
    model->applyLidClosedSleep(false, false);
    idle();
    EXPECT_EQ(model->helperStatus(), HardwareIO::pendingMessage);
    fake->releaseHelper("setDisablesleep");
    ASSERT_TRUE(runUntil([this] { return !model->lidWriteNeedsRetry; }));
    EXPECT_TRUE(model->lidAwakeApplied() && !model->helperStatus());
    EXPECT_EQ(fake->count("helper.setDisablesleep true"), 2u);

    fake->holdHelper("isInstalled");
    withHelper(false, false, std::nullopt);
    model->applyLidClosedSleep(false, false);
    ASSERT_TRUE(runUntil([this] { return fake->count("helper.isInstalled") == 3; }));
    ++model->helperGeneration;
    const Task<void> current = *model->helperTask;
    fake->releaseHelper("isInstalled");
    ASSERT_TRUE(runUntil([&current] { return current.isDone(); }));
    EXPECT_TRUE(model->helperInstalled());
    EXPECT_EQ(model->helperTask, current);
    model->helperTask.reset();
}

// Keep-awake is refused while a stop is unfinished. A stop whose only remainder is closed-lid sleep
// that neither the helper nor its files are there to give back is reported, but is over.
TEST_F(KeepAwakeTest, StopReportsEachPartAndUnlocksKeepAwakeOnlyWhenNothingReachableIsLeft) {
    struct Row {
        const char* facts; // never an installed helper; "lid": the lid option was on
        std::optional<bool> sleepDisabled;
        R display, lid;
        std::string status;
        bool unlocked;
    };
    const auto ok = R::confirmed;
    const std::vector<Row> rows = {
        {"no coordinator", {}, ok, ok, "onboarding.stopped", true},
        {"coordinator displayHeld", {}, R::failed, ok, "onboarding.stopPartial", false},
        {"coordinator lid files", {}, ok, R::unknown, "onboarding.stopPartial", false},
        {"coordinator lid files", false, ok, ok, "onboarding.stopped", true},
        {"coordinator lid", {}, ok, ok, "onboarding.stopped", true},
        {"coordinator lid files", true, ok, R::failed, "onboarding.stopPartial", false},
        {"coordinator lid", true, ok, R::failed, "onboarding.stopPartial", true},
        {"coordinator lid displayHeld", true, R::failed, R::failed, "onboarding.stopPartial", false},
        {"loadBlocked", {}, ok, ok, "onboarding.stopSaveFailed", false},
        {"coordinator recordFails", {}, ok, ok, "onboarding.stopSaveFailed", false},
        {"coordinator confirmFails", {}, ok, ok, "onboarding.stopSaveFailed", false},
    };
    OnboardingRecord completed;
    completed.completed = true;
    for (const auto& [facts, sleepDisabled, display, lid, status, unlocked] : rows) {
        SCOPED_TRACE(facts);
        assertionStates(false, has(facts, "displayHeld"));
        withHelper(false, false, std::nullopt);
        startAwake([&](BriselConfig& c) { c.keepAwakeOnLidClosed = has(facts, "lid"); },
                   has(facts, "coordinator") ? std::optional(startupWith(completed)) : std::nullopt);
        withHelper(false, has(facts, "files"), sleepDisabled);
        model->configLoadBlocked = has(facts, "loadBlocked");
        if (onboarding) {
            onboarding->stopRequestedSaves = !has(facts, "recordFails");
            onboarding->stopConfirmedSaves = !has(facts, "confirmFails");
        }
        model->setKeepAwakeEnabled(false);
        idle();
        EXPECT_EQ(model->taskStopOrdinary(), ok);
        EXPECT_EQ(model->taskStopDisplay(), display);
        EXPECT_EQ(model->taskStopLid(), lid);
        EXPECT_EQ(model->taskStopStatus(), status);
        EXPECT_EQ(model->hasPendingAwakeStop(), !unlocked);
        model->setKeepAwakeEnabled(true);
        EXPECT_EQ(model->keepAwake(), unlocked);
        model.reset();
        onboarding = nullptr;
    }
}

TEST_F(KeepAwakeTest, StopWaitsForLidWorkStartedDuringItsReadAndGivesWayToANewerChoice) {
    assertionStates(false, false);
    startAwake([](BriselConfig& c) { c.keepAwakeOnLidClosed = true; });
    model->lidCleanupRequired = false; // only the stop reads the setting; its own lid work does not
    fake->holdHelper("readSleepDisabled");
    model->restoreSystemDefaults();
    // Logged, then held.
    ASSERT_TRUE(runUntil([this] { return fake->count("helper.readSleepDisabled") == 1; }));
    model->applyLidClosedSleep(false, false); // refused: the queue is busy with the read
    settle();
    EXPECT_EQ(model->helperStatus(), HardwareIO::pendingMessage);
    fake->releaseHelper("readSleepDisabled");
    idle();
    // The stop's, the recovered lid work's, the stop's again.
    EXPECT_EQ(fake->count("helper.readSleepDisabled"), 3u);
    EXPECT_EQ(model->taskStopStatus(), "onboarding.stopped");

    model->taskStopStatus = "";
    fake->gate("displayAssertionActive").close();
    model->restoreSystemDefaults();
    settle();
    ++model->awakePreferenceRevision;
    fake->gate("displayAssertionActive").open();
    idle();
    EXPECT_EQ(model->taskStopStatus(), "");
    EXPECT_FALSE(model->taskStopBusy());
    EXPECT_EQ(model->taskStopLid(), R::requested);
}

TEST_F(KeepAwakeTest, ShutdownReleasesEverythingWithoutWaitingAndMayRepeat) {
    startAwake([](BriselConfig& c) { c.keepAwakeOnLidClosed = c.keepDisplayAwake = true; });
    withHelper(true, true, false);
    model->refreshRequested = true;
    const auto charge = model->chargeGeneration;
    for (int call = 0; call < 2; ++call) {
        model->shutdownKeepAwake();
        EXPECT_FALSE(model->refreshRequested);
        idle();
    }
    EXPECT_EQ(model->chargeGeneration, charge + 2);
    EXPECT_EQ(fake->count("stopAway"), 2u);
    EXPECT_EQ(fake->callsOf({"setSystemAwake", "setDisplayAwake"}),
              (Strings{"setSystemAwake false", "setDisplayAwake false", "setSystemAwake false",
                       "setDisplayAwake false"}));
    EXPECT_EQ(fake->callsOf({"helper.setDisablesleep"}), Strings(2, "helper.setDisablesleep false"));
}

TEST_F(KeepAwakeTest, SleepDisplaysNowChecksTheAssertionsFirst) {
    struct Row {
        const char* facts; // "wait": the request waits for a running assertion task; "wake", "off": meanwhile
        std::optional<std::string> status;
        bool slept;
    };
    const std::vector<Row> rows = {
        {"keepDisplay", "display.requiresRunning", false},
        {"noSnapshot", "display.notReady", false},
        {"guard", "display.protected", false},
        {"wait", "display.requested", true},
        {"unknownSystem", "display.assertionFailed", false},
        {"wait wake", {}, true},
        {"wait off", {}, false},
    };
    for (const auto& [facts, status, slept] : rows) {
        SCOPED_TRACE(facts);
        assertionStates(has(facts, "unknownSystem") ? std::nullopt : std::optional(true), false);
        startAwake([&](BriselConfig& c) { c.keepDisplayAwake = has(facts, "keepDisplay"); });
        model->hasHardwareSnapshot = !has(facts, "noSnapshot");
        model->bagGuardActive = has(facts, "guard");
        const bool allowed = model->canSleepDisplayNow();
        if (has(facts, "wait")) fake->gate("setSystemAwake").close();
        model->applyAssertions();
        model->sleepDisplayNow();
        EXPECT_EQ(model->displaySleepBusy(), allowed);
        if (has(facts, "wait")) {
            settle();
            EXPECT_EQ(fake->count("systemAssertionActive"), 0u);
            if (has(facts, "wake")) ++model->displayReturnRevision;
            if (has(facts, "off")) model->keepAwake = false;
            fake->gate("setSystemAwake").open();
        }
        idle();
        EXPECT_EQ(model->displaySleepStatus(), status);
        EXPECT_EQ(fake->count("sleepDisplays"), slept ? 1u : 0u);
        EXPECT_FALSE(model->displaySleepBusy());
        model.reset();
    }

    // Only a successful open clears a failed one, and nothing else.
    startAwake();
    for (const auto& [opens, before, after] :
         std::vector<std::array<std::string, 3>>{{"", "", "display.settingsFailed"},
                                                 {"opens", "display.settingsFailed", ""},
                                                 {"opens", "display.requested", "display.requested"}}) {
        fake->settingsOpen = !opens.empty();
        model->displaySleepStatus = before.empty() ? std::nullopt : std::optional(before);
        model->openDisplayTimeoutSettings();
        EXPECT_EQ(model->displaySleepStatus().value_or(""), after);
    }
}

} // namespace
} // namespace brisel::test
