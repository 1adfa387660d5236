#include "async/RunUntil.h"
#include "platform/sim/SimUserNotificationCenter.h"
#include "services/notify/LowBatteryNotifier.h"

#include "TestEnvironment.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <atomic>
#include <condition_variable>
#include <mutex>

namespace brisel {
namespace {

using json = nlohmann::json;

// Stands in for the simulated machine's sleep: calls from number `holdFrom` on block until released,
// so a test can stop the centre at exactly the answers it wants to hold.
struct HeldSleeper {
    std::mutex mutex;
    std::condition_variable changed;
    int calls = 0;
    int holdFrom = 0; // 0: hold nothing
    bool released = false;

    void operator()(double) {
        std::unique_lock lock(mutex);
        const int call = ++calls;
        changed.notify_all();
        if (holdFrom > 0 && call >= holdFrom) changed.wait(lock, [this] { return released; });
    }
    bool reached(int call) {
        std::lock_guard lock(mutex);
        return calls >= call;
    }
    void release() {
        std::lock_guard lock(mutex);
        released = true;
        changed.notify_all();
    }
};

// Counts what reaches the centre and can make single calls fail.
struct SpyCenter : UserNotificationCenter {
    std::shared_ptr<UserNotificationCenter> inner;
    std::atomic<int> settingsCalls{0}, authorizationCalls{0}, addCalls{0}, addAnswers{0}, pendingRemovals{0},
        deliveredRemovals{0};
    std::optional<std::string> failAuthorization, failAdd;
    std::vector<std::string> removedPending;

    explicit SpyCenter(std::shared_ptr<UserNotificationCenter> center) : inner(std::move(center)) {}
    int calls() const {
        return settingsCalls + authorizationCalls + addCalls + pendingRemovals + deliveredRemovals;
    }
    bool isAvailable() override { return inner->isAvailable(); }
    void getNotificationSettings(std::function<void(NotificationSettings)> completion) override {
        ++settingsCalls;
        inner->getNotificationSettings(std::move(completion));
    }
    void requestAuthorization(NotificationAuthorizationOptions options,
                              std::function<void(bool, std::optional<std::string>)> completion) override {
        ++authorizationCalls;
        EXPECT_TRUE(options.alert && options.sound && !options.badge);
        if (failAuthorization) return completion(false, failAuthorization);
        inner->requestAuthorization(options, std::move(completion));
    }
    void add(NotificationRequest request,
             std::function<void(std::optional<std::string>)> completion) override {
        ++addCalls;
        auto answered = [this, completion = std::move(completion)](std::optional<std::string> error) {
            completion(std::move(error));
            ++addAnswers;
        };
        if (failAdd) return answered(failAdd);
        inner->add(std::move(request), std::move(answered));
    }
    void removePendingRequests(const std::vector<std::string>& ids) override {
        ++pendingRemovals;
        removedPending.insert(removedPending.end(), ids.begin(), ids.end());
        inner->removePendingRequests(ids);
    }
    void removeDeliveredNotifications(const std::vector<std::string>& ids) override {
        ++deliveredRemovals;
        inner->removeDeliveredNotifications(ids);
    }
};

class LowBatteryNotifierTest : public test::TestEnvironment {
protected:
    void SetUp() override {
        TestEnvironment::SetUp();
        machine.emplace(SimStore(), nullptr, [this](double s) { sleeper(s); });
    }
    void TearDown() override {
        // Free a centre thread a test left waiting, and let every warning still being sent finish,
        // so no centre thread or suspended send outlives the test.
        sleeper.release();
        for (const auto& center : centers)
            EXPECT_TRUE(runUntil([&] { return center->addAnswers == center->addCalls; }));
        for (int turn = 0; turn < 10; ++turn)
            QCoreApplication::processEvents();
        TestEnvironment::TearDown();
    }

