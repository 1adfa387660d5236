#include "ModelFixture.h"

#include "platform/XdgAutostartLoginItem.h"
#include "services/notify/LoginItemWorker.h"

#include <filesystem>

namespace brisel::test {
namespace {

class ModelLoginTest : public ModelTest {
protected:
    void SetUp() override {
        ModelTest::SetUp();
        startSettled();
        fake->clearCalls();
    }
    void switchTo(bool enabled) {
        model->setLaunchAtLogin(enabled);
        ASSERT_TRUE(runUntil([this] { return !model->loginTask; }));
    }
};

TEST_F(ModelLoginTest, SwitchesRunInTurnAndOnlyTheNewestPublishes) {
    fake->gate("setLogin").close();
    fake->setLogin.queued = {std::string("first failed"), std::nullopt};
    fake->loginStatus.queued = {LoginItemStatus::enabled, LoginItemStatus::requiresApproval};
    model->setLaunchAtLogin(true);
    model->setLaunchAtLogin(false);
    settle();
    EXPECT_EQ(fake->callsOf({"setLogin", "loginStatus"}), std::vector<std::string>{"setLogin true"});
    fake->gate("setLogin").open();
    ASSERT_TRUE(runUntil([this] { return !model->loginTask; }));
    EXPECT_EQ(fake->callsOf({"setLogin", "loginStatus"}),
              (std::vector<std::string>{"setLogin true", "loginStatus", "setLogin false", "loginStatus"}));
    EXPECT_FALSE(model->lastError().has_value()); // the older failure is not shown
    EXPECT_EQ(model->launchAtLoginStatus(), "login.requiresApproval");
    EXPECT_FALSE(model->launchAtLogin());

    // A refresh started during a switch takes over: the switch leaves busy on, the refresh ends it.
    fake->loginStatus.otherwise = static_cast<LoginItemStatus>(7); // a value the platform added later
    fake->gate("loginStatus").close();
    model->setLaunchAtLogin(true);
    model->refreshLaunchAtLogin();
    settle();
    fake->gate("loginStatus").releaseOne();
    settle();
    EXPECT_TRUE(model->loginBusy());
    fake->gate("loginStatus").open();
    ASSERT_TRUE(runUntil([this] { return !model->loginTask; }));
    EXPECT_FALSE(model->loginBusy());
    EXPECT_EQ(model->launchAtLoginStatus(), "login.unknown");
}

// A failed switch shows the platform's text (its key translated) in no domain and re-reads the
// state; a success takes back only that text, never an error of another feature.
TEST_F(ModelLoginTest, SuccessClearsOnlyTheErrorTheSwitchShowed) {
    model->reportError(FeedbackDomain::energy, "energy failed");
    switchTo(true);
    EXPECT_EQ(model->lastError(), "energy failed");

    const std::string denied = "login.writeFailed\n/autostart: Permission denied";
    fake->setLogin.queued = {denied, std::nullopt, denied};
    switchTo(true);
    EXPECT_EQ(model->lastError(), tr("login.writeFailed") + "\n/autostart: Permission denied");
    EXPECT_FALSE(model->lastErrorDomain.has_value());
    EXPECT_EQ(fake->count("loginStatus"), 2u);
    switchTo(false);
    EXPECT_FALSE(model->lastError().has_value());

    switchTo(true);
    model->reportError(FeedbackDomain::charging, "charge failed");
    switchTo(true);
    EXPECT_EQ(model->lastError(), "charge failed");
}

TEST_F(ModelLoginTest, RealLoginItemWritesAndRemovesTheAutostartEntry) {
    // The XDG autostart entry under the test's own XDG_CONFIG_HOME.
    auto worker = std::make_shared<LoginItemWorker>(std::make_shared<XdgAutostartLoginItem>());
    model->services.loginStatus = [worker] { return worker->status(); };
    model->services.setLogin = [worker](bool enabled) { return worker->setEnabled(enabled); };
    const auto entry = configHome() / "autostart" / "com.brisel.Brisel.desktop";
    switchTo(true);
    EXPECT_TRUE(std::filesystem::exists(entry));
    EXPECT_TRUE(model->launchAtLogin());
    switchTo(false);
    EXPECT_FALSE(std::filesystem::exists(entry));
    EXPECT_EQ(model->launchAtLoginStatus(), "login.off");
}

// The permission fills an absent reminder once (saved through its setter); the test notification
// needs the reminder on and runs one at a time.
TEST_F(ModelLoginTest, PermissionDecidesAnAbsentReminderOnceAndGatesTheTest) {
    model.reset();
    fake->notificationStatus.queued = {"notification.alertsOff", "notification.denied"};
    startSettled();
    EXPECT_EQ(model->lowBatteryReminder(), ReminderIntent::enabled);
    ASSERT_FALSE(fake->saved.empty());
    EXPECT_EQ(fake->saved.back().lowBatteryReminder, ReminderIntent::enabled);
    model->refreshNotificationStatus();
    settle();
    EXPECT_EQ(model->notificationStatus(), "notification.denied");
    EXPECT_EQ(model->lowBatteryReminder(), ReminderIntent::enabled);

    for (auto refused : {ReminderIntent::undecided, ReminderIntent::disabled}) {
        model->lowBatteryReminder = refused;
        model->testLowBatteryNotification();
    }
    model->lowBatteryReminder = ReminderIntent::enabled;
    fake->testNotification.otherwise = "notification.sent";
    fake->gate("testNotification").close();
    model->testLowBatteryNotification();
    model->testLowBatteryNotification();
    settle();
    EXPECT_EQ(fake->count("testNotification"), 1u);
    fake->gate("testNotification").open();
    settle();
    EXPECT_EQ(model->notificationStatus(), "notification.sent");
    EXPECT_FALSE(model->notificationBusy());
}

} // namespace
} // namespace brisel::test
