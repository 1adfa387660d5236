// What the set-up wizard (and, for the reminder, the settings) asks of the model before anything is
// applied: one hardware read on demand, installing or repairing the helper, the low-battery
// reminder choice, the notification permission and its settings pane.

#include "AppModel.h"

#include "async/SerialQueue.h"
#include "model/TaskFields.h"

#include <algorithm>
#include <utility>

namespace brisel {

namespace {

Task<HelperResult<void>> refusedPreparation() {
    co_return HelperResult<void>(HelperError{"onboarding.busy", 0});
}

template <typename T> Task<T> readyTask(T value) {
    co_return value;
}

} // namespace

Task<bool> AppModel::inspectSetupHardware() {
    return runSetupHardwareInspection(QPointer<AppModel>(this));
}

// The hardware queue runs one operation at a time and refuses a second as "pending". The refresh
// loop and the charge queue read and write through it on their own schedule, so the wizard's read
// waits for both first, and reads once more when it still meets one of them.
Task<bool> AppModel::runSetupHardwareInspection(QPointer<AppModel> self) {
    HardwareFailure failure;
    for (int attempt = 0; attempt < 2; ++attempt) {
        auto idle = awaitHardwareQueue(self);
        co_await idle;
        if (!self) co_return false;
        auto reading = self->services.readHardware();
        const HardwareResult<HardwareSnapshot> result = co_await reading;
        if (!self) co_return false;
        if (const auto* snapshot = std::get_if<HardwareSnapshot>(&result)) {
            // A good read ends a hardware error shown by the reads, unless a newer error replaced it.
            if (self->hardwareRefreshErrorRevision &&
                *self->hardwareRefreshErrorRevision == self->lastErrorRevision)
                self->lastError = std::nullopt;
            self->hardwareRefreshErrorRevision = std::nullopt;
            self->acceptHardware(*snapshot);
            co_return true;
        }
        failure = std::get<HardwareFailure>(result);
        if (failure.message != HardwareIO::pendingMessage) break;
    }
    // Shown like a failed refresh, so that the next good read clears it.
    self->lastError = self->translate(failure.message);
    self->hardwareRefreshErrorRevision = self->lastErrorRevision;
    co_return false;
}

Task<HelperResult<void>> AppModel::prepareSetupHelper() {
    if (helperBusy() || energyModeBusy() || isShuttingDown) return refusedPreparation();
    helperBusy = true;
    return runSetupHelperPreparation(QPointer<AppModel>(this), services.helper);
}

// Three steps one after another, each on a worker thread: install (and wait for the helper only
// when that worked), then read back both flags, whatever the install gave.
Task<HelperResult<void>> AppModel::runSetupHelperPreparation(QPointer<AppModel> self,
                                                             HelperOperations helper) {
    ScopeExit idle([self] {
        if (self) self->helperBusy = false;
    });
    auto install = [helper] {
        HelperResult<void> installed = helper.install();
        if (installed) helper.waitForHelper();
        return installed;
    };
    const HelperResult<void> result = co_await runDetached(install);
    if (!self) co_return result;
    auto readInstalled = helper.isInstalled;
    const bool installed = co_await runDetached(readInstalled);
    if (!self) co_return result;
    self->helperInstalled = installed;
    auto readFiles = helper.filesPresent;
    const bool filesPresent = co_await runDetached(readFiles);
    if (!self) co_return result;
    self->helperFilesPresent = filesPresent;
    co_return result;
}

Task<bool> AppModel::setSetupReminder(ReminderIntent intent) {
    const std::uint64_t generation = ++reminderGeneration;
    const std::optional<ReminderIntent> previous = lowBatteryReminder();
    inBatch([this, intent] { lowBatteryReminder = intent; });
    Task<bool> save = saveConfig();
    return runSetupReminderSave(QPointer<AppModel>(this), std::move(save), intent, previous, generation,
                                configRevision);
}

Task<bool> AppModel::runSetupReminderSave(QPointer<AppModel> self, Task<bool> save, ReminderIntent intent,
                                          std::optional<ReminderIntent> previous, std::uint64_t generation,
                                          std::uint64_t revision) {
    const bool saved = co_await save;
    if (!self) co_return saved;
    if (saved) {
        self->lowBatteryNotified = false;
        co_return true;
    }
    // The choice goes back only while nothing newer (another choice, another save) followed it.
    if (self->reminderGeneration == generation && self->configRevision == revision &&
        self->lowBatteryReminder() == intent)
        self->inBatch([&self, previous] { self->lowBatteryReminder = previous; });
    co_return false;
}

void AppModel::requestLowBatteryPermission() {
    if (notificationBusy()) return;
    notificationBusy = true;
    runPermissionRequest(QPointer<AppModel>(this));
}

Task<void> AppModel::runPermissionRequest(QPointer<AppModel> self) {
    ScopeExit idle([self] {
        if (self) self->notificationBusy = false;
    });
    if (!self) co_return;
    auto asking = self->services.requestNotification();
    const std::string status = co_await asking;
    if (!self) co_return;
    self->notificationStatus = status;
    ReminderIntent choice = ReminderIntent::undecided;
    if (status == "notification.denied")
        choice = ReminderIntent::disabled;
    else if (status == "notification.ready" || status == "notification.alertsOff")
        choice = ReminderIntent::enabled;
    auto saving = self->setSetupReminder(choice);
    co_await saving;
}

void AppModel::openLowBatterySettings() {
    if (!services.openNotificationSettings()) lastError = translate("onboarding.settingsFailed");
}

// ---- applying the wizard's choices ----

bool AppModel::setupChargeMatches(int target) const {
    return currentLimit().has_value() && limitInPlace(target);
}

Task<SetupResult> AppModel::applySetupCharge(OnboardingHabit habit, int target) {
    const std::vector<int>& limits = availableLimits();
    if (isShuttingDown || !hasHardwareSnapshot || !mclSupported() ||
        std::find(limits.begin(), limits.end(), target) == limits.end())
        return readyTask(SetupResult::failed);
    // Charge control waits for the wizard's confirmation; queued charge work becomes stale.
    setupChargeEnabled = false;
    ++chargeGeneration;
    return runSetupCharge(QPointer<AppModel>(this), habit, target, setupActionGeneration);
}

Task<void> AppModel::awaitHardwareQueue(QPointer<AppModel> self) {
    while (self && (self->refreshTask || self->chargeTask)) {
        const std::optional<Task<void>> refresh = self->refreshTask;
        const std::optional<Task<void>> charge = self->chargeTask;
        auto refreshes = awaitUntilEmpty(self, &AppModel::refreshTask);
        co_await refreshes;
        auto charges = awaitUntilEmpty(self, &AppModel::chargeTask);
        co_await charges;
        // Fields still naming the tasks just awaited would only spin.
        if (!self || (self->refreshTask == refresh && self->chargeTask == charge)) co_return;
    }
}

Task<SetupResult> AppModel::runSetupCharge(QPointer<AppModel> self, OnboardingHabit habit, int target,
                                           std::uint64_t generation) {
    auto charges = awaitUntilEmpty(self, &AppModel::chargeTask);
    co_await charges;
    if (!self) co_return SetupResult::failed;
    self->inBatch([&self, habit, target] {
        self->smartEnabled = habit == OnboardingHabit::mobile;
        self->manualLimit = target;
        self->holdLimit = target;
    });
    auto saving = self->saveConfig();
    const bool saved = co_await saving;
    if (!self || !saved || self->setupActionGeneration != generation || self->isShuttingDown)
        co_return SetupResult::failed;

    // Both settings were just set to an int limit, and the plan's targets are limits too.
    const int written = static_cast<int>(self->registeredTarget());
    // The refresh loop and the charge queue share the one-at-a-time hardware queue, which refuses
    // a write while either runs: wait for both, and once more if the write still met one.
    std::optional<HardwareFailure> failure;
    for (int attempt = 0; attempt < 2; ++attempt) {
        auto idle = awaitHardwareQueue(self);
        co_await idle;
        if (!self) co_return SetupResult::failed;
        auto writing = self->services.setLimit(written);
        failure = co_await writing;
        if (!self) co_return SetupResult::failed;
        if (!failure || failure->message != HardwareIO::pendingMessage) break;
    }
    if (failure)
        self->reportError(FeedbackDomain::charging, self->translate(failure->message));
    else
        self->clearFeedbackError(FeedbackDomain::charging);

    auto reading = self->inspectSetupHardware();
    const bool read = co_await reading;
    if (!self || !read) co_return SetupResult::unknown;
    if (self->setupChargeMatches(written)) {
        self->lastRegisteredTarget = written;
        self->selection = written;
        co_return SetupResult::confirmed;
    }
    co_return failure && failure->awaitingRecovery ? SetupResult::unknown : SetupResult::failed;
}

Task<std::pair<SetupResult, SetupResult>> AppModel::applySetupAwake(OnboardingTask task, bool applyOrdinary,
                                                                    bool applyLid) {
    using Results = std::pair<SetupResult, SetupResult>;
    const bool lid = task == OnboardingTask::lid;
    if (isShuttingDown || !hasHardwareSnapshot) return readyTask(Results{SetupResult::failed, SetupResult::idle});
    if (task == OnboardingTask::none) {
        restoreSystemDefaults();
        return runSetupAwakeStop(QPointer<AppModel>(this));
    }
    if (hasPendingAwakeStop())
        return readyTask(Results{SetupResult::failed, lid ? SetupResult::failed : SetupResult::idle});
    inBatch([this, lid] {
        keepAwake = true;
        keepAwakeOnLidClosed = lid;
        keepDisplayAwake = false;
    });
    return runSetupAwake(QPointer<AppModel>(this), task, applyOrdinary, applyLid, setupActionGeneration);
}

Task<std::pair<SetupResult, SetupResult>> AppModel::runSetupAwakeStop(QPointer<AppModel> self) {
    auto stopping = awaitUntilEmpty(self, &AppModel::taskStopTask);
    co_await stopping;
    if (!self) co_return std::pair{SetupResult::failed, SetupResult::idle};
    co_return std::pair{self->taskStopOrdinary(), self->taskStopLid()};
}

Task<std::pair<SetupResult, SetupResult>> AppModel::runSetupAwake(QPointer<AppModel> self, OnboardingTask task,
                                                                  bool applyOrdinary, bool applyLid,
                                                                  std::uint64_t generation) {
    const bool lid = task == OnboardingTask::lid;
    const std::pair refused{SetupResult::failed, lid ? SetupResult::failed : SetupResult::idle};
    if (!self) co_return refused;
    auto saving = self->saveConfig();
    const bool saved = co_await saving;
    if (!self || !saved || self->setupActionGeneration != generation || self->isShuttingDown) co_return refused;

    self->setupAwakeEnabled = true;
    self->configureAwayEngine();
    if (applyOrdinary) self->applyAssertions();
    if (lid && applyLid) {
        self->applyLidClosedSleep(true, false);
        auto lidWork = awaitUntilEmpty(self, &AppModel::helperTask);
        co_await lidWork;
        if (!self) co_return refused;
    }
    // Switched back off meanwhile (by the user, or an observer that refused it).
    if (!self->keepAwake() || (lid && !self->keepAwakeOnLidClosed()))
        co_return std::pair{SetupResult::failed, SetupResult::idle};

    auto asserting = self->inspectSetupAssertion();
    const std::optional<bool> held = co_await asserting;
    if (!self) co_return refused;
    const SetupResult ordinary = !held ? SetupResult::unknown : *held ? SetupResult::confirmed : SetupResult::failed;
    if (!lid) co_return std::pair{ordinary, SetupResult::idle};

    auto inspecting = self->inspectSetupLid();
    const std::optional<bool> sleepDisabled = co_await inspecting;
    if (!self || !sleepDisabled) co_return std::pair{ordinary, SetupResult::unknown};
    if (!*sleepDisabled) co_return std::pair{ordinary, SetupResult::failed};
    // Off now, but a write the helper refused is still owed: not settled yet.
    const bool owed = self->lidWriteNeedsRetry && self->helperStatus().has_value();
    co_return std::pair{ordinary, owed ? SetupResult::unknown : SetupResult::confirmed};
}

Task<std::optional<bool>> AppModel::inspectSetupLid() {
    return runSetupLidInspection(QPointer<AppModel>(this));
}

Task<std::optional<bool>> AppModel::runSetupLidInspection(QPointer<AppModel> self) {
    if (!self) co_return std::nullopt;
    auto read = [helper = self->services.helper] { return helper.readSleepDisabled(); };
    auto reading = self->helperIO.run(read);
    const HardwareResult<std::optional<bool>> result = co_await reading;
    const auto* value = std::get_if<std::optional<bool>>(&result);
    co_return value ? *value : std::nullopt;
}

Task<std::optional<bool>> AppModel::inspectSetupAssertion() {
    return runSetupAssertionInspection(QPointer<AppModel>(this));
}

Task<std::optional<bool>> AppModel::runSetupAssertionInspection(QPointer<AppModel> self) {
    auto assertions = awaitUntilEmpty(self, &AppModel::assertionsTask);
    co_await assertions;
    if (!self) co_return std::nullopt;
    auto asking = self->services.systemAssertionActive();
    co_return co_await asking;
}

Task<void> AppModel::completeSetup() {
    setupChargeEnabled = setupAwakeEnabled = setupLidEnabled = true;
    return runCompleteSetup(QPointer<AppModel>(this));
}

Task<void> AppModel::runCompleteSetup(QPointer<AppModel> self) {
    if (!self) co_return;
    const OnboardingCoordinatorInterface* wizard = self->onboarding_.get();
    const bool existingUser = wizard && wizard->record().existingUser;
    if (!existingUser && ((wizard && wizard->record().habit == OnboardingHabit::unchanged) || !self->mclSupported())) {
        // The limit in place becomes the manual one, under the rule every stored limit follows
        // (off, or 80-100), so memory, file and hardware agree.
        BriselConfig adopted;
        adopted.manualLimit = self->limitEnabled() ? self->currentLimit().value_or(0) : 0;
        const std::int64_t limit = adopted.sanitized().manualLimit;
        self->inBatch([&self, limit] {
            self->smartEnabled = false;
            self->manualLimit = limit;
        });
        auto saving = self->saveConfig();
        const bool saved = co_await saving;
        if (!self || !saved) co_return;
    }
    self->configureAwayEngine();
    self->refresh();
}

Task<bool> AppModel::rememberCurrentNetwork() {
    if (isShuttingDown) return readyTask(false);
    return runRememberNetwork(QPointer<AppModel>(this));
}

Task<bool> AppModel::runRememberNetwork(QPointer<AppModel> self) {
    if (!self) co_return false;
    auto reading = self->services.currentNetworkFingerprint();
    const std::optional<std::string> fingerprint = co_await reading;
    if (!self || !fingerprint || self->isShuttingDown) co_return false;
    const std::vector<std::string>& known = self->usualFingerprints();
    if (std::find(known.begin(), known.end(), *fingerprint) == known.end()) {
        self->inBatch([&self, &fingerprint] {
            std::vector<std::string> extended = self->usualFingerprints();
            extended.push_back(*fingerprint);
            self->usualFingerprints = std::move(extended);
        });
    }
    // Saved also when it was known already: the user asked for it to be kept.
    auto saving = self->saveConfig();
    const bool saved = co_await saving;
    if (!self || !saved || self->isShuttingDown) co_return false;
    // On even before set-up has switched the guard on; completing set-up puts the setting back.
    self->awayStatus = self->services.configureAway(self->awayConfiguration(true));
    co_return true;
}

} // namespace brisel