    void setNotifications(const std::string& authorization, bool alerts) {
        ASSERT_EQ(machine->set("/notifications/authorization", authorization), std::nullopt);
        ASSERT_EQ(machine->set("/notifications/alertsEnabled", alerts), std::nullopt);
    }
    std::shared_ptr<SpyCenter> makeCenter(bool bundled = true) {
        centers.push_back(
            std::make_shared<SpyCenter>(std::make_shared<SimUserNotificationCenter>(*machine, bundled)));
        return centers.back();
    }
    LowBatteryNotifier makeNotifier(std::shared_ptr<SpyCenter> center) {
        return LowBatteryNotifier(std::move(center), [](const std::string& key) { return "text of " + key; });
    }
    // Makes the centre's answers from number `from` on wait until `sleeper.release()`.
    void holdAnswersFrom(int from) {
        {
            std::lock_guard lock(sleeper.mutex);
            sleeper.calls = 0;
            sleeper.holdFrom = from;
            sleeper.released = false;
        }
        ASSERT_EQ(machine->setFault("notifications", "delay", 1), std::nullopt);
    }
    json posted() const { return machine->get<json>("/notifications/posted", json::array()); }
    json withdrawn() const { return machine->get<json>("/notifications/withdrawn", json::array()); }
    bool wasPosted(const std::string& id) const {
        for (const auto& entry : posted())
            if (entry.value("id", "") == id) return true;
        return false;
    }
    template <typename T> T await(Task<T> task) {
        EXPECT_TRUE(runUntil([&] { return task.isDone(); }));
        return task.result();
    }

    HeldSleeper sleeper;
    std::optional<SimMachine> machine;
    std::vector<std::shared_ptr<SpyCenter>> centers;
};

TEST_F(LowBatteryNotifierTest, MapsTheCentresSettingsToStatusKeys) {
    const struct {
        const char* authorization;
        bool alerts;
        bool bundled;
        bool failing;
        const char* expected;
    } cases[] = {
        {"notDetermined", true, true, false, notification_status::unknown},
        {"denied", true, true, false, notification_status::denied},
        {"authorized", true, true, false, notification_status::ready},
        {"authorized", false, true, false, notification_status::alertsOff},
        {"provisional", true, true, false, notification_status::ready},
        {"ephemeral", false, true, false, notification_status::alertsOff},
        {"somethingNew", true, true, false, notification_status::unavailable},
        {"authorized", true, true, true, notification_status::unavailable},
        {"authorized", true, false, false, notification_status::unavailable},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.authorization) + (c.alerts ? " alerts" : "") +
                     (c.bundled ? "" : " unbundled") + (c.failing ? " failing" : ""));
        setNotifications(c.authorization, c.alerts);
        if (c.failing) {
            ASSERT_EQ(machine->setFault("notifications", "fail"), std::nullopt);
        }
        auto center = makeCenter(c.bundled);
        auto notifier = makeNotifier(center);
        EXPECT_EQ(await(notifier.status()), c.expected);
        EXPECT_EQ(center->settingsCalls, c.bundled ? 1 : 0);
        ASSERT_EQ(machine->clearFault("notifications"), std::nullopt);
    }
}

TEST_F(LowBatteryNotifierTest, AsksForPermissionOnlyWhenTheUserWasNeverAsked) {
    const struct {
        const char* authorization;
        bool alerts;
        bool bundled;
        std::optional<std::string> requestError;
        const char* expected;
        int prompts;
        const char* storedAfter;
    } cases[] = {
        {"notDetermined", true, true, std::nullopt, notification_status::ready, 1, "authorized"},
        {"notDetermined", false, true, std::nullopt, notification_status::alertsOff, 1, "authorized"},
        {"notDetermined", true, true, "no bundle proxy", notification_status::unavailable, 1,
         "notDetermined"},
        {"denied", true, true, std::nullopt, notification_status::denied, 0, "denied"},
        {"authorized", false, true, std::nullopt, notification_status::alertsOff, 0, "authorized"},
        {"notDetermined", true, false, std::nullopt, notification_status::unavailable, 0, "notDetermined"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.authorization) + (c.bundled ? "" : " unbundled"));
        setNotifications(c.authorization, c.alerts);
        auto center = makeCenter(c.bundled);
        center->failAuthorization = c.requestError;
        auto notifier = makeNotifier(center);
        EXPECT_EQ(await(notifier.requestAuthorization()), c.expected);
        EXPECT_EQ(center->authorizationCalls, c.prompts);
        EXPECT_EQ(machine->get<std::string>("/notifications/authorization", ""), c.storedAfter);
        if (!c.bundled) {
            EXPECT_EQ(center->calls(), 0);
        }
    }
}

