#pragma once

// Everything the application model does to the machine goes through one value of functions, so
// that a test can drive the whole model with substitutes. The application builds the real one
// with AppServices::live(). The model calls every member on the main thread; asynchronous members
// may work elsewhere and resume the model on the main thread.
//
// Failures come back as values: an optional HardwareFailure, a HelperError inside the helper
// results, a status key, false or nothing. The configuration file and login item operations hand
// back an error text instead of throwing, so no exception crosses into the model.

#include "async/Task.h"
#include "platform/LoginItem.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "services/away/NetworkWatch.h"
#include "services/config/BriselConfig.h"
#include "services/energy/SignificantEnergyApp.h"
#include "services/helper-client/HelperOperations.h"
#include "services/onboarding-state/OnboardingState.h"
#include "services/power/DisplaySleep.h"
#include "services/power/HardwareIO.h"
#include "services/power/HardwareSnapshot.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace brisel {

// The inert answers of the optional members: nothing is posted, opened or reported.
namespace inert {
std::function<Task<std::string>()> statusKey(std::string key);
std::function<Task<std::optional<bool>>()> unknownAssertion();
std::function<Task<DisplaySleepResult>()> failedDisplaySleep();
std::function<Task<std::optional<std::string>>()> noFingerprint();
std::function<bool()> declined();
} // namespace inert

// A value; copying it copies the functions, not the workers behind them. Members in this order;
// the last twelve may be left out and then give the inert answers.
struct AppServices {
    // The configuration as read from config.json (the sanitised defaults when there is no file),
    // or the error text when reading or decoding failed.
    std::function<Task<std::variant<BriselConfig, std::string>>()> loadConfig;
    // Writes config.json; the error text on failure.
    std::function<Task<std::optional<std::string>>(BriselConfig)> saveConfig;
    // Where the smart-charge profile is kept.
    UserDefaults defaults;
    // One hardware poll.
    std::function<Task<HardwareResult<HardwareSnapshot>>()> readHardware;
    // Keeps one handler, called on the main thread once the hardware queue is usable again after
    // a refused or timed-out operation; a later one replaces it.
    std::function<void(std::function<void()>)> subscribeHardwareRecovery;
    std::function<double()> idleSeconds; // since the last user input
    std::function<bool()> screenLocked;
    std::function<double()> now; // seconds of system uptime: the clock of every model timing rule
    // The charge-to-full override notification's state; nothing when it cannot be read.
    std::function<std::optional<std::uint64_t>()> chargeOverrideState;
    // Keeps one handler for changes of that state (it may be called on any thread).
    std::function<void(std::function<void()>)> subscribeChargeOverride;
    // The charge limit (percent): nothing on success.
    std::function<Task<std::optional<HardwareFailure>>(int percent)> setLimit;
    std::function<Task<std::optional<HardwareFailure>>()> disableLimit;
    std::function<Task<std::optional<HardwareFailure>>()> chargeToFullNow;
    std::function<Task<std::vector<SignificantEnergyApp>>()> readSignificantEnergyApps;
    // Hold or release an assertion; true when it is now in the requested state.
    std::function<Task<bool>(bool on)> setSystemAwake;
    std::function<Task<bool>(bool on)> setDisplayAwake;
    std::function<Task<void>()> releaseAssertions;
    // (Re)configures the away engine and returns its status right afterwards.
    std::function<AwayStatus(AwayEngine::Configuration)> configureAway;
    // Keeps one handler for each changed away status (it may be called on any thread).
    std::function<void(std::function<void(AwayStatus)>)> subscribeAway;
    std::function<void()> stopAway;
    HelperOperations helper;
    std::function<void(bool show)> showDockIcon;
    std::function<void(std::string code)> setLanguage;
    std::function<std::string(const std::string& key)> translate;
    std::function<void(int percent)> notifyLowBattery;
    std::function<Task<LoginItemStatus>()> loginStatus;
    // Registers (true) or unregisters start at login; the error text on failure.
    std::function<Task<std::optional<std::string>>(bool enabled)> setLogin;
    // The two centres the model observes. Shared, so that they outlive every observer on them.
    std::shared_ptr<NotificationCenter> workspaceNotifications;
    std::shared_ptr<NotificationCenter> applicationNotifications;
    bool scheduleTimers = true; // whether the model may start its repeating timers

    std::function<std::string()> energySampleStatus = [] { return std::string("energySample.ready"); };
    std::function<Task<std::string>()> notificationStatus = inert::statusKey("notification.unknown");
    std::function<Task<std::string>()> testNotification = inert::statusKey("notification.unknown");
    std::function<Task<std::string>()> requestNotification = inert::statusKey("notification.unavailable");
    std::function<void(ReminderIntent)> setReminderIntent = [](ReminderIntent) {};
    std::function<Task<std::optional<bool>>()> systemAssertionActive = inert::unknownAssertion();
    std::function<Task<std::optional<bool>>()> displayAssertionActive = inert::unknownAssertion();
    std::function<Task<DisplaySleepResult>()> sleepDisplays = inert::failedDisplaySleep();
    std::function<bool()> openDisplaySettings = inert::declined();
    std::function<Task<std::optional<std::string>>()> currentNetworkFingerprint = inert::noFingerprint();
    std::function<bool()> openLoginSettings = inert::declined();
    std::function<bool()> openNotificationSettings = inert::declined();

    // The bundle of the running application, over the workers of this machine.
    static AppServices live();
};

} // namespace brisel
