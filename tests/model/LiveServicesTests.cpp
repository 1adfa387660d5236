// The live bundle over the test's own simulated machine, folders and helper socket.

#include "app/Localizer.h"
#include "async/RunUntil.h"
#include "model/AppModel.h"
#include "model/AppServicesLive.h"
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
    AppModel& startLiveModel() {
        AppModelOptions options;
        options.clock = clock;
        model = std::make_unique<AppModel>(AppServices::live(environment), std::nullopt, std::nullopt, options);
        EXPECT_TRUE(runUntil([this] { return !model->startupLoading(); }));
        return *model;
    }
    json held() const { return sim().get<json>("/assertions/held", json::array()); }

    std::shared_ptr<RecordingWorkspace> workspace = std::make_shared<RecordingWorkspace>();
    std::shared_ptr<test::SpyNotificationCenter> notifications;
    std::shared_ptr<SimSleepWake> events;
    LiveEnvironment environment;
    std::optional<AppServices> bundle;
};

TEST_F(LiveServicesTest, CopiesShareTheWorkersAndEveryMemberReachesThePlatform) {
    std::vector<bool> dockIcon;
    installDockIconHook([&dockIcon](bool show) { dockIcon.push_back(show); });
    const AppServices first = build();
    const AppServices copy = first;
    EXPECT_EQ(copy.workspaceNotifications, first.workspaceNotifications);

    EXPECT_TRUE(finish(first.setSystemAwake(true)));
    EXPECT_EQ(finish(copy.systemAssertionActive()), std::optional<bool>(true));
    ASSERT_EQ(held().size(), 1u);
    EXPECT_EQ(held()[0]["type"], KeepAwakeController::systemAssertionType);
    EXPECT_EQ(held()[0]["name"], KeepAwakeController::assertionName);
    finish(copy.releaseAssertions());
    EXPECT_TRUE(held().empty());

    EXPECT_EQ(first.energySampleStatus(), "energySample.unavailable"); // the monitor's, not the inert one
    EXPECT_EQ(finish(first.sleepDisplays()), DisplaySleepResult::requested);
    EXPECT_TRUE(finish(first.currentNetworkFingerprint()).has_value());
    ASSERT_FALSE(sim().set("/network/online", false));
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

TEST_F(LiveServicesTest, ChargeLimitCallsGoThroughTheHardwareQueueAndTheBridge) {
    const AppServices& services = build();
    const auto read = finish(services.readHardware());
    ASSERT_TRUE(std::holds_alternative<HardwareSnapshot>(read));
    const auto& snapshot = std::get<HardwareSnapshot>(read);
    EXPECT_EQ(snapshot.battery.percent, std::optional<int>(72));
    EXPECT_TRUE(snapshot.battery.externalConnected);
    EXPECT_EQ(snapshot.currentLimit, std::optional<int>(80));
    EXPECT_TRUE(snapshot.limitEnabled);

    EXPECT_EQ(finish(services.setLimit(90)), std::nullopt);
    EXPECT_EQ(sim().get("/chargeLimit/limit", 0), 90);
    ASSERT_FALSE(sim().setFault("powerui", "fail"));
    EXPECT_EQ(finish(services.disableLimit()), (HardwareFailure{"simulated failure: powerui", false}));
    EXPECT_TRUE(sim().get("/chargeLimit/enabled", false));
}

TEST_F(LiveServicesTest, HungHardwareTimesOutRefusesMeanwhileAndSignalsRecoveryOnce) {
    const AppServices& services = build();
    int recoveries = 0;
    services.subscribeHardwareRecovery([&recoveries] { ++recoveries; });
    ASSERT_FALSE(sim().setFault("powerui", "hang"));
    auto hung = services.readHardware();
    EXPECT_TRUE(runUntil([this] { return clock->liveTimers() == 1; })); // the call is under way
    clock->advance(HardwareIO::defaultTimeout);
    const auto timedOut = finish(std::move(hung));
    EXPECT_EQ(std::get<HardwareFailure>(timedOut), (HardwareFailure{HardwareIO::timeoutMessage, true}));
    EXPECT_EQ(finish(services.setLimit(85)), (HardwareFailure{HardwareIO::pendingMessage, true}));

    ASSERT_FALSE(sim().clearFault("powerui"));
    EXPECT_TRUE(runUntil([&recoveries] { return recoveries == 1; }));
    EXPECT_EQ(finish(services.setLimit(85)), std::nullopt);
    EXPECT_EQ(sim().get("/chargeLimit/limit", 0), 85);
    EXPECT_EQ(recoveries, 1);
}

TEST_F(LiveServicesTest, SystemEventsReachTheirCentresUntilTheLastCopyGoes) {
    std::vector<std::string> workspaceEvents, applicationEvents;
    const auto record = [](std::vector<std::string>& into) {
        return [&into](const Notification& event) { into.push_back(event.name); };
    };
    const AppServices& services = build();
    services.stopAway(); // no network sampling on wake: the engine is not under test here
    for (const char* name : {notification_names::workspaceDidWake, notification_names::workspaceScreensDidWake})
        services.workspaceNotifications->addObserver(name, record(workspaceEvents));
    services.applicationNotifications->addObserver(notification_names::processPowerStateDidChange,
                                                   record(applicationEvents));
    const auto raise = [this] {
        ASSERT_FALSE(sim().update([](json& state) -> std::optional<std::string> {
            for (const char* counter : {"wake", "screensWake"})
                state["events"][counter] = state["events"][counter].get<int>() + 1;
            state["energyMode"]["systemLowPowerMode"] = !state["energyMode"]["systemLowPowerMode"].get<bool>();
            return std::nullopt;
        }));
        events->poll();
    };
    raise();
    EXPECT_EQ(workspaceEvents, (std::vector<std::string>{notification_names::workspaceDidWake,
                                                         notification_names::workspaceScreensDidWake}));
    EXPECT_EQ(applicationEvents, std::vector<std::string>{notification_names::processPowerStateDidChange});

    bundle.reset();
    raise();
    EXPECT_TRUE(runUntil([] { return true; }));
    EXPECT_EQ(workspaceEvents.size() + applicationEvents.size(), 3u);
}

TEST_F(LiveServicesTest, FailuresComeBackAsValuesAndLeaveNothingBehind) {
    const AppServices& services = build();
    EXPECT_TRUE(std::holds_alternative<BriselConfig>(finish(services.loadConfig())));
    EXPECT_FALSE(std::filesystem::exists(configFile()));
    test::writeFile(configFile(), "{not json");
    EXPECT_TRUE(std::holds_alternative<std::string>(finish(services.loadConfig())));

    // No administrator script runs here; the runner's answer is no cancellation.
    const auto helper = root() / "resources" / HelperManager::bundledHelperName;
    EXPECT_EQ(services.helper.install().error().message, "helper binary missing from app bundle");
    test::writeFile(helper, "#!/bin/sh\n");
    std::filesystem::permissions(helper, std::filesystem::perms::owner_all);
    const auto refused = services.helper.install().error();
    EXPECT_EQ(refused.message, "administrator scripts are not available on this system");
    EXPECT_EQ(refused.status, 1);
    EXPECT_FALSE(refused.isUserCancellation());
    EXPECT_FALSE(services.helper.filesPresent());
}

TEST_F(LiveServicesTest, LowBatteryWarningIsPostedToTheNotificationCentre) {
    ASSERT_FALSE(sim().set("/notifications/authorization", "authorized"));
    const AppServices& services = build();
    services.setReminderIntent(ReminderIntent::enabled);
    services.notifyLowBattery(19);
    EXPECT_TRUE(runUntil([this] { return notifications->addAnswers == 1; }));
    const json posted = sim().get<json>("/notifications/posted", json::array());
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0]["id"], kLowBatteryRequestId);
    EXPECT_EQ(posted[0]["title"], localized("notify.lowBattery.title"));
}

TEST_F(LiveServicesTest, StartUpWithoutConfigWritesNothingUntilASettingChanges) {
    AppModel& app = startLiveModel();
    EXPECT_FALSE(std::filesystem::exists(configFile()));
    app.idleSeconds = 300;
    EXPECT_TRUE(runUntil([&app] { return !app.configSaveTask; }));
    EXPECT_EQ(ConfigStore::read(configFile()).idleSeconds, 300);
}

TEST_F(LiveServicesTest, DamagedConfigIsNeverOverwritten) {
    test::writeFile(configFile(), "{not json");
    AppModel& app = startLiveModel();
    EXPECT_EQ(app.configError(), std::optional<std::string>(localized("config.loadFailed")));
    app.idleSeconds = 300;
    app.setKeepAwakeEnabled(false);
    app.restoreSystemDefaults();
    app.shutdownKeepAwake();
    finish(app.waitForShutdownCleanup());
    EXPECT_EQ(test::readFile(configFile()), "{not json");
}

} // namespace
} // namespace brisel
