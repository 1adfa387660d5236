#pragma once

// States and recorded actions shared by the onboarding view tests.

#include "Gate.h"
#include "ui/onboarding/OnboardingViewState.h"

#include <QStringList>

#include <memory>

namespace brisel::test {

// A Mac with battery, lid and charge-limit support, two energy modes, the recommended limit
// chosen for desk use, the preparations settled and no task.
inline OnboardingState laptopState(std::int64_t step = 0) {
    OnboardingState s;
    s.record.step = step;
    s.hardwareKnown = s.hasBattery = s.hasLid = s.canCharge = s.chargeChosen = true;
    s.limits = {80, 90, 100};
    s.selectedLimit = 80;
    s.currentLimit = 100;
    s.pluggedIn = true;
    s.helperUseful = true;
    s.helperResolved = s.loginResolved = s.notificationResolved = true;
    s.canAdvance = true;
    s.availableEnergyModes = 2;
    s.loginState = "login.off";
    s.notificationState = "notification.unknown";
    s.loginSummaryKey = "login.off";
    s.notificationSummaryKey = "notification.unknown";
    s.networkAvailable = true;
    return s;
}

inline Task<void> waitFor(std::shared_ptr<Gate> gate) {
    co_await *gate;
}

// Actions that write "name(argument)" into `calls`; refresh waits for `refreshGate`.
struct RecordedActions {
    QStringList calls;
    std::shared_ptr<Gate> refreshGate = std::make_shared<Gate>(false);

    OnboardingActions actions() {
        auto record = [this](const char* name) { return [this, name] { calls << QString(name) + "()"; }; };
        auto recordArg = [this](const char* name) {
            return [this, name](auto value) { calls << QString("%1(%2)").arg(name, text(value)); };
        };
        OnboardingActions a;
        a.refresh = [this] {
            calls << "refresh()";
            return waitFor(refreshGate);
        };
        a.retryStorage = record("retryStorage");
        a.next = record("next");
        a.back = record("back");
        a.chooseHabit = recordArg("chooseHabit");
        a.chooseLimit = recordArg("chooseLimit");
        a.chooseTask = recordArg("chooseTask");
        a.keepCurrentChargeSetup = record("keepCurrentChargeSetup");
        a.returnToLimitSelection = record("returnToLimitSelection");
        a.returnToPreparation = recordArg("returnToPreparation");
        a.skipHelper = recordArg("skipHelper");
        a.installHelper = record("installHelper");
        a.chooseLogin = recordArg("chooseLogin");
        a.chooseReminder = recordArg("chooseReminder");
        a.openSettings = recordArg("openSettings");
        a.testNotification = record("testNotification");
        a.rememberNetwork = record("rememberNetwork");
        a.apply = record("apply");
        a.restoreSystemDefaults = record("restoreSystemDefaults");
        a.postShowOnboarding = record("postShowOnboarding");
        a.close = record("close");
        a.openPanel = record("openPanel");
        return a;
    }

    static QString text(bool value) { return value ? "true" : "false"; }
    static QString text(int value) { return QString::number(value); }
    static QString text(std::optional<int> value) { return value ? QString::number(*value) : "none"; }
    template <typename E> static QString text(E value) { return QString::fromUtf8(toString(value).data()); }
};

} // namespace brisel::test
