// Keep-awake: the three settings and their handlers, the power assertions, and the away guard that
// lets the machine sleep when the user seems gone.

#include "AppModel.h"

#include "model/TaskFields.h"
#include "services/away/AwayDetector.h"

#include <algorithm>
#include <limits>

namespace brisel {

namespace {

int saturated(std::int64_t value) {
    return static_cast<int>(
        std::clamp<std::int64_t>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

} // namespace

// ---- settings ----------------------------------------------------------------------------------

void AppModel::keepAwakeChanged(const bool& old) {
    if (rejectingAwakeEnable) return;
    const bool on = keepAwake();
    if (on && hasPendingAwakeStop()) {
        // Keep-awake stays off until the stop has finished or been retried.
        rejectingAwakeEnable = true;
        keepAwake = false;
        rejectingAwakeEnable = false;
        return;
    }
    if (on != old) {
        ++awakeIntentRevision;
        ++awakePreferenceRevision;
        displaySleepStatus = std::nullopt;
    }
    if (isBatchUpdating) return;
    if (!on) {
        restoreSystemDefaults(); // also when it was off already: the stop checks the machine again
        return;
    }
    clearTaskStopResultForSetup();
    saveConfig();
    applyAssertions();
    applyLidClosedSleep(false, false);
}

void AppModel::keepAwakeOptionChanged(bool changed) {
    if (!changed) return;
    ++awakeIntentRevision;
    if (keepAwake()) ++awakePreferenceRevision;
    displaySleepStatus = std::nullopt;
}

void AppModel::keepAwakeOnLidClosedChanged(const bool& old) {
    // From now on the helper must be asked to undo what it was told.
    if (keepAwake() && keepAwakeOnLidClosed()) lidCleanupRequired = true;
    keepAwakeOptionChanged(keepAwakeOnLidClosed() != old);
    if (isBatchUpdating) return;
    clearTaskStopResultForSetup();
    saveConfig();
    applyLidClosedSleep(false, false);
}

void AppModel::keepDisplayAwakeChanged(const bool& old) {
    keepAwakeOptionChanged(keepDisplayAwake() != old);
    if (isBatchUpdating) return;
    clearTaskStopResultForSetup();
    saveConfig();
    applyAssertions();
}

bool AppModel::canEditKeepAwakeOptions() const {
    return keepAwake() && !hasPendingAwakeStop() && !isShuttingDown;
}

void AppModel::setKeepAwakeOption(Published<bool>& option, bool enabled) {
    if (canEditKeepAwakeOptions() && option() != enabled) option = enabled;
}

void AppModel::setKeepDisplayAwake(bool enabled) {
    setKeepAwakeOption(keepDisplayAwake, enabled);
}

void AppModel::setKeepAwakeOnLidClosed(bool enabled) {
    setKeepAwakeOption(keepAwakeOnLidClosed, enabled);
}

void AppModel::setKeepAwakeEnabled(bool enabled) {
    if (isShuttingDown) return;
    if (!enabled) {
        restoreSystemDefaults();
        return;
    }
    if (hasPendingAwakeStop() || !configurationLoaded || configLoadBlocked || !setupAwakeEnabled ||
        keepAwake())
        return;
    clearTaskStopResultForSetup();
    inBatch([this] { keepAwake = true; });
    saveConfig();
    configureAwayEngine();
    applyAssertions();
    applyLidClosedSleep(false, false);
}

void AppModel::clearTaskStopResultForSetup() {
    if (hasPendingAwakeStop()) return; // an unfinished stop keeps its result on show
    taskStopStatus = "";
    taskStopOrdinary = SetupResult::idle;
    taskStopLid = SetupResult::idle;
    taskStopDisplay = SetupResult::idle;
}

void AppModel::retryAwakeFeedback() {
    if (isShuttingDown) return;
    if (!hasPendingAwakeStop() && keepAwake()) {
        applyAssertions();
        applyLidClosedSleep(false, false);
    } else {
        restoreSystemDefaults();
    }
}

// ---- assertions --------------------------------------------------------------------------------

bool AppModel::systemAwakeWanted() const {
    return setupAwakeEnabled && keepAwake() && hasHardwareSnapshot && !bagGuardActive() && !isShuttingDown;
}

void AppModel::applyAssertions() {
    assertionsApplying = true;
    ++assertionsRevision;
    if (assertionsTask) return; // the running task sees the new revision and goes round again
    assertionsTask = runAssertions(QPointer<AppModel>(this));
}

Task<void> AppModel::runAssertions(QPointer<AppModel> self) {
    if (!self) co_return;
    ScopeExit done([self] {
        if (!self) return;
        self->assertionsApplying = false;
        self->assertionsTask.reset();
    });
    bool systemOk = false;
    bool displayOk = false;
    for (;;) {
        const std::uint64_t revision = self->assertionsRevision;
        const bool system = self->systemAwakeWanted();
        const bool display = system && self->keepDisplayAwake();
        auto settingSystem = self->services.setSystemAwake(system);
        systemOk = co_await settingSystem;
        if (!self) co_return;
        if (systemOk) self->observedSystemAwake = system;
        if (self->assertionsRevision != revision) continue;
        auto settingDisplay = self->services.setDisplayAwake(display);
        displayOk = co_await settingDisplay;
        if (!self) co_return;
        if (displayOk) self->observedDisplayAwake = display;
        if (self->assertionsRevision == revision) break;
    }
    // Only the pass that saw no newer request speaks.
    self->systemAwakeApplied = self->observedSystemAwake;
    self->displayAwakeApplied = self->observedDisplayAwake;
    const std::string message = self->translate("error.assertionFailed");
    if (!systemOk || !displayOk) {
        self->reportError(FeedbackDomain::awake, message);
    } else {
        self->awakeFeedbackError = std::nullopt;
        if (self->lastError() == message) self->lastError = std::nullopt;
    }
}

// ---- away guard --------------------------------------------------------------------------------

void AppModel::configureAwayEngine() {
    if (isShuttingDown || !setupAwakeEnabled) return;
    awayStatus = services.configureAway(awayConfiguration(awayDetectionEnabled()));
    evaluateBagGuard();
}

AwayEngine::Configuration AppModel::awayConfiguration(bool enabled) const {
    return AwayEngine::Configuration{
        .enabled = enabled,
        .sampleSeconds = saturated(networkSampleSeconds()),
        .usualMinDwellSeconds = saturated(usualMinDwellSeconds()),
        .awayAfterMinutes = saturated(awayAfterMinutes()),
        .offlineAwayAfterMinutes = saturated(offlineAwayAfterMinutes()),
        .usualFingerprints = usualFingerprints(),
    };
}

void AppModel::setBagGuard(bool active, std::optional<std::string> event) {
    bagGuardActive = active;
    if (event) {
        lastGuardEvent = std::move(event);
        lastGuardEventDate = clock_->wallTime();
    }
    applyAssertions();
    applyLidClosedSleep(false, false);
}

void AppModel::evaluateBagGuard() {
    if (isShuttingDown || !setupAwakeEnabled) return;
    if (!awayDetectionEnabled()) {
        if (bagGuardActive()) setBagGuard(false, std::nullopt);
        return;
    }
    if (awayStatus().configurationSamplePending) return; // the verdict waits for a sample of the new settings
    const bool lidClosed = clamshellSnapshot && clamshellSnapshot->closed && clamshellSnapshot->causesSleep;
    const bool idle = services.idleSeconds() >= static_cast<double>(std::max<std::int64_t>(idleSeconds(), 0));
    const bool locked = services.screenLocked();
    const BatteryInfo& power = battery();
    if (!power.present || !power.installed) { // nothing to protect: the guard never holds
        if (bagGuardActive()) setBagGuard(false, std::nullopt);
        return;
    }
    const bool verdict = shouldAllowSleep(awayStatus().isAway, lidClosed, idle, locked,
                                          !power.externalConnected, requireBattery());
    if (verdict == bagGuardActive()) return;
    std::optional<std::string> event;
    if (verdict) event = locked ? "guard.eventLocked" : lidClosed ? "guard.eventLid" : "guard.eventIdle";
    setBagGuard(verdict, std::move(event));
}

void AppModel::bagGuardActiveChanged(const bool& old) {
    if (bagGuardActive() == old) return;
    if (displaySleepStatus() == "display.requested") displaySleepStatus = std::nullopt;
    if (!bagGuardActive()) return;
    ++awakeIntentRevision;
    if (displaySleepBusy()) displaySleepStatus = "display.protected";
}

void AppModel::applyAwakeAfterSnapshot(bool firstSnapshot) {
    if (firstSnapshot) {
        // The system assertion waits for a first snapshot, so the first one applies everything.
        applyAssertions();
        applyLidClosedSleep(false, false);
        return;
    }
    if (helperTask) return;
    if (lidWriteNeedsRetry)
        applyLidClosedSleep(false, false);
    else if ((keepAwake() && keepAwakeOnLidClosed()) || lidAwakeApplied())
        applyLidClosedSleep(false, true);
}

} // namespace brisel
