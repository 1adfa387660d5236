// Closed-lid sleep: the root helper disables system sleep under its lease while keep-awake with the
// lid closed is wanted, and every request reads the setting back to confirm it.

#include "AppModel.h"

#include "model/TaskFields.h"

namespace brisel {

bool AppModel::lidAwakeWanted() const {
    return keepAwake() && keepAwakeOnLidClosed() && hasHardwareSnapshot && !bagGuardActive() &&
           !isShuttingDown && !helperRemovalInProgress;
}

// A stop recorded by the wizard owes the lid unless it said otherwise (an old record says nothing).
bool AppModel::stopRecordOwesLid() const {
    return onboarding_ && onboarding_->record().stopPending &&
           onboarding_->record().stopLidRequired.value_or(true);
}

bool AppModel::hasLidCleanupResponsibility() const {
    return lidCleanupRequired || (keepAwake() && keepAwakeOnLidClosed()) || lidAwakeApplied() ||
           lidStateUnconfirmed() || helperInstalled() || helperFilesPresent() || stopRecordOwesLid();
}

bool AppModel::awakeHasLidControlResponsibility() const {
    return lidCleanupRequired || (keepAwake() && keepAwakeOnLidClosed()) || lidAwakeApplied() ||
           helperInstalled() || helperFilesPresent() || stopRecordOwesLid();
}

bool AppModel::lidHasNothingToUndo() const {
    return !helperInstalled() && !helperFilesPresent() && !lidAwakeWanted();
}

void AppModel::applyLidClosedSleep(bool explicitSetup, bool verifyOnly) {
    // A quit always passes: it is what switches closed-lid sleep prevention off.
    if (!setupLidEnabled && !explicitSetup && !isShuttingDown) return;
    const std::uint64_t generation = ++helperGeneration;
    std::optional<Task<void>> previous = helperTask;
    helperTask = runLidClosedSleep(QPointer<AppModel>(this), std::move(previous), services.helper, generation,
                                   lidAwakeWanted(), hasLidCleanupResponsibility(), verifyOnly);
}

// On the helper queue: every call here may block for seconds.
AppModel::LidProbeResult AppModel::probeLid(const HelperOperations& helper, bool desired, bool cleanup,
                                            bool verifyOnly) {
    LidProbeResult probe;
    probe.installed = helper.isInstalled();
    probe.present = helper.filesPresent() || probe.installed;
    if (probe.installed) {
        if (!verifyOnly) probe.write = helper.setDisablesleep(desired);
    } else {
        probe.write = HelperError{"error.helperNotRunning", 0};
        if (!probe.present && !cleanup) return probe;
    }
    probe.sleepDisabled = helper.readSleepDisabled();
    probe.readPerformed = true;
    return probe;
}

Task<void> AppModel::runLidClosedSleep(QPointer<AppModel> self, std::optional<Task<void>> previous,
                                       HelperOperations helper, std::uint64_t generation, bool desired,
                                       bool cleanup, bool verifyOnly) {
    // Only the newest request speaks, and only it clears the field.
    auto isNewest = [generation](const AppModel& model) { return model.helperGeneration == generation; };
    auto release = clearOnExitIf(self, &AppModel::helperTask, isNewest);
    auto earlier = awaitOnce(std::move(previous));
    co_await earlier;
    if (!self || !isNewest(*self)) co_return;
    auto probe = [helper = std::move(helper), desired, cleanup, verifyOnly] {
        return probeLid(helper, desired, cleanup, verifyOnly);
    };
    auto running = self->helperIO.run(probe);
    const HardwareResult<LidProbeResult> result = co_await running;
    if (!self || !isNewest(*self)) co_return;
    self->publishLid(result, desired);
}

void AppModel::publishLid(const HardwareResult<LidProbeResult>& result, bool desired) {
    if (const auto* failure = std::get_if<HardwareFailure>(&result)) {
        lidAwakeApplied = false;
        lidWriteNeedsRetry = true;
        helperStatus = failure->message;
        return;
    }
    const LidProbeResult& probe = std::get<LidProbeResult>(result);
    helperInstalled = probe.installed;
    helperFilesPresent = probe.present;
    if (helperActionFailure && helperActionFailure->helperRan != probe.installed) helperActionFailure.reset();
    // A failed install or removal stays in view where the lid has nothing of its own to say, and
    // in place of "not running" while no helper runs.
    const std::optional<std::string> kept =
        helperActionFailure ? std::optional(helperActionFailure->message) : std::nullopt;
    // Nothing read: no helper, no helper files, and nothing wants or owes closed-lid sleep. That
    // is settled; retrying on every refresh would only keep a lid task in flight. A helper that
    // appears later is found by the next request (becoming active, an install, the lid option).
    if (!probe.readPerformed) {
        lidAwakeApplied = false;
        lidWriteNeedsRetry = false;
        helperStatus = kept;
        return;
    }
    // Without a helper nothing holds a lease, so sleep that reads as enabled (or, with no helper
    // files at all, a read without an answer) is as confirmed as it gets: waiting for a helper to
    // undo it would refuse keep-awake until one is installed. Sleep that reads as disabled is
    // never given back, whoever disabled it.
    const bool nothingToUndo = !probe.installed && !desired &&
                               (probe.sleepDisabled == false || (!probe.sleepDisabled && !probe.present));
    lidCleanupRequired = !nothingToUndo;
    lidAwakeApplied = probe.sleepDisabled == true && !nothingToUndo;
    if (nothingToUndo) {
        lidWriteNeedsRetry = false;
        helperStatus = kept;
    } else if (probe.write.ok()) {
        const bool mismatch = probe.sleepDisabled != desired;
        lidWriteNeedsRetry = mismatch;
        helperStatus = mismatch ? std::optional<std::string>("helper.lidStateUnconfirmed") : kept;
        if (!desired && probe.sleepDisabled == false) lidCleanupRequired = false;
    } else {
        lidWriteNeedsRetry = true;
        helperStatus = !probe.installed && kept ? kept : probe.write.error().message;
    }
}

} // namespace brisel
