// The live bundle over the test's own simulated machine, folders and helper socket.

#include "localization/Localizer.h"
#include "async/RunUntil.h"
#include "model/AppModel.h"
#include "model/AppServicesLive.h"
#include "onboarding/OnboardingCoordinator.h"
#include "platform/SystemEvents.h"
#include "platform/Workspace.h"
#include "platform/live/PlatformFactory.h"
#include "platform/sim/SimSleepWake.h"
#include "services/awake/KeepAwakeController.h"
#include "services/config/ConfigStore.h"
#include "services/notify/LowBatteryNotifier.h"
#include "ModelFixture.h"
#include "SpyNotificationCenter.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace brisel {
namespace {

using nlohmann::json;

struct RecordingWorkspace : Workspace {
    std::vector<SettingsPane> panes;
    int openApplication(const std::string&, const std::string&) override { return 0; }
    void openApplication(const std::string&) override {}
    bool openSettingsPane(const SettingsPane& pane) override {
        panes.push_back(pane);
        return true;
    }
};

std::string localized(const std::string& key) {
    return Localizer::shared().tr(QString::fromStdString(key)).toStdString();
}

// The model fixture, with the live bundle over the test's machine instead of the fake one.
class LiveServicesTest : public test::ModelTest {
protected:
    void SetUp() override {
        ModelTest::SetUp();
        // The simulated clock must not move the percentage during a test.
        ASSERT_FALSE(sim().set("/battery/chargeRate", 0.0));
        ASSERT_FALSE(sim().set("/battery/dischargeRate", 0.0));
        const auto tool = root() / "power-tool"; // answers nothing and succeeds
        test::writeFile(tool, "#!/bin/sh\nexit 0\n");
        std::filesystem::permissions(tool, std::filesystem::perms::owner_all);

        Platform& platform = environment.platform;
        platform = makePlatform();
        platform.clock = clock;
        platform.powerTool = tool.string();
        platform.sleepWake = events = std::make_shared<SimSleepWake>(sim(), std::chrono::milliseconds(0));
        platform.workspace = workspace;
        platform.userNotifications = notifications =
            std::make_shared<test::SpyNotificationCenter>(platform.userNotifications);
        HelperManager::Environment helper(platform);
        helper.socketPath = helper.registrationPath = (runtimeDir() / "helper.sock").string();
        helper.installedBinaryPath = (root() / "installed-helper").string();
        helper.bundleDirectory = root();
        helper.resourceDirectory = root() / "resources";
        environment.helper = helper;
    }

    void TearDown() override {
        bundle.reset();
        // Let every notification still being sent finish before the folders go.
        EXPECT_TRUE(runUntil([this] { return notifications->addAnswers == notifications->addCalls; }));
        ModelTest::TearDown();
    }

    SimMachine sim() const { return SimMachine(SimStore(simDir())); }
    static std::filesystem::path configFile() { return ConfigStore::url(); }
    AppServices& build() { return bundle.emplace(AppServices::live(environment)); }
    // The model on the live bundle, its hardware reads counted in `reads`, once start-up and the
    // work it started are over (the notification permission gives the reminder its first value).
    AppModel& startLiveModel() {
        AppServices services = AppServices::live(environment);
        services.readHardware = [this, read = services.readHardware] {
            ++reads;
            return read();
        };
        AppModelOptions options;
        options.clock = clock;
        model = std::make_unique<AppModel>(std::move(services), std::nullopt, std::nullopt, options);
        EXPECT_TRUE(runUntil([this] { return !model->startupLoading() && model->lowBatteryReminder(); }));
        quiet();
        return *model;
    }
    // Waits until the model has no work in flight.
    void quiet() {
        EXPECT_TRUE(runUntil([this] {
            const AppModel& m = *model;
            return !m.refreshTask && !m.chargeTask && !m.hardwareRecoveryTask && !m.assertionsTask && !m.helperTask &&
                   !m.configSaveTask && !m.taskStopTask && !m.loginTask && !m.energySampleTask;
        }));
    }
    json held() const { return sim().get<json>("/assertions/held", json::array()); }

