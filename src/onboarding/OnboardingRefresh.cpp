// The coordinator's refresh: one pass that re-reads what the pages depend on outside the record,
// settles the record from it (requests a quit cut short included) and saves.

#include "OnboardingCoordinator.h"

#include "async/SerialQueue.h"
#include "model/TaskFields.h"

#include <algorithm>
#include <utility>

namespace brisel {

namespace {

Task<HelperReadiness> inspectHelper(HelperOperations helper) {
    auto inspect = helper.inspectCapabilities;
    co_return co_await runDetached(inspect);
}

// The keys a failed install leaves; a helper found ready since has answered them.
bool installError(const std::optional<std::string>& key) {
    return key == "onboarding.installFailed" || key == "onboarding.installCanceled" ||
           key == "onboarding.helperNotReady";
}

} // namespace

Task<void> OnboardingCoordinator::refresh() {
    if (busy() || checking() || bootstrapBlocked_ || !model_) return nothingToDo();
    checking = true;
    const std::uint64_t generation = ++refreshGeneration_;
    return runRefresh(QPointer<OnboardingCoordinator>(this), model_, generation);
}

Task<void> OnboardingCoordinator::runRefresh(QPointer<OnboardingCoordinator> self, QPointer<AppModel> model,
                                             std::uint64_t generation) {
    // Every exit ends the pass, a gone model or a throwing service included.
    ScopeExit done([self] {
        if (self) self->checking = false;
    });
    if (!self || !model) co_return;
    // The helper and the permission are read while the hardware is.
    Task<HelperReadiness> helper = inspectHelper(self->services_.helper);
    Task<std::string> permission = self->services_.notificationStatus();
    auto inspecting = model->inspectSetupHardware();
    const bool hardwareRead = co_await inspecting;
    if (self) self->hardwareKnown = hardwareRead;
    const HelperReadiness readiness = co_await helper;
    const std::string notification = co_await permission;
    // A newer pass owns what is published.
    if (!self || !model || self->refreshGeneration_ != generation) co_return;
    self->helperState = readiness;
    self->notificationState = notification;
    if (self->helperReady() && installError(self->error())) self->error = std::nullopt;

    auto loginRead = model->refreshLaunchAtLoginAndWait();
    co_await loginRead;
    if (!self || !model) co_return;
    self->loginState = model->launchAtLoginStatus();

    auto fingerprintRead = self->services_.currentNetworkFingerprint();
    const std::optional<std::string> fingerprint = co_await fingerprintRead;
    if (!self || !model) co_return;
    const auto& usual = model->usualFingerprints();
    self->networkAvailable = fingerprint.has_value();
    self->networkRemembered =
        fingerprint && std::find(usual.begin(), usual.end(), *fingerprint) != usual.end();

    auto settling = settleRecord(self, model, notification);
    co_await settling;
    if (!self) co_return;
    auto saving = self->persist();
    co_await saving;
}

// Each rule reads the record anew: other work on the main thread may change it between the awaits.
Task<void> OnboardingCoordinator::settleRecord(QPointer<OnboardingCoordinator> self, QPointer<AppModel> model,
                                               std::string notification) {
    if (!self || !model) co_return;
    if (self->helperReady())
        self->changeRecord([](OnboardingRecord& r) { r.helper = SetupDecision::enabled; });
    if (self->loginState() == "login.enabled" && self->record().login == SetupDecision::undecided)
        self->changeRecord([](OnboardingRecord& r) { r.login = SetupDecision::enabled; });

    const ReminderIntent reminder = self->record().reminder;
    if (reminder == ReminderIntent::undecided) {
        if (model->lowBatteryReminder() == ReminderIntent::enabled && notification == "notification.ready")
            self->changeRecord([](OnboardingRecord& r) { r.reminder = ReminderIntent::enabled; });
        if (notification == "notification.denied") {
            self->changeRecord([](OnboardingRecord& r) { r.reminder = ReminderIntent::disabled; });
            auto saving = model->setSetupReminder(ReminderIntent::disabled);
            const bool saved = co_await saving;
            if (!self || !model) co_return;
            self->noteReminderSave(saved);
        }
    } else if (reminder == ReminderIntent::enabled && notification == "notification.ready" &&
               model->lowBatteryReminder() != ReminderIntent::enabled) {
        auto saving = model->setSetupReminder(ReminderIntent::enabled);
        const bool saved = co_await saving;
        if (!self || !model) co_return;
        self->noteReminderSave(saved);
        if (!saved) self->error = "config.saveFailed";
    }

    if (self->hardwareKnown() && !self->hasBattery() && self->record().step == 0)
        self->changeRecord([](OnboardingRecord& r) { // no battery: nothing to choose on the habit page
            r.habit = OnboardingHabit::unchanged;
            r.step = 1;
        });
    if (self->hardwareKnown() && !(self->hasBattery() && model->mclSupported()))
        self->changeRecord([](OnboardingRecord& r) { r.habit = OnboardingHabit::unchanged; });

    // Requests a quit cut short are judged by what the machine shows now.
    if (self->record().helperInstall == SetupResult::unknown) {
        const SetupResult outcome = self->helperReady() ? SetupResult::confirmed : SetupResult::failed;
        self->changeRecord([outcome](OnboardingRecord& r) { r.helperInstall = outcome; });
    }
    if (self->record().loginRegistration == SetupResult::unknown) {
        // Against the decision: an unregistration is done once the item is off.
        const char* wanted = self->record().login == SetupDecision::skipped ? "login.off" : "login.enabled";
        const SetupResult outcome =
            self->loginState() == wanted ? SetupResult::confirmed : SetupResult::failed;
        self->changeRecord([outcome](OnboardingRecord& r) { r.loginRegistration = outcome; });
    }
    if (self->record().notificationRequest == SetupResult::unknown &&
        notification != "notification.unknown" && notification != "notification.unavailable") {
        self->changeRecord([](OnboardingRecord& r) { r.notificationRequest = SetupResult::confirmed; });
        if (notification == "notification.denied") {
            self->changeRecord([](OnboardingRecord& r) { r.reminder = ReminderIntent::disabled; });
            auto saving = model->setSetupReminder(ReminderIntent::disabled);
            const bool saved = co_await saving;
            if (!self) co_return;
            self->noteReminderSave(saved);
            if (!saved) self->error = "config.saveFailed";
        }
    }
}

void OnboardingCoordinator::noteReminderSave(bool saved) {
    reminderSaveFailed_ = !saved;
}

} // namespace brisel
