// The coordinator's creation and teardown, and every value derived from its state and the model's.

#include "OnboardingCoordinator.h"

#include "async/MainThread.h"
#include "platform/SystemEvents.h"

#include <algorithm>
#include <memory>
#include <utility>

namespace brisel {

namespace {

// The wizard has pages 0 to 4, and 5 once completed. A hand-edited or stray step would otherwise
// show the completion page under the wizard's bar, with a Next that counts on for ever; an
// unfinished run goes back to the confirmation page, which checks everything again.
OnboardingRecord withWizardStep(OnboardingRecord record) {
    if (record.step < 0)
        record.step = 0;
    else if (record.step > 4)
        record.step = record.completed ? 5 : 4;
    return record;
}

} // namespace

OnboardingCoordinator::OnboardingCoordinator(AppModel& model, AppServices services, OnboardingStore store,
                                             const OnboardingStartup& startup)
    : storageError(*this, startup.error), record_(*this, withWizardStep(startup.record)), model_(&model),
      services_(std::move(services)), store_(std::move(store)), bootstrapBlocked_(startup.error.has_value()) {
    if (!services_.applicationNotifications) return;
    QPointer<OnboardingCoordinator> self(this);
    observer_ = services_.applicationNotifications->addObserver(notification_names::applicationDidBecomeActive,
                                                                [self](const Notification&) {
                                                                    postToMain([self] {
                                                                        if (self) self->refresh();
                                                                    });
                                                                });
}

OnboardingCoordinator::~OnboardingCoordinator() {
    if (observer_) services_.applicationNotifications->removeObserver(*observer_);
}

OnboardingFactory OnboardingCoordinator::factory() {
    return [](AppModel& model, const AppServices& services, const OnboardingStore& store,
              const OnboardingStartup& startup) -> std::unique_ptr<OnboardingCoordinatorInterface> {
        return std::make_unique<OnboardingCoordinator>(model, services, store, startup);
    };
}

void OnboardingCoordinator::noteChanged() {
    if (changePosted_) return;
    changePosted_ = true;
    QPointer<OnboardingCoordinator> self(this);
    postToMain([self] {
        if (!self) return;
        self->changePosted_ = false;
        emit self->changed();
    });
}

void OnboardingCoordinator::changeRecord(const std::function<void(OnboardingRecord&)>& change) {
    OnboardingRecord next = record_();
    change(next);
    record_ = std::move(next);
}

void OnboardingCoordinator::adopt(const OnboardingRecord& record) {
    record_ = withWizardStep(record);
}

bool OnboardingCoordinator::requiresSetup() const {
    return (!record().completed && !record().existingUser) || storageError().has_value();
}

bool OnboardingCoordinator::hasBattery() const {
    return hardwareKnown() && model_ && model_->battery().present && model_->battery().installed;
}

bool OnboardingCoordinator::hasLid() const {
    return hardwareKnown() && model_ && model_->hasClamshell();
}

bool OnboardingCoordinator::canCharge() const {
    return hasBattery() && model_->mclSupported();
}

bool OnboardingCoordinator::chargeChosen() const {
    return canCharge() && record().habit != OnboardingHabit::unchanged;
}

bool OnboardingCoordinator::offersEnergyModes() const {
    return model_ && model_->availableEnergyModes().size() > 1;
}

bool OnboardingCoordinator::helperUseful() const {
    return hasLid() || offersEnergyModes();
}

bool OnboardingCoordinator::helperReady() const {
    const auto& capabilities = helperState().capabilities();
    return helperState().kind() == HelperReadiness::Kind::ready && capabilities &&
           capabilities->supports(hasLid(), offersEnergyModes());
}

bool OnboardingCoordinator::helperResolved() const {
    return !helperUseful() || helperReady() ||
           (record().helper == SetupDecision::skipped && record().task != OnboardingTask::lid);
}

bool OnboardingCoordinator::loginResolved() const {
    return (record().login == SetupDecision::skipped && loginState() == "login.off") ||
           (record().login == SetupDecision::enabled && loginState() == "login.enabled");
}

bool OnboardingCoordinator::notificationResolved() const {
    if (!hasBattery()) return true; // no battery, nothing to remind of
    if (!model_ || !model_->lowBatteryReminder()) return false;
    if (*model_->lowBatteryReminder() != record().reminder) return false;
    switch (record().reminder) {
    case ReminderIntent::disabled:
        return true;
    case ReminderIntent::enabled:
        return notificationState() == "notification.ready";
    case ReminderIntent::undecided:
        break;
    }
    return false;
}

std::string OnboardingCoordinator::loginSummaryKey() const {
    if (loginState() == "login.enabled") return "onboarding.loginReady";
    if (record().login == SetupDecision::skipped && loginState() == "login.off")
        return "onboarding.loginManualShort";
    return loginState();
}

// A choice the settings do not hold reads as a failed save only after a save did fail: the choice
// may also be ahead of the settings on purpose (reminders chosen while permission is still denied).
std::string OnboardingCoordinator::notificationSummaryKey() const {
    const ReminderIntent chosen = record().reminder;
    const bool settingsDiffer = !model_ || model_->lowBatteryReminder() != chosen;
    if (reminderSaveFailed_ && chosen != ReminderIntent::undecided && settingsDiffer)
        return "config.saveFailed";
    if (chosen == ReminderIntent::disabled) return "onboarding.reminderOffShort";
    if (chosen == ReminderIntent::enabled && notificationState() == "notification.ready")
        return "onboarding.notificationReady";
    return notificationState();
}

std::vector<int> OnboardingCoordinator::limits() const {
    std::vector<int> offered;
    if (!model_) return offered;
    std::copy_if(model_->availableLimits().begin(), model_->availableLimits().end(),
                 std::back_inserter(offered), [](int limit) { return limit >= 1; });
    return offered;
}

std::optional<int> OnboardingCoordinator::selectedLimit() const {
    const std::vector<int> offered = limits();
    if (std::find(offered.begin(), offered.end(), record().targetLimit) == offered.end()) return std::nullopt;
    return static_cast<int>(record().targetLimit);
}

bool OnboardingCoordinator::requiresLimitSelection() const {
    return hasBattery() && model_->mclSupported() && record().habit != OnboardingHabit::unchanged &&
           !selectedLimit();
}

bool OnboardingCoordinator::prerequisitesReady() const {
    const bool stopRunning = model_ && model_->taskStopBusy();
    return hardwareKnown() && helperResolved() && loginResolved() && notificationResolved() &&
           !requiresLimitSelection() && !record().stopPending && !stopRunning;
}

bool OnboardingCoordinator::hasStopResult() const {
    return record().stopPending || (model_ && !model_->taskStopStatus().empty());
}

bool OnboardingCoordinator::stopNeedsRetry() const {
    if (model_ && model_->taskStopBusy()) return false;
    return record().stopPending || (model_ && model_->hasPendingAwakeStop());
}

std::string OnboardingCoordinator::resultKey(SetupResult recorded, std::optional<SetupResult> stopped) const {
    if (!hasStopResult()) return localizationKey(recorded);
    if (stopped == SetupResult::requested) return "onboarding.stopping";
    if (stopped == SetupResult::confirmed) return "onboarding.stopConfirmed";
    return "onboarding.stopUnconfirmed";
}

std::string OnboardingCoordinator::ordinaryResultKey() const {
    return resultKey(record().ordinary, model_ ? std::optional(model_->taskStopOrdinary()) : std::nullopt);
}

std::string OnboardingCoordinator::lidResultKey() const {
    return resultKey(record().lid, model_ ? std::optional(model_->taskStopLid()) : std::nullopt);
}

bool OnboardingCoordinator::canAdvance() const {
    if (busy() || checking() || storageError() || !hardwareKnown()) return false;
    switch (record().step) {
    case 0:
        return !requiresLimitSelection();
    case 2:
        return helperResolved();
    case 3:
        return loginResolved() && notificationResolved();
    case 4:
        return prerequisitesReady();
    default:
        return true;
    }
}

std::optional<int> OnboardingCoordinator::currentLimit() const {
    return model_ ? model_->currentLimit() : std::nullopt;
}

std::optional<int> OnboardingCoordinator::predictedHour() const {
    return model_ ? model_->setupPredictionHour() : std::nullopt;
}

bool OnboardingCoordinator::temporaryFullAvailable() const {
    if (!hasBattery()) return false;
    const AppModel& model = *model_;
    const auto& percent = model.battery().percent;
    const auto& limit = model.currentLimit();
    return model.mclSupported() && record().habit != OnboardingHabit::unchanged &&
           model.temporaryFullChargeSupported() && model.battery().externalConnected && percent &&
           *percent <= 99 && limit && *limit <= 99 && model.limitEnabled();
}

bool OnboardingCoordinator::pluggedIn() const {
    return model_ && model_->battery().externalConnected;
}

} // namespace brisel
