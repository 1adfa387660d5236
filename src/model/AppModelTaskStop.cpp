// Stopping keep-awake: the stop the user asks for, which undoes every effect and reads the machine
// back part by part, and the quick release when the application quits.

#include "AppModel.h"

#include "model/TaskFields.h"

namespace brisel {

namespace {

SetupResult stillActiveResult(std::optional<bool> active) {
    if (!active) return SetupResult::unknown;
    return *active ? SetupResult::failed : SetupResult::confirmed;
}

} // namespace

void AppModel::restoreSystemDefaults() {
    if (taskStopBusy()) return; // one stop at a time
    ++setupActionGeneration;
    taskStopBusy = true;
    displaySleepStatus = std::nullopt;
    taskStopStatus = "onboarding.stopping";
    taskStopOrdinary = SetupResult::requested;
    taskStopLid = SetupResult::requested;
    taskStopDisplay = SetupResult::requested;
    const bool lidRequired = hasLidCleanupResponsibility();
    std::optional<Task<bool>> recorded;
    if (onboarding_) recorded = onboarding_->recordStopRequested(lidRequired);
    inBatch([this] { keepAwake = false; }); // bookkeeping only: the stop applies everything below
    const std::uint64_t preferenceRevision = awakePreferenceRevision;
    const std::uint64_t revisionBefore = configRevision;
    Task<bool> saved = saveConfig();
    taskStopConfigRevision =
        configRevision != revisionBefore ? std::optional<std::uint64_t>(configRevision) : std::nullopt;
    setupAwakeEnabled = true;
    setupLidEnabled = true;
    applyAssertions();
    applyLidClosedSleep(true, false);
    taskStopTask = runTaskStop(QPointer<AppModel>(this), std::move(recorded), std::move(saved),
                               preferenceRevision, lidRequired);
}

// A newer keep-awake choice, or a quit, has taken over: the stop reports nothing.
bool AppModel::taskStopAbandoned(std::uint64_t preferenceRevision) const {
    return awakePreferenceRevision != preferenceRevision || isShuttingDown;
}

Task<void> AppModel::runTaskStop(QPointer<AppModel> self, std::optional<Task<bool>> recorded,
                                 Task<bool> saved, std::uint64_t preferenceRevision, bool lidRequired) {
    if (!self) co_return;
    // A stop that ends without a result (abandoned, or a failing substitute) shows none.
    ScopeExit done([self] {
        if (!self) return;
        if (self->taskStopStatus() == "onboarding.stopping") self->taskStopStatus = "";
        self->taskStopBusy = false;
        self->taskStopTask.reset();
    });
    bool recordOk = true;
    if (recorded) recordOk = co_await *recorded;
    const bool saveOk = co_await saved;
    if (!self) co_return;
    auto assertions = awaitUntilEmpty(self, &AppModel::assertionsTask);
    co_await assertions;
    if (!self) co_return;
    auto readingSystem = self->services.systemAssertionActive();
    const std::optional<bool> system = co_await readingSystem;
    if (!self) co_return;
    auto readingDisplay = self->services.displayAssertionActive();
    const std::optional<bool> display = co_await readingDisplay;
    if (!self) co_return;

    bool lidWork = false;
    bool lidConfirmed = true;
    std::optional<bool> sleepDisabled;
    for (;;) {
        auto lid = awaitUntilEmpty(self, &AppModel::helperTask);
        co_await lid;
        if (!self || self->taskStopAbandoned(preferenceRevision)) co_return;
        const std::uint64_t generation = self->helperGeneration;
        lidWork = lidRequired || self->hasLidCleanupResponsibility();
        if (!lidWork) break;
        if (self->onboarding_ && self->onboarding_->record().stopLidRequired != true) {
            auto rerecording = self->onboarding_->recordStopRequested(true);
            const bool rerecorded = co_await rerecording;
            recordOk = recordOk && rerecorded;
            if (!self) co_return;
        }
        auto read = [helper = self->services.helper] { return helper.readSleepDisabled(); };
        auto reading = self->helperIO.run(read);
        const HardwareResult<std::optional<bool>> readBack = co_await reading;
        if (!self || self->taskStopAbandoned(preferenceRevision)) co_return;
        const auto* value = std::get_if<std::optional<bool>>(&readBack);
        sleepDisabled = value ? *value : std::nullopt;
        if (self->helperGeneration != generation) continue; // lid work started meanwhile: read again
        lidConfirmed = !self->lidStateUnconfirmed() &&
                       (sleepDisabled == false || (!sleepDisabled && self->lidHasNothingToUndo()));
        break;
    }

    self->taskStopDisplay = stillActiveResult(display);
    self->taskStopOrdinary = stillActiveResult(system);
    if (!lidWork || lidConfirmed)
        self->taskStopLid = SetupResult::confirmed;
    else
        self->taskStopLid = sleepDisabled == true ? SetupResult::failed : SetupResult::unknown;
    const bool allOff = lidConfirmed && system == false && display == false;
    const bool savesHeld = saveOk && recordOk;
    self->taskStopStatus = !savesHeld ? "onboarding.stopSaveFailed"
                           : allOff   ? "onboarding.stopped"
                                      : "onboarding.stopPartial";
    // A stop that left only what the application cannot reach is over, reported as partial.
    if (!(allOff || self->stopLeftOnlyUnreachableLid()) || !savesHeld || !self->onboarding_) co_return;
    auto confirming = self->onboarding_->recordStopConfirmed();
    const bool confirmed = co_await confirming;
    if (self && !confirmed) self->taskStopStatus = "onboarding.stopSaveFailed";
}

void AppModel::shutdownKeepAwake() {
    isShuttingDown = true;
    if (configReloadTask) configReloadTask->cancel();
    configReloadTask.reset();
    timer.reset();
    leaseTimer.reset();
    ++chargeGeneration;
    refreshRequested = false;
    applyAssertions(); // shutting down, every wish is false: both assertions are released
    services.stopAway();
    applyLidClosedSleep(false, false);
}

} // namespace brisel