    std::shared_ptr<RecordingWorkspace> workspace = std::make_shared<RecordingWorkspace>();
    std::shared_ptr<test::SpyNotificationCenter> notifications;
    std::shared_ptr<SimSleepWake> events;
    LiveEnvironment environment;
    std::optional<AppServices> bundle;
    int reads = 0;
};

TEST_F(LiveServicesTest, CopiesShareTheWorkersAndEveryMemberReachesThePlatform) {
    std::vector<bool> dockIcon;
    installDockIconHook([&dockIcon](bool show) { dockIcon.push_back(show); });
    const AppServices first = build();
    const AppServices copy = first;
    EXPECT_EQ(copy.workspaceNotifications, first.workspaceNotifications);

    EXPECT_TRUE(finish(first.setSystemAwake(true)));
    EXPECT_EQ(finish(copy.systemAssertionActive()), std::optional<bool>(true));
    finish(copy.releaseAssertions());
    EXPECT_TRUE(held().empty());

    ASSERT_FALSE(sim().setFault("powerui", "fail")); // a bridge text awaits no recovery
    EXPECT_EQ(finish(first.disableLimit()), (HardwareFailure{"simulated failure: powerui", false}));
    EXPECT_EQ(finish(first.sleepDisplays()), DisplaySleepResult::requested);
    EXPECT_TRUE(finish(first.currentNetworkFingerprint()).has_value());
    ASSERT_FALSE(sim().set("/network/online", false)); // offline: no hash of an empty key
    EXPECT_EQ(finish(first.currentNetworkFingerprint()), std::nullopt);
    first.showDockIcon(true);
    EXPECT_EQ(dockIcon, std::vector<bool>{true});
    installDockIconHook({});

    EXPECT_TRUE(first.openDisplaySettings() && first.openLoginSettings() && first.openNotificationSettings());
    environment.applicationId.clear();
    EXPECT_TRUE(build().openNotificationSettings());
    EXPECT_EQ(workspace->panes, (std::vector<SettingsPane>{{SettingsPaneKind::lockScreen, ""},
                                                           {SettingsPaneKind::loginItems, ""},
                                                           {SettingsPaneKind::notifications, "com.brisel.Brisel"},
                                                           {SettingsPaneKind::notifications, "com.brisel.app"}}));
}

// Which centre each event reaches; the model's own reactions are tested through it below.
TEST_F(LiveServicesTest, SystemEventsReachTheirCentresUntilTheLastCopyGoes) {
    std::vector<std::string> seen;
    const AppServices& services = build();
    services.stopAway(); // no network sampling on wake: the engine is not under test here
    services.workspaceNotifications->addObserver(notification_names::workspaceScreensDidWake,
                                                 [&seen](const Notification& event) { seen.push_back(event.name); });
    services.applicationNotifications->addObserver(notification_names::processPowerStateDidChange,
                                                   [&seen](const Notification& event) { seen.push_back(event.name); });
    for (const bool lowPower : {true, false}) {
        ASSERT_FALSE(sim().set("/events/screensWake", lowPower ? 1 : 2));
        ASSERT_FALSE(sim().set("/energyMode/systemLowPowerMode", lowPower));
        events->poll();
        if (lowPower) bundle.reset(); // the last copy: the events stop
    }
    settle();
    EXPECT_EQ(seen, (std::vector<std::string>{notification_names::workspaceScreensDidWake,
                                              notification_names::processPowerStateDidChange}));
}

// The only write before a setting changes is the reminder's first value, which the permission gives.
TEST_F(LiveServicesTest, StartUpWithoutConfigLoadsTheDefaultsAndSavesOnlyTheReminderDecision) {
    startLiveModel();
    BriselConfig expected = BriselConfig().sanitized();
    expected.lowBatteryReminder = ReminderIntent::undecided;
    EXPECT_EQ(ConfigStore::read(configFile()), expected);
}

TEST_F(LiveServicesTest, RefreshPublishesTheMachineAndLimitsGoBothWays) {
    AppModel& app = startLiveModel();
    EXPECT_EQ(app.battery().percent, std::optional<int>(72));
    EXPECT_TRUE(app.battery().externalConnected);
    EXPECT_EQ(app.currentLimit(), std::optional<int>(80));
    EXPECT_TRUE(app.limitEnabled());

    app.applyLimit(90);
    quiet();
    EXPECT_EQ(sim().get("/chargeLimit/limit", 0), 90);
    EXPECT_EQ(ConfigStore::read(configFile()).manualLimit, 90);

    ASSERT_FALSE(sim().set("/chargeLimit/limit", 85)); // as brisel-sim would
    app.refresh();
    quiet();
    EXPECT_EQ(app.manualLimit(), 85);
    EXPECT_EQ(ConfigStore::read(configFile()).manualLimit, 85);
}

TEST_F(LiveServicesTest, HungHardwareTimesOutAndTheLateCallLetsTheLimitBeApplied) {
    AppModel& app = startLiveModel();
    ASSERT_FALSE(sim().setFault("powerui", "hang"));
    const std::size_t timers = clock->liveTimers();
    app.refresh();
    EXPECT_TRUE(runUntil([&] { return clock->liveTimers() == timers + 1; })); // the read's time-out
    clock->advance(HardwareIO::defaultTimeout);
    EXPECT_TRUE(runUntil([&app] { return !app.refreshTask; }));
    EXPECT_EQ(app.lastError(), std::optional<std::string>(localized("error.hardwareTimeout")));
    app.applyLimit(95);
    EXPECT_TRUE(runUntil([&app] { return app.chargeOperationStatus() == "charge.waitingRecovery"; }));

    ASSERT_FALSE(sim().clearFault("powerui"));
    EXPECT_TRUE(runUntil([this] { return sim().get("/chargeLimit/limit", 0) == 95; }));
    quiet();
    EXPECT_EQ(app.lastError(), std::nullopt);
    EXPECT_EQ(app.chargeOperationStatus(), std::nullopt);
}

TEST_F(LiveServicesTest, FailedAssertionShowsAndARetryHoldsItUntilTheQuit) {
    ASSERT_FALSE(sim().setFault("assertions", "fail"));
    AppModel& app = startLiveModel();
    app.setKeepAwakeEnabled(true);
    quiet();
    EXPECT_EQ(app.awakeFeedbackError(), std::optional<std::string>(localized("error.assertionFailed")));
    EXPECT_TRUE(held().empty());

    ASSERT_FALSE(sim().clearFault("assertions"));
    app.retryAwakeFeedback();
    quiet();
    ASSERT_EQ(held().size(), 1u);
    EXPECT_EQ(held()[0]["type"], KeepAwakeController::systemAssertionType);
    EXPECT_EQ(held()[0]["name"], KeepAwakeController::assertionName);
    app.shutdownKeepAwake();
    finish(app.waitForShutdownCleanup());
    EXPECT_TRUE(held().empty());
}

TEST_F(LiveServicesTest, LowBatteryIsWarnedOncePerDischarge) {
    ASSERT_FALSE(sim().set("/battery/percent", 19.0));
    ASSERT_FALSE(sim().set("/adapter/connected", false));
    ASSERT_FALSE(sim().set("/notifications/authorization", "authorized"));
    AppModel& app = startLiveModel(); // authorised: the reminder starts enabled
    for (int refresh = 0; refresh < 2; ++refresh) {
        app.refresh();
        quiet();
    }
    EXPECT_TRUE(runUntil([this] { return notifications->addAnswers == 1; }));
    const json posted = sim().get<json>("/notifications/posted", json::array());
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0]["id"], kLowBatteryRequestId);
    EXPECT_EQ(posted[0]["title"], localized("notify.lowBattery.title"));
}

