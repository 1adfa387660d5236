#include "ModelFixture.h"

#include "platform/XdgAutostartLoginItem.h"
#include "services/notify/LoginItemWorker.h"

#include <filesystem>

namespace brisel::test {
namespace {

class ModelLoginTest : public ModelTest {
protected:
    // A started model whose start-up reads (login item, permission) are done.
    void startSettled() {
        startModel();
        fake->gate("notificationStatus").open();
        settle();
        fake->clearCalls();
    }
    void waitForLogin() { ASSERT_TRUE(runUntil([this] { return !model->loginTask; })); }
};

TEST_F(ModelLoginTest, StatusReadsAsKeyAndSwitchState) {
    struct Row {
        LoginItemStatus status;
        const char* key;
        bool on;
    };
    const std::vector<Row> rows = {
        {LoginItemStatus::enabled, "login.enabled", true},
        {LoginItemStatus::requiresApproval, "login.requiresApproval", false},
        {static_cast<LoginItemStatus>(7), "login.unknown", false}, // a value the platform added later
    };
    startSettled();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.key);
        fake->loginStatus.otherwise = row.status;
        finish(model->refreshLaunchAtLoginAndWait());
        EXPECT_EQ(model->launchAtLoginStatus(), row.key);
        EXPECT_EQ(model->launchAtLogin(), row.on);
        EXPECT_FALSE(model->loginBusy());
    }
}

TEST_F(ModelLoginTest, SwitchesRunOneAfterTheOtherAndOnlyTheNewestPublishes) {
    startSettled();
    fake->gate("setLogin").close();
    fake->setLogin.queued = {std::string("first failed"), std::nullopt};
    fake->loginStatus.queued = {LoginItemStatus::enabled, LoginItemStatus::notRegistered};
    model->setLaunchAtLogin(true);
    model->setLaunchAtLogin(false);
    settle();
    EXPECT_TRUE(model->loginBusy());
    EXPECT_EQ(fake->callsOf({"setLogin", "loginStatus"}), std::vector<std::string>{"setLogin true"});
    fake->gate("setLogin").open();
    waitForLogin();
    EXPECT_EQ(fake->callsOf({"setLogin", "loginStatus"}),
              (std::vector<std::string>{"setLogin true", "loginStatus", "setLogin false", "loginStatus"}));
    EXPECT_FALSE(model->lastError().has_value()); // the older failure is not shown
    EXPECT_FALSE(model->launchAtLogin());
    EXPECT_EQ(model->launchAtLoginStatus(), "login.off");
    EXPECT_FALSE(model->loginBusy());

    // A refresh started during a switch takes over: the switch leaves busy alone, the refresh ends it.
    fake->gate("setLogin").close();
    model->setLaunchAtLogin(true);
    model->refreshLaunchAtLogin();
    fake->gate("loginStatus").close();
    fake->gate("setLogin").open();
    settle();
    fake->gate("loginStatus").releaseOne(); // the switch's own read
    settle();
    EXPECT_TRUE(model->loginBusy());
    fake->gate("loginStatus").releaseOne();
    waitForLogin();
    EXPECT_FALSE(model->loginBusy());
}

// A failed switch shows the platform's text in no domain and re-reads the state; a later success
// takes back only that text, never a newer error of another feature.
TEST_F(ModelLoginTest, SuccessClearsOnlyTheErrorTheLoginSwitchShowed) {
    startSettled();
    model->reportError(FeedbackDomain::energy, "energy failed");
    model->setLaunchAtLogin(true);
    waitForLogin();
    EXPECT_EQ(model->lastError(), "energy failed");

    fake->setLogin.queued = {std::string("Operation not permitted")};
    fake->loginStatus.queued = {LoginItemStatus::requiresApproval};
    model->setLaunchAtLogin(true);
    waitForLogin();
    EXPECT_EQ(model->lastError(), "Operation not permitted");
    EXPECT_FALSE(model->lastErrorDomain.has_value());
    EXPECT_EQ(model->launchAtLoginStatus(), "login.requiresApproval");
    model->setLaunchAtLogin(false);
    waitForLogin();
    EXPECT_FALSE(model->lastError().has_value());

    fake->setLogin.queued = {std::string("Operation not permitted")};
    model->setLaunchAtLogin(true);
    waitForLogin();
    model->reportError(FeedbackDomain::charging, "charge failed");
    model->setLaunchAtLogin(true);
    waitForLogin();
    EXPECT_EQ(model->lastError(), "charge failed");
    EXPECT_EQ(model->lastErrorDomain, FeedbackDomain::charging);
}

TEST_F(ModelLoginTest, RealLoginItemWritesAndRemovesTheAutostartEntry) {
    // The XDG autostart entry under the test's own XDG_CONFIG_HOME.
    auto worker = std::make_shared<LoginItemWorker>(std::make_shared<XdgAutostartLoginItem>());
    const auto entry = configHome() / "autostart" / "com.brisel.Brisel.desktop";
    startSettled();
    model->services.loginStatus = [worker] { return worker->status(); };
    model->services.setLogin = [worker](bool enabled) { return worker->setEnabled(enabled); };
    model->setLaunchAtLogin(true);
    waitForLogin();
    EXPECT_TRUE(std::filesystem::exists(entry));
    EXPECT_TRUE(model->launchAtLogin());
    model->setLaunchAtLogin(false);
    waitForLogin();
    EXPECT_FALSE(std::filesystem::exists(entry));
    EXPECT_EQ(model->launchAtLoginStatus(), "login.off");
}

TEST_F(ModelLoginTest, PermissionGivesAnAbsentReminderItsFirstValueOnly) {
    struct Row {
        const char* status;
        ReminderIntent first;
    };
    const std::vector<Row> rows = {
        {"notification.alertsOff", ReminderIntent::enabled},
        {"notification.denied", ReminderIntent::disabled},
        {"notification.unavailable", ReminderIntent::undecided},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.status);
        fake->notificationStatus.queued = {row.status, "notification.denied"};
        startSettled(); // start-up's read
        EXPECT_EQ(model->notificationStatus(), row.status);
        EXPECT_EQ(model->lowBatteryReminder(), row.first);
        ASSERT_FALSE(fake->saved.empty());
        EXPECT_EQ(fake->saved.back().lowBatteryReminder, row.first);
        model->refreshNotificationStatus();
        settle();
        EXPECT_EQ(model->notificationStatus(), "notification.denied");
        EXPECT_EQ(model->lowBatteryReminder(), row.first);
        model.reset();
        fake->saved.clear();
    }
}

TEST_F(ModelLoginTest, TestNotificationOnlyWithTheReminderOnAndOneAtATime) {
    startSettled();
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
    EXPECT_TRUE(model->notificationBusy());
    fake->gate("testNotification").open();
    settle();
    EXPECT_EQ(model->notificationStatus(), "notification.sent");
    EXPECT_FALSE(model->notificationBusy());

    // The model goes while a test is sent: nothing runs afterwards.
    fake->gate("testNotification").close();
    model->testLowBatteryNotification();
    settle();
    model.reset();
    fake->gate("testNotification").open();
    settle();
}

} // namespace
} // namespace brisel::test
