// Sleep displays now: while keep-awake holds the system but not the display, put the displays to
// sleep at once, after checking that the assertions really are in that state.

#include "AppModel.h"

#include "model/TaskFields.h"

namespace brisel {

bool AppModel::stopRecordPending() const {
    return onboarding_ && onboarding_->record().stopPending;
}

bool AppModel::canSleepDisplayNow() const {
    return !isShuttingDown && !displaySleepBusy() && !taskStopBusy() && hasHardwareSnapshot &&
           setupAwakeEnabled && !stopRecordPending() && keepAwake() && !keepDisplayAwake() &&
           !bagGuardActive();
}

void AppModel::sleepDisplayNow() {
    if (isShuttingDown || displaySleepBusy() || taskStopBusy()) return;
    if (!hasHardwareSnapshot || !setupAwakeEnabled || stopRecordPending()) {
        displaySleepStatus = "display.notReady";
        return;
    }
    if (!keepAwake() || keepDisplayAwake()) {
        displaySleepStatus = "display.requiresRunning";
        return;
    }
    if (bagGuardActive()) {
        displaySleepStatus = "display.protected";
        return;
    }
    displaySleepBusy = true;
    displaySleepStatus = "display.preparing";
    displaySleepTask = runDisplaySleep(QPointer<AppModel>(this), awakeIntentRevision, displayReturnRevision);
}

// Whether the request may still go on; shows "display.protected" when only the guard is in the way.
bool AppModel::canFinishDisplaySleep(std::uint64_t intentRevision) {
    if (isShuttingDown || intentRevision != awakeIntentRevision || !keepAwake() || keepDisplayAwake())
        return false;
    if (!bagGuardActive()) return true;
    displaySleepStatus = "display.protected";
    return false;
}

Task<void> AppModel::runDisplaySleep(QPointer<AppModel> self, std::uint64_t intentRevision,
                                     std::uint64_t returnRevision) {
    if (!self) co_return;
    // However the request ends, it is no longer busy, and a request that ends without an outcome
    // of its own does not leave "preparing" on show.
    ScopeExit done([self] {
        if (!self) return;
        self->displaySleepBusy = false;
        if (self->displaySleepStatus() == "display.preparing") self->displaySleepStatus = std::nullopt;
        self->displaySleepTask.reset();
    });
    auto assertions = awaitUntilEmpty(self, &AppModel::assertionsTask);
    co_await assertions;
    if (!self || !self->canFinishDisplaySleep(intentRevision)) co_return;
    auto readingSystem = self->services.systemAssertionActive();
    const std::optional<bool> system = co_await readingSystem;
    if (!self) co_return;
    auto readingDisplay = self->services.displayAssertionActive();
    const std::optional<bool> display = co_await readingDisplay;
    if (!self || !self->canFinishDisplaySleep(intentRevision)) co_return;
    if (system != true || display != false) { // an unknown state is not a confirmed one
        self->displaySleepStatus = "display.assertionFailed";
        co_return;
    }
    auto sleeping = self->services.sleepDisplays();
    const DisplaySleepResult result = co_await sleeping;
    if (!self || !self->canFinishDisplaySleep(intentRevision)) co_return;
    // Displays that already came back need no acknowledgement.
    if (result == DisplaySleepResult::requested && self->displayReturnRevision != returnRevision)
        self->displaySleepStatus = std::nullopt;
    else
        self->displaySleepStatus = statusKey(result);
}

void AppModel::openDisplayTimeoutSettings() {
    if (!services.openDisplaySettings())
        displaySleepStatus = "display.settingsFailed";
    else if (displaySleepStatus() == "display.settingsFailed")
        displaySleepStatus = std::nullopt;
}

} // namespace brisel