TEST_F(LowBatteryNotifierTest, TestNotificationIsPostedOnlyWhenTheReminderIsOnAndNotificationsReady) {
    const struct {
        const char* name;
        ReminderIntent intent;
        const char* authorization;
        bool alerts;
        std::optional<std::string> addError;
        const char* expected;
        bool posts;
    } cases[] = {
        {"undecided", ReminderIntent::undecided, "authorized", true, std::nullopt,
         notification_status::disabled, false},
        {"disabled", ReminderIntent::disabled, "authorized", true, std::nullopt,
         notification_status::disabled, false},
        {"ready", ReminderIntent::enabled, "authorized", true, std::nullopt, notification_status::sent, true},
        {"alerts off", ReminderIntent::enabled, "authorized", false, std::nullopt,
         notification_status::alertsOff, false},
        {"never asked", ReminderIntent::enabled, "notDetermined", true, std::nullopt,
         notification_status::unknown, false},
        {"the centre refuses the request", ReminderIntent::enabled, "authorized", true, "quota",
         notification_status::unavailable, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(machine->reset(), std::nullopt);
        setNotifications(c.authorization, c.alerts);
        auto center = makeCenter();
        center->failAdd = c.addError;
        auto notifier = makeNotifier(center);
        notifier.setIntent(c.intent);
        EXPECT_EQ(await(notifier.test()), c.expected);
        EXPECT_EQ(wasPosted(kTestRequestId), c.posts);
        if (c.intent != ReminderIntent::enabled) {
            EXPECT_EQ(center->settingsCalls, 0); // the centre is not asked
        }
        if (c.posts) {
            EXPECT_EQ(posted()[0]["title"], "text of notification.testTitle");
            EXPECT_EQ(posted()[0]["body"], "text of notification.testBody");
        }
    }
}

TEST_F(LowBatteryNotifierTest, LowBatteryWarningIsPostedWhenDueAndReplacesTheEarlierOne) {
    setNotifications("authorized", true);
    auto center = makeCenter();
    auto notifier = makeNotifier(center);

    notifier.notifyLowBattery("Low", "ignored while undecided");
    EXPECT_EQ(center->calls(), 0);

    notifier.setIntent(ReminderIntent::enabled);
    notifier.notifyLowBattery("Battery low", "19 % left");
    ASSERT_TRUE(runUntil([&] { return wasPosted(kLowBatteryRequestId); }));
    notifier.notifyLowBattery("Battery low", "9 % left");
    ASSERT_TRUE(runUntil([&] { return center->addCalls == 2 && posted()[0]["body"] == "9 % left"; }));
    EXPECT_EQ(posted().size(), 1u);
    EXPECT_EQ(posted()[0]["title"], "Battery low");
}

TEST_F(LowBatteryNotifierTest, LowBatteryWarningWithAlertsOffPostsNothing) {
    setNotifications("authorized", false);
    auto center = makeCenter();
    auto notifier = makeNotifier(center);
    notifier.setIntent(ReminderIntent::enabled);
    notifier.notifyLowBattery("Battery low", "9 % left");
    ASSERT_TRUE(runUntil([&] { return center->settingsCalls == 1; }));
    spinEventLoop(std::chrono::milliseconds(100));
    EXPECT_EQ(center->addCalls, 0);
    EXPECT_TRUE(posted().empty());
}

TEST_F(LowBatteryNotifierTest, SwitchingTheReminderOffWhileTheCentreAddsWithdrawsTheNotification) {
    const struct {
        const char* name;
        bool viaTest;
        ReminderIntent newIntent;
        const char* id;
    } cases[] = {
        {"low battery, switched off", false, ReminderIntent::disabled, kLowBatteryRequestId},
        {"low battery, chosen again", false, ReminderIntent::enabled, kLowBatteryRequestId},
        {"test notification", true, ReminderIntent::disabled, kTestRequestId},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(machine->reset(), std::nullopt);
        setNotifications("authorized", true);
        holdAnswersFrom(2); // the settings read passes, the add waits
        auto center = makeCenter();
        auto notifier = makeNotifier(center);
        notifier.setIntent(ReminderIntent::enabled);
        Task<std::string> test;
        if (c.viaTest)
            test = notifier.test();
        else
            notifier.notifyLowBattery("Battery low", "9 % left");
        ASSERT_TRUE(runUntil([&] { return sleeper.reached(2); }));

        notifier.setIntent(c.newIntent);
        sleeper.release();
        ASSERT_TRUE(runUntil([&] { return withdrawn().size() == 1; }));
        EXPECT_EQ(withdrawn()[0], c.id);
        EXPECT_FALSE(wasPosted(c.id));
        if (c.viaTest) {
            EXPECT_EQ(await(test), notification_status::disabled);
        }
        ASSERT_EQ(machine->clearFault("notifications"), std::nullopt);
    }
}

TEST_F(LowBatteryNotifierTest, AChoiceChangedDuringTheStatusCheckPostsNothing) {
    setNotifications("authorized", true);
    holdAnswersFrom(1); // both settings reads wait
    auto center = makeCenter();
    auto notifier = makeNotifier(center);
    notifier.setIntent(ReminderIntent::enabled);
    auto test = notifier.test();
    notifier.notifyLowBattery("Battery low", "9 % left");
    ASSERT_TRUE(runUntil([&] { return sleeper.reached(2); }));
    // Switched off and on again: still enabled, but a newer choice than the sends were made under.
    notifier.setIntent(ReminderIntent::disabled);
    notifier.setIntent(ReminderIntent::enabled);
    EXPECT_EQ(notifier.generation(), 3u);
    sleeper.release();
    EXPECT_EQ(await(test), notification_status::ready);
    ASSERT_TRUE(runUntil([&] { return center->settingsCalls == 2; }));
    spinEventLoop(std::chrono::milliseconds(100));
    EXPECT_EQ(center->addCalls, 0);
    EXPECT_TRUE(posted().empty());
}

TEST_F(LowBatteryNotifierTest, SwitchingOffCancelsPendingButLeavesDeliveredWarnings) {
    setNotifications("authorized", true);
    auto center = makeCenter();
    auto notifier = makeNotifier(center);
    notifier.setIntent(ReminderIntent::enabled);
    EXPECT_TRUE(center->removedPending.empty());
    notifier.notifyLowBattery("Battery low", "9 % left");
    ASSERT_TRUE(runUntil([&] { return wasPosted(kLowBatteryRequestId); }));

    notifier.setIntent(ReminderIntent::disabled);
    EXPECT_EQ(center->removedPending, std::vector<std::string>{kLowBatteryRequestId});
    EXPECT_EQ(center->deliveredRemovals, 0);
    EXPECT_TRUE(wasPosted(kLowBatteryRequestId));

    // Outside an application bundle the centre is never touched.
    auto unbundled = makeCenter(false);
    auto other = makeNotifier(unbundled);
    other.setIntent(ReminderIntent::enabled);
    other.setIntent(ReminderIntent::disabled);
    EXPECT_EQ(other.intent(), ReminderIntent::disabled);
    EXPECT_EQ(other.generation(), 2u);
    EXPECT_EQ(unbundled->calls(), 0);
}

} // namespace
} // namespace brisel