TEST_F(LiveServicesTest, WakeScreensWakeAndPowerStateEachRefreshOnce) {
    startLiveModel();
    const struct {
        const char* field;
        json value;
    } rises[] = {{"/events/wake", 1}, {"/events/screensWake", 1}, {"/energyMode/systemLowPowerMode", true}};
    for (const auto& rise : rises) {
        const int before = reads;
        ASSERT_FALSE(sim().set(rise.field, rise.value));
        events->poll();
        settle();
        quiet();
        EXPECT_EQ(reads, before + 1) << rise.field;
    }
}

// The build puts the helper beside the program, where installing looks for it: from the built
// program's folder an install gets as far as the administrator runner, which this system does not
// have, and so does a removal, whose lid work afterwards leaves the reason in view.
TEST_F(LiveServicesTest, InstallingAndRemovingSayWhyAndTheLidOptionStillStops) {
    const std::filesystem::path program = BRISEL_PROGRAM_DIR;
    EXPECT_EQ(test::readFile(program / "resources" / HelperManager::bundledHelperName),
              test::readFile(BRISEL_HELPER_BINARY));
    environment.helper->bundleDirectory = program;
    environment.helper->resourceDirectory = program / "resources";
    AppModel& app = startLiveModel();
    for (auto action : {&AppModel::installHelper, &AppModel::removeHelper}) {
        (app.*action)();
        EXPECT_TRUE(runUntil([&app] { return !app.helperBusy(); }));
        quiet();
        EXPECT_EQ(app.helperStatus(), "helper.adminScriptsUnavailable");
    }
    EXPECT_FALSE(app.helperFilesPresent());

    app.setKeepAwakeEnabled(true);
    app.setKeepAwakeOnLidClosed(true);
    quiet();
    app.setKeepAwakeEnabled(false);
    quiet();
    EXPECT_EQ(app.taskStopStatus(), "onboarding.stopped");
}

