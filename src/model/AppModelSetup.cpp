// What the set-up wizard (and, for the reminder, the settings) asks of the model before anything is
// applied: one hardware read on demand, installing or repairing the helper, the low-battery
// reminder choice, the notification permission and its settings pane.

#include "AppModel.h"

#include "async/SerialQueue.h"
#include "model/TaskFields.h"

#include <utility>

namespace brisel {

namespace {

Task<HelperResult<void>> refusedPreparation() {
    co_return HelperResult<void>(HelperError{"onboarding.busy", 0});
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
        auto refreshes = awaitUntilEmpty(self, &AppModel::refreshTask);
        co_await refreshes;
        auto charges = awaitUntilEmpty(self, &AppModel::chargeTask);
        co_await charges;
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

bool AppModel::setupChargeMatches(int) const { return false; }
Task<SetupResult> AppModel::applySetupCharge(OnboardingHabit, int) { co_return SetupResult::failed; }
Task<std::pair<SetupResult, SetupResult>> AppModel::applySetupAwake(OnboardingTask, bool, bool) {
    co_return std::pair{SetupResult::failed, SetupResult::idle};
}
Task<std::optional<bool>> AppModel::inspectSetupLid() { co_return std::nullopt; }
Task<std::optional<bool>> AppModel::inspectSetupAssertion() { co_return std::nullopt; }
Task<void> AppModel::completeSetup() { co_return; }
Task<bool> AppModel::rememberCurrentNetwork() { co_return false; }

} // namespace brisel
