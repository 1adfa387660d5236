#pragma once

// What the settings window is drawn from and what it calls. A binder fills both from the
// application model; the window reads nothing else, so it is tested with states built by hand.

#include "app/Navigation.h"
#include "model/FeedbackDomain.h"
#include "services/config/SetupEnumerations.h"
#include "ui/panel/ChargeLimitCard.h"
#include "ui/panel/ConfigFeedbackView.h"
#include "ui/panel/KeepAwakeControlsView.h"

#include <QDateTime>
#include <QString>

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <utility>

namespace brisel {

// The window-wide error banner for one set of domains that a tab shows by itself.
struct SettingsBanner {
    std::optional<QString> text; // nothing: no banner
    bool persistent = false;     // an error the model clears itself: no dismiss button
    std::uint64_t attempt = 0;   // the requests its errors came from

    bool operator==(const SettingsBanner&) const = default;
};

struct LowBatteryState {
    std::int64_t warnPercent = 10;
    std::optional<ReminderIntent> reminder;
    bool notificationBusy = false;
    QString notificationStatus = "notification.unknown";
};

// The away guard's settings and what the engine reports. The guard's readiness line is made from
// `guard`, which also carries the switch, require-battery and the engine's verdict.
struct AwayGuardSettingsState {
    GuardState guard;
    bool keepAwakeOnLidClosed = false;
    double awayForSeconds = 0;
    bool vpnActive = false;
    std::int64_t awayAfterMinutes = 15;
    std::int64_t offlineAwayAfterMinutes = 10;
    std::int64_t networkSampleSeconds = 30;
    std::int64_t usualMinDwellSeconds = 3600;
    std::int64_t idleSeconds = 120;
    std::optional<QString> lastGuardEvent; // a localisation key
    std::optional<QDateTime> lastGuardEventDate;
};

struct SystemComponentState {
    bool helperInstalled = false;
    bool helperFilesPresent = false;
    bool helperBusy = false;
    bool energyModeBusy = false;
    std::optional<QString> helperStatus; // a key, or a message shown as it is
    bool awakeRepresentsHelperStatus = false;
    // Why the last install or removal failed, while helperStatus shows it (cleared as the next
    // action starts).
    std::optional<QString> helperActionFailure = std::nullopt;
};

struct GeneralSettingsState {
    bool hasOnboarding = false; // a set-up coordinator exists
    bool setupRequired = false;
    bool iconOnly = false;
    bool showMenuBarIcon = true;
    bool showInDock = false;
    bool dockRestartPending = false;
    bool launchAtLogin = false;
    bool loginBusy = false;
    QString launchAtLoginStatus = "login.unknown";
    QString language = "system";
    QString theme = "liquidGlass"; // the stored key, possibly unknown
    std::int64_t refreshSeconds = 5;
};

struct SettingsState {
    BriselTheme theme = defaultTheme; // the active theme
    ConfigFeedbackState config;
    // Keyed by the domains a tab shows itself: {}, {charging} and {awake}.
    std::map<std::set<FeedbackDomain>, SettingsBanner> banners;
    ChargeLimitState charge; // its plan carries the hold limit, top-up limit and lead
    std::int64_t minSamplesPerHour = 2;
    LowBatteryState lowBattery;
    KeepAwakeState keepAwake;
    AwayGuardSettingsState away;
    SystemComponentState component;
    GeneralSettingsState general;
};

// One model member per control. An empty function is skipped.
struct SettingsActions {
    std::function<void()> saveConfig;   // the settings-file row's retry
    std::function<void()> dismissError; // clears the model's last error
    std::function<void()> refreshLaunchAtLogin;
    std::function<void()> refreshNotificationStatus;

    ChargeLimitActions charge; // applyLimit and setSmartEnabled
    std::function<void(int)> setHoldLimit;
    std::function<void(int)> setTopupLeadHours;
    std::function<void(int)> setMinSamplesPerHour;
    std::function<void(int)> setLowBatteryWarnPercent;
    std::function<void()> requestLowBatteryPermission;
    std::function<void(ReminderIntent)> setSetupReminder; // started, not awaited
    std::function<void()> testLowBatteryNotification;
    std::function<void()> openLowBatterySettings;

    KeepAwakeActions keepAwake;
    std::function<void(bool)> setAwayDetectionEnabled;
    std::function<void(bool)> setRequireBattery;
    std::function<void(int)> setAwayAfterMinutes;
    std::function<void(int)> setOfflineAwayAfterMinutes;
    std::function<void(int)> setNetworkSampleSeconds;
    std::function<void(int)> setUsualMinDwellSeconds;
    std::function<void(int)> setIdleSeconds;
    std::function<void()> installHelper;
    std::function<void()> removeHelper;

    std::function<void()> postShowOnboarding; // "com.brisel.showOnboarding", no object, no user info
    std::function<void(bool)> setIconOnly;
    std::function<void(bool)> setShowMenuBarIcon;
    std::function<void(bool)> setShowInDock;
    std::function<void(bool)> setLaunchAtLogin;
    std::function<void(const QString&)> setLanguage;
    std::function<void(const QString&)> setTheme;
    std::function<void(int)> setRefreshSeconds;
    std::function<void()> openConfig; // the host's
    std::function<void()> reloadConfig;
};

// Calls `action` with `args` when it is set.
template <typename F, typename... Args> void callIfSet(const F& action, Args&&... args) {
    if (action) action(std::forward<Args>(args)...);
}

} // namespace brisel