TEST_F(LiveServicesTest, DamagedConfigIsNeverOverwritten) {
    test::writeFile(configFile(), "{not json");
    AppModel& app = startLiveModel();
    EXPECT_EQ(app.configError(), std::optional<std::string>(localized("config.loadFailed")));
    app.idleSeconds = 300;
    app.setKeepAwakeEnabled(false);
    app.applyLimit(90);
    app.restoreSystemDefaults();
    quiet();
    app.shutdownKeepAwake();
    finish(app.waitForShutdownCleanup());
    EXPECT_EQ(test::readFile(configFile()), "{not json");
}

// The wizard end to end: its choices applied on the machine, onboarding.json saying so.
TEST_F(LiveServicesTest, WizardAppliesItsChoicesOnTheMachineAndRecordsThem) {
    const OnboardingStore store = OnboardingStore::live();
    AppModelOptions options;
    options.clock = clock;
    options.onboardingFactory = OnboardingCoordinator::factory();
    OnboardingStartup startup = finish(store.bootstrapAsync());
    model = std::make_unique<AppModel>(AppServices::live(environment), startup, store, options);
    ASSERT_TRUE(runUntil([this] { return !model->startupLoading() && model->onboarding(); }));
    quiet();
    auto& wizard = static_cast<OnboardingCoordinator&>(*model->onboarding());
    finish(wizard.refresh());
    wizard.chooseHabit(OnboardingHabit::desk);
    wizard.chooseLimit(85);
    wizard.chooseTask(OnboardingTask::open);
    wizard.skipHelper(false);
    finish(wizard.chooseLogin(false));
    finish(wizard.chooseReminder(false));

    // The charge framework fails once the run has read the machine and marked the charge requested
    // (failing it earlier would only report the limit unsupported, so nothing to apply).
    QObject::connect(&wizard, &OnboardingCoordinatorInterface::changed, &wizard, [this, &wizard] {
        if (wizard.record().charge == SetupResult::requested) sim().setFault("powerui", "fail");
    });
    finish(wizard.apply());
    EXPECT_EQ(wizard.error(), std::optional<std::string>("onboarding.chargeFailed"));
    finish(wizard.waitForPersistence());
    EXPECT_EQ(finish(store.bootstrapAsync()).record.charge, SetupResult::failed);

    ASSERT_FALSE(sim().clearFault("powerui"));
    QObject::disconnect(&wizard, &OnboardingCoordinatorInterface::changed, &wizard, nullptr);
    finish(wizard.apply());
    quiet();
    finish(wizard.waitForPersistence());
    EXPECT_EQ(wizard.error(), std::nullopt);
    const OnboardingRecord onDisk = finish(store.bootstrapAsync()).record;
    EXPECT_TRUE(onDisk.completed);
    EXPECT_EQ(onDisk.step, 5);
    EXPECT_EQ(sim().get("/chargeLimit/limit", 0), 85);
    EXPECT_TRUE(sim().get("/chargeLimit/enabled", false));
    ASSERT_EQ(held().size(), 1u);
    EXPECT_EQ(held()[0]["name"], KeepAwakeController::assertionName);
    EXPECT_TRUE(model->setupChargeEnabled && model->setupAwakeEnabled && model->setupLidEnabled);
}

} // namespace
} // namespace brisel
