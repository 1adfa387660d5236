// The charge limit: its settings, the user's actions, the serial queue of charge operations, the
// reconciliation that writes the limit only when the hardware does not hold it, and the values the
// views derive from all that.

#include "AppModel.h"

#include "model/TaskFields.h"

#include <algorithm>
#include <climits>

namespace brisel {

namespace {

// Settings may hold any 64-bit value (the setters store what they are given); the hardware and the
// smart plan take an int.
int saturatedInt(std::int64_t value) {
    return static_cast<int>(std::clamp<std::int64_t>(value, INT_MIN, INT_MAX));
}

} // namespace

// ---- settings and actions ----

void AppModel::chargeSettingChanged() {
    if (isBatchUpdating) return;
    saveConfig();
    resetChargeOperations();
    reconcileLimitIfNeeded(false);
}

void AppModel::resetChargeOperations() {
    ++chargeGeneration;
    pendingChargeRecovery = std::nullopt;
    temporaryFullChargeActive = false;
}

void AppModel::applyLimit(std::int64_t limit) {
    if (isShuttingDown) return;
    resetChargeOperations();
    inBatch([this, limit] {
        if (smartEnabled()) smartEnabled = false;
        manualLimit = limit; // also when equal: the user asked for it to be written
    });
    saveConfig();
    lastError = std::nullopt; // the user acted: whatever was shown is old news
    lastLimitAttemptFailed = false;
    lastLimitAttemptTarget = std::nullopt;
    reconcileLimitIfNeeded(true);
    refresh();
}

// Unlike applyLimit, the memory of a failed attempt stays: the forced write ignores it anyway.
void AppModel::resumeChargeLimit() {
    if (isShuttingDown) return;
    resetChargeOperations();
    lastError = std::nullopt;
    reconcileLimitIfNeeded(true);
    refresh();
}

bool AppModel::canTemporarilyChargeToFull() const {
    const BatteryInfo& reading = battery();
    return mclSupported() && temporaryFullChargeSupported() && reading.present && reading.installed &&
           reading.externalConnected && !reading.fullyCharged && (!reading.percent || *reading.percent < 100);
}

// Like every charge operation, only once set-up has handed charge control to the application.
void AppModel::chargeToFullNow() {
    if (isShuttingDown || !setupChargeEnabled) return;
    if (canTemporarilyChargeToFull()) {
        const std::uint64_t generation = ++chargeGeneration;
        // Before queueing: an unforced reconciliation queued meanwhile stands aside.
        pendingChargeRecovery = ChargeRecovery::temporaryFull;
        enqueueChargeOperation(true, [generation](QPointer<AppModel> model) {
            return runChargeToFull(std::move(model), generation);
        });
        return;
    }
    if (cancelIneligibleTemporaryCharge()) reconcileLimitIfNeeded(true);
}

Task<void> AppModel::runChargeToFull(QPointer<AppModel> self, std::uint64_t generation) {
    auto current = [generation](const AppModel& model) {
        return model.chargeGeneration == generation && !model.isShuttingDown;
    };
    if (!self || !current(*self)) co_return;
    auto request = self->services.chargeToFullNow();
    const std::optional<HardwareFailure> failure = co_await request;
    if (!self || !current(*self)) co_return;
    if (failure) {
        self->reportError(FeedbackDomain::charging, self->translate(failure->message));
        self->pendingChargeRecovery =
            failure->awaitingRecovery ? std::optional(ChargeRecovery::temporaryFull) : std::nullopt;
    } else {
        self->clearFeedbackError(FeedbackDomain::charging);
        self->pendingChargeRecovery = std::nullopt;
        self->temporaryFullChargeActive = true;
    }
    self->refresh();
}

// ---- the queue ----

void AppModel::enqueueChargeOperation(bool showPendingState, ChargeOperation operation) {
    std::optional<Task<void>> previous = chargeTask;
    if (showPendingState) chargeLimitBusy = true;
    const Uuid id = Uuid::random();
    chargeTaskID = id;
    chargeTask = runChargeOperation(QPointer<AppModel>(this), std::move(previous), std::move(operation), id);
}

// Operations run strictly in queue order. Only the newest one clears the busy flag and the field,
// so the flag stays on until the queue has drained.
Task<void> AppModel::runChargeOperation(QPointer<AppModel> self, std::optional<Task<void>> previous,
                                        ChargeOperation operation, Uuid id) {
    ScopeExit finished([self, id] {
        if (!self || self->chargeTaskID != id) return;
        self->chargeTask.reset();
        if (self->chargeLimitBusy()) self->chargeLimitBusy = false;
    });
    auto earlier = awaitOnce(std::move(previous));
    co_await earlier;
    if (!self) co_return;
    auto running = operation(self);
    co_await running;
}

void AppModel::reconcileLimitIfNeeded(bool force) {
    if (!setupChargeEnabled) return;
    const std::uint64_t generation = chargeGeneration;
    enqueueChargeOperation(force, [force, generation](QPointer<AppModel> model) {
        return runQueuedReconciliation(std::move(model), force, generation);
    });
}

Task<void> AppModel::runQueuedReconciliation(QPointer<AppModel> self, bool force, std::uint64_t generation) {
    if (!self || self->chargeGeneration != generation || self->isShuttingDown) co_return;
    auto reconciling = self->performLimitReconciliation(force, generation);
    co_await reconciling;
}

Task<void> AppModel::performLimitReconciliation(bool force, std::uint64_t generation) {
    return runLimitReconciliation(QPointer<AppModel>(this), force, generation);
}

bool AppModel::limitInPlace(std::int64_t target) const {
    if (target == 100) return currentLimit() == 100; // a limit of 100 holds nothing back, on or off
    if (target == 0) return !limitEnabled();
    return currentLimit() == target && limitEnabled();
}

Task<void> AppModel::runLimitReconciliation(QPointer<AppModel> self, bool force, std::uint64_t generation) {
    if (!self || !self->setupChargeEnabled || !self->mclSupported() || !self->currentLimit()) co_return;
    const bool forced = force || self->pendingChargeRecovery == ChargeRecovery::limit;
    if (!forced &&
        (self->temporaryFullChargeActive() || self->pendingChargeRecovery == ChargeRecovery::temporaryFull))
        co_return;
    const std::int64_t target = self->registeredTarget();
    const bool changed = self->lastRegisteredTarget && *self->lastRegisteredTarget != target;
    if (!forced && !changed && self->limitInPlace(target)) {
        self->lastRegisteredTarget = target;
        self->selection = target;
        self->clearFeedbackError(FeedbackDomain::charging);
        self->lastLimitAttemptFailed = false;
        co_return;
    }

    // A failing target is retried at most once per refresh interval unless forced.
    const double now = self->services.now();
    const double window = static_cast<double>(std::max<std::int64_t>(self->refreshSeconds(), 1));
    if (!forced && self->lastLimitAttemptFailed && self->lastLimitAttemptTarget == target &&
        now - self->lastLimitAttemptTime < window)
        co_return;
    self->lastLimitAttemptTarget = target;
    self->lastLimitAttemptTime = now;
    self->chargeLimitBusy = true;

    std::optional<HardwareFailure> failure;
    if (target == 0) {
        auto writing = self->services.disableLimit();
        failure = co_await writing;
    } else {
        auto writing = self->services.setLimit(saturatedInt(target));
        failure = co_await writing;
    }
    if (!self || self->chargeGeneration != generation || self->isShuttingDown) co_return;
    if (failure) {
        self->reportError(FeedbackDomain::charging, self->translate(failure->message));
        self->pendingChargeRecovery =
            failure->awaitingRecovery ? std::optional(ChargeRecovery::limit) : std::nullopt;
        self->lastLimitAttemptFailed = true;
        co_return;
    }
    self->clearFeedbackError(FeedbackDomain::charging);
    self->pendingChargeRecovery = std::nullopt;
    self->lastLimitAttemptFailed = false;
    self->lastRegisteredTarget = target;
    self->currentLimit = saturatedInt(target);
    self->limitEnabled = target >= 1;
    self->selection = target;
}

// ---- recovery and the timer ----

void AppModel::recoverHardwareOperations() {
    if (isShuttingDown || hardwareRecoveryTask) return;
    hardwareRecoveryTask = runHardwareRecovery(QPointer<AppModel>(this));
}

Task<void> AppModel::runHardwareRecovery(QPointer<AppModel> self) {
    if (!self) co_return;
    auto release = clearOnExit(self, &AppModel::hardwareRecoveryTask);
    auto drained = awaitUntilEmpty(self, &AppModel::chargeTask);
    co_await drained;
    if (!self || self->isShuttingDown) co_return;
    if (self->pendingChargeRecovery == ChargeRecovery::temporaryFull)
        self->chargeToFullNow();
    else if (self->pendingChargeRecovery == ChargeRecovery::limit)
        self->reconcileLimitIfNeeded(true);
    self->refresh();
}

void AppModel::restartTimer() {
    timer.reset();
    if (!services.scheduleTimers || isShuttingDown) return;
    // The clock saturates the interval, so a huge setting waits long instead of never starting.
    const double seconds = static_cast<double>(std::max<std::int64_t>(refreshSeconds(), 1));
    QPointer<AppModel> self(this);
    timer = clock_->repeating(seconds, [self] {
        if (self) self->refresh();
    });
}

// ---- derived values ----

SmartPolicy AppModel::smartPolicy() const {
    return SmartPolicy{
        .defaultLimit = saturatedInt(holdLimit()),
        .topupLimit = saturatedInt(topupLimit()),
        .topupLeadHours = saturatedInt(topupLeadHours()),
        .minSamplesPerHour = saturatedInt(minSamplesPerHour()),
    };
}

std::int64_t AppModel::registeredTarget() const {
    if (!smartEnabled()) return manualLimit();
    return smartPolicy().decide(clock_->localHour(), profile).target;
}

std::int64_t AppModel::chargeOperationTarget() const {
    return pendingChargeRecovery == ChargeRecovery::temporaryFull ? 100 : registeredTarget();
}

// The wanted value is shown while it is not confirmed yet.
std::int64_t AppModel::chargeDisplaySelection() const {
    if (!chargeLimitBusy() && !pendingChargeRecovery && !lastLimitAttemptFailed) return selection();
    return registeredTarget();
}

std::optional<std::string> AppModel::chargeOperationStatus() const {
    if (chargeLimitBusy()) return "charge.applying";
    if (pendingChargeRecovery) return "charge.waitingRecovery";
    if (!lastLimitAttemptFailed || temporaryFullChargeActive()) return std::nullopt;
    return "charge.retrying";
}

std::optional<int> AppModel::predictedUnplugHour() const {
    return profile.predictedUnplugHour(saturatedInt(minSamplesPerHour()));
}

std::string AppModel::smartPlanKey() const {
    if (topupLeadHours() == 0) return "smart.topupOff";
    if (!predictedUnplugHour()) return "smart.learning";
    if (registeredTarget() == topupLimit()) return "smart.toppingUp";
    return "smart.plan";
}

} // namespace brisel
