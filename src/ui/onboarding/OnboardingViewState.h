#pragma once

// What the onboarding window, the task-stop view and the menu welcome are drawn from, and what
// they call. A binder fills both from the wizard's coordinator and the application model; the
// views read nothing else, so they are tested with states built by hand.

#include "async/Task.h"
#include "services/config/BriselTheme.h"
#include "services/onboarding-state/OnboardingState.h"
#include "shared/helper-protocol/HelperReadiness.h"

#include <QString>

#include <functional>
#include <optional>
#include <vector>

namespace brisel {

// A snapshot of the coordinator's published and derived values and of the model values the views
// read. Keys are localisation keys.
struct OnboardingState {
    OnboardingRecord record;

    // Published by the coordinator.
    bool busy = false;
    bool checking = false;
    bool hardwareKnown = false;
    std::optional<QString> error;
    std::optional<QString> storageError;
    HelperReadiness helperState;
    QString loginState = "login.unknown";
    QString notificationState = "notification.unknown";
    std::optional<QString> testState;
    bool networkAvailable = false;
    bool networkRemembered = false;

    // Derived by the coordinator.
    bool hasBattery = false;
    bool hasLid = false;
    bool canCharge = false;
    bool chargeChosen = false;
    std::vector<int> limits;
    std::optional<int> selectedLimit;
    bool requiresLimitSelection = false;
    std::optional<int> currentLimit;
    std::optional<int> predictedHour;
    bool pluggedIn = false;
    bool temporaryFullAvailable = false;
    bool helperUseful = false;
    bool helperReady = false;
    bool helperResolved = false;
    bool loginResolved = false;
    bool notificationResolved = false;
    bool canAdvance = false;
    // A stop is owed and none runs; without a coordinator, the model's answer.
    bool stopNeedsRetry = false;
    bool hasStopResult = false;
    QString ordinaryResultKey = "onboarding.result.idle";
    QString lidResultKey = "onboarding.result.idle";
    QString loginSummaryKey = "login.unknown";
    QString notificationSummaryKey = "notification.unknown";

    // From the application model.
    BriselTheme activeTheme = defaultTheme;
    bool taskStopBusy = false;
    QString taskStopStatus; // empty until a stop was made
    SetupResult taskStopOrdinary = SetupResult::idle;
    SetupResult taskStopDisplay = SetupResult::idle;
    SetupResult taskStopLid = SetupResult::idle;
    int availableEnergyModes = 0; // how many energy modes the model offers
    // Whether the model has a coordinator; without one the coordinator values above mean nothing
    // and the task-stop view reads the model alone.
    bool hasCoordinator = true;
};

// What the views call. Asynchronous coordinator and model actions are started by the binder and
// not awaited (their outcome arrives as a new state); only `refresh` hands back its task, which
// the window awaits when it is shown. An empty function is skipped.
struct OnboardingActions {
    std::function<Task<void>()> refresh;
    std::function<void()> retryStorage;
    std::function<void()> next;
    std::function<void()> back;
    std::function<void(OnboardingHabit)> chooseHabit;
    std::function<void(int)> chooseLimit;
    std::function<void(OnboardingTask)> chooseTask;
    std::function<void()> keepCurrentChargeSetup;
    std::function<void()> returnToLimitSelection;
    std::function<void(std::optional<int>)> returnToPreparation;
    std::function<void(bool downgrade)> skipHelper;
    std::function<void()> installHelper;
    std::function<void(bool enable)> chooseLogin;
    std::function<void(bool enable)> chooseReminder;
    std::function<void(bool notification)> openSettings;
    std::function<void()> testNotification;
    std::function<void()> rememberNetwork;
    std::function<void()> apply;
    std::function<void()> restoreSystemDefaults;
    // Posts "com.brisel.showOnboarding" (no object, no user info).
    std::function<void()> postShowOnboarding;
    // The host's: close the window; close it and show the main window.
    std::function<void()> close;
    std::function<void()> openPanel;
};

inline constexpr const char* showOnboardingNotification = "com.brisel.showOnboarding";

// Calls `action` with `args` unless it is empty.
template <typename F, typename... Args> void invoke(const F& action, Args&&... args) {
    if (action) action(std::forward<Args>(args)...);
}

} // namespace brisel
