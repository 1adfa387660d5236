// The wizard's prerequisite actions: the helper, the login item, the reminder and its permission,
// the settings panes, the test notification and the usual network. Each records what it asks for
// and saves before the effect (a failed save ends it without the effect), then records and saves
// what came of it. `busy` covers each from its first change to its end, exceptions included.

#include "OnboardingCoordinator.h"

#include "async/SerialQueue.h"
#include "model/TaskFields.h"

namespace brisel {

namespace {

Task<void> refused() {
    co_return;
}

auto clearsBusy(QPointer<OnboardingCoordinator> self) {
    return ScopeExit([self] {
        if (self) self->busy = false;
    });
}

} // namespace

// ---- the helper ----

Task<void> OnboardingCoordinator::installHelper() {
    if (busy() || checking() || storageError() || !model_) return refused();
    busy = true;
    error = std::nullopt;
    changeRecord([](OnboardingRecord& r) { r.helperInstall = SetupResult::requested; });
    Task<bool> save = persist();
    return runInstallHelper(QPointer<OnboardingCoordinator>(this), model_, std::move(save));
}

Task<void> OnboardingCoordinator::runInstallHelper(QPointer<OnboardingCoordinator> self, QPointer<AppModel> model,
                                                   Task<bool> save) {
    auto idle = clearsBusy(self);
    const bool saved = co_await save;
    if (!self || !saved || !model) co_return;
    auto preparing = model->prepareSetupHelper();
    const HelperResult<void> prepared = co_await preparing;
    if (!self) co_return;
    // Inspecting may block, so it runs on a worker thread.
    auto inspect = self->services_.helper.inspectCapabilities;
    auto inspecting = runDetached(inspect);
    const HelperReadiness readiness = co_await inspecting;
    if (!self) co_return;
    self->helperState = readiness;
    const bool ready = self->helperReady();
    self->changeRecord([ready](OnboardingRecord& r) {
        r.helperInstall = ready ? SetupResult::confirmed : SetupResult::failed;
        if (ready) r.helper = SetupDecision::enabled;
    });
    // The key follows the preparation alone: an older helper may still answer after a cancel.
    if (!prepared)
        self->error = prepared.error().isUserCancellation() ? "onboarding.installCanceled" : "onboarding.installFailed";
    else if (!ready)
        self->error = "onboarding.helperNotReady";
    auto saving = self->persist();
    co_await saving;
}

// ---- the login item ----

Task<void> OnboardingCoordinator::chooseLogin(bool enabled) {
    if (busy() || checking() || storageError()) return refused();
    busy = true;
    changeRecord([](OnboardingRecord& r) { r.loginRegistration = SetupResult::requested; });
    Task<bool> save = persist();
    return runChooseLogin(QPointer<OnboardingCoordinator>(this), model_, std::move(save), enabled);
}

Task<void> OnboardingCoordinator::runChooseLogin(QPointer<OnboardingCoordinator> self, QPointer<AppModel> model,
                                                 Task<bool> save, bool enabled) {
    auto idle = clearsBusy(self);
    const bool saved = co_await save;
    if (!self || !saved) co_return;
    self->error = std::nullopt;
    auto switching = self->services_.setLogin(enabled);
    const std::optional<std::string> failure = co_await switching;
    if (!self) co_return;
    if (failure) {
        self->error = "onboarding.loginFailed";
        self->changeRecord([](OnboardingRecord& r) { r.loginRegistration = SetupResult::failed; });
    } else {
        if (model) {
            auto reading = model->refreshLaunchAtLoginAndWait();
            co_await reading;
            if (!self) co_return;
        }
        self->loginState = model ? model->launchAtLoginStatus() : std::string("login.unknown");
        const bool matches = self->loginState() == (enabled ? "login.enabled" : "login.off");
        self->changeRecord([enabled, matches](OnboardingRecord& r) {
            r.login = enabled ? SetupDecision::enabled : SetupDecision::skipped;
            r.loginRegistration = matches ? SetupResult::confirmed : SetupResult::unknown;
        });
        if (self->loginState() == "login.notFound") self->error = "onboarding.installLocation";
    }
    auto saving = self->persist();
    co_await saving;
}

// ---- the low-battery reminder ----

Task<void> OnboardingCoordinator::chooseReminder(bool enabled) {
    if (busy() || checking() || storageError() || !model_) return refused();
    busy = true;
    error = std::nullopt;
    changeRecord([enabled](OnboardingRecord& r) {
        r.reminder = enabled ? ReminderIntent::enabled : ReminderIntent::disabled;
        r.notificationRequest = enabled ? SetupResult::requested : SetupResult::confirmed;
    });
    Task<bool> save = persist();
    return runChooseReminder(QPointer<OnboardingCoordinator>(this), model_, std::move(save), enabled);
}

Task<void> OnboardingCoordinator::runChooseReminder(QPointer<OnboardingCoordinator> self, QPointer<AppModel> model,
                                                    Task<bool> save, bool enabled) {
    auto idle = clearsBusy(self);
    const bool saved = co_await save;
    if (!self || !saved) co_return;
    if (enabled) {
        auto asking = self->services_.requestNotification();
        const std::string status = co_await asking;
        if (!self) co_return;
        self->notificationState = status;
        const bool unanswered = status == "notification.unknown" || status == "notification.unavailable";
        // A denial answers the request too; it only turns the reminder off.
        self->changeRecord([&status, unanswered](OnboardingRecord& r) {
            if (status == "notification.denied") r.reminder = ReminderIntent::disabled;
            r.notificationRequest = unanswered ? SetupResult::unknown : SetupResult::confirmed;
        });
        if (unanswered) self->error = "onboarding.notificationFailed";
    }
    if (model) {
        auto storing = model->setSetupReminder(self->record().reminder);
        const bool stored = co_await storing;
        if (!self) co_return;
        self->noteReminderSave(stored);
        if (!stored) self->error = "config.saveFailed";
    }
    auto saving = self->persist();
    co_await saving;
}

// ---- settings panes and the test notification ----

Task<void> OnboardingCoordinator::openSettings(bool notification) {
    if (busy() || storageError()) return refused();
    busy = true;
    // Sending the user to the notification settings means they want the reminder.
    if (notification) changeRecord([](OnboardingRecord& r) { r.reminder = ReminderIntent::enabled; });
    Task<bool> save = persist();
    return runOpenSettings(QPointer<OnboardingCoordinator>(this), std::move(save), notification);
}

Task<void> OnboardingCoordinator::runOpenSettings(QPointer<OnboardingCoordinator> self, Task<bool> save,
                                                  bool notification) {
    auto idle = clearsBusy(self);
    const bool saved = co_await save;
    if (!self || !saved) co_return;
    const bool opened =
        notification ? self->services_.openNotificationSettings() : self->services_.openLoginSettings();
    if (!opened) self->error = "onboarding.settingsFailed";
}

Task<void> OnboardingCoordinator::testNotification() {
    if (busy() || record().reminder != ReminderIntent::enabled || notificationState() != "notification.ready")
        return refused();
    busy = true;
    return runTestNotification(QPointer<OnboardingCoordinator>(this));
}

Task<void> OnboardingCoordinator::runTestNotification(QPointer<OnboardingCoordinator> self) {
    auto idle = clearsBusy(self);
    if (!self) co_return;
    auto sending = self->services_.testNotification();
    const std::string status = co_await sending;
    if (self) self->testState = status;
}

// ---- the usual network ----

Task<void> OnboardingCoordinator::rememberNetwork() {
    if (busy() || storageError() || !model_) return refused();
    busy = true;
    Task<bool> save = persist();
    return runRememberNetwork(QPointer<OnboardingCoordinator>(this), model_, std::move(save));
}

Task<void> OnboardingCoordinator::runRememberNetwork(QPointer<OnboardingCoordinator> self, QPointer<AppModel> model,
                                                     Task<bool> save) {
    auto idle = clearsBusy(self);
    const bool saved = co_await save;
    if (!self) co_return;
    bool remembered = false;
    if (saved && model) {
        auto remembering = model->rememberCurrentNetwork();
        remembered = co_await remembering;
        if (!self) co_return;
    }
    if (remembered)
        self->networkRemembered = true;
    else
        self->error = "onboarding.networkUnavailable";
}

} // namespace brisel
