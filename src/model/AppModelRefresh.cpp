// The refresh loop: one hardware read at a time, and everything that follows from a snapshot.

#include "AppModel.h"

#include "model/TaskFields.h"

#include <algorithm>

namespace brisel {

void AppModel::refresh() {
    if (isShuttingDown) return;
    // A request made while the loop runs is only noted here; the loop reads once more for it.
    refreshRequested = true;
    if (refreshTask) return;
    refreshBusy = true;
    refreshTask = runRefresh(QPointer<AppModel>(this));
}

Task<void> AppModel::runRefresh(QPointer<AppModel> self) {
    if (!self) co_return;
    ScopeExit finished([self] {
        if (!self) return;
        self->refreshBusy = false;
        self->refreshTask.reset();
    });
    while (self && self->refreshRequested && !self->isShuttingDown) {
        self->refreshRequested = false;
        // Never read while a charge operation is queued: its write would make the reading stale.
        auto charges = awaitUntilEmpty(self, &AppModel::chargeTask);
        co_await charges;
        if (!self) co_return;
        const std::uint64_t chargeGeneration = self->chargeGeneration;
        const std::uint64_t energyGeneration = self->energyGeneration;
        auto reading = self->services.readHardware();
        const HardwareResult<HardwareSnapshot> result = co_await reading;
        if (!self || self->isShuttingDown) co_return;
        // A change started meanwhile may not show in this reading: read again.
        if (chargeGeneration != self->chargeGeneration || energyGeneration != self->energyGeneration) {
            self->refreshRequested = true;
            continue;
        }
        if (const auto* snapshot = std::get_if<HardwareSnapshot>(&result)) {
            // Clear the error only while it is still the one this loop showed.
            if (self->hardwareRefreshErrorRevision &&
                *self->hardwareRefreshErrorRevision == self->lastErrorRevision)
                self->lastError = std::nullopt;
            self->hardwareRefreshErrorRevision = std::nullopt;
            self->acceptHardware(*snapshot);
        } else {
            self->lastError = self->translate(std::get<HardwareFailure>(result).message);
            self->hardwareRefreshErrorRevision = self->lastErrorRevision;
        }
    }
}

void AppModel::acceptHardware(const HardwareSnapshot& snapshot) {
    const bool wasReady = hasHardwareSnapshot;
    hasHardwareSnapshot = true;
    battery = snapshot.battery;
    if (snapshot.clamshellClosed)
        clamshellSnapshot =
            ClamshellSnapshot{*snapshot.clamshellClosed, snapshot.clamshellCausesSleep.value_or(true)};
    else
        clamshellSnapshot = std::nullopt;
    mclSupported = snapshot.supportsLimit;
    availableLimits = snapshot.availableLimits;
    temporaryFullChargeSupported = snapshot.supportsTemporaryFullCharge;
    availableEnergyModes = snapshot.availableEnergyModes;
    // A mode change in flight is not overwritten by a reading that may predate it.
    if (!energyModeBusy() && snapshot.energyMode) energyMode = *snapshot.energyMode;

    refreshEnergyApps();
    const bool forced = cancelIneligibleTemporaryCharge();
    if (setupChargeEnabled) observeProfile();
    currentLimit = snapshot.currentLimit;
    limitEnabled = snapshot.limitEnabled;
    adoptExternalLimit(snapshot);

    const ChargeOverrideInputs inputs{
        .darwinState = services.chargeOverrideState(),
        .limit = currentLimit(),
        .limitEnabled = limitEnabled(),
        .externalConnected = battery().externalConnected,
        .isCharging = battery().isCharging,
        .percent = battery().percent,
    };
    chargeOverrideSignal = chargeOverrideDebouncer.update(inputs, services.now());

    if (setupChargeEnabled) reconcileLimitIfNeeded(forced);
    evaluateBagGuard();
    applyAwakeAfterSnapshot(!wasReady);
    warnLowBatteryIfDue();
}

// A limit set outside the application becomes the manual limit, unless the application itself owes
// the hardware something or its own last write of the manual limit failed.
void AppModel::adoptExternalLimit(const HardwareSnapshot& snapshot) {
    if (!setupChargeEnabled || !mclSupported() || !snapshot.currentLimit) return;
    const int limit = *snapshot.currentLimit;
    if (temporaryFullChargeActive() || pendingChargeRecovery || smartEnabled() || !snapshot.limitEnabled ||
        limit < 1 || limit == manualLimit())
        return;
    if (lastLimitAttemptFailed && lastLimitAttemptTarget == manualLimit()) return;
    lastRegisteredTarget = limit;
    selection = limit;
    inBatch([this, limit] { manualLimit = limit; });
    saveConfig();
}

bool AppModel::cancelIneligibleTemporaryCharge() {
    if (canTemporarilyChargeToFull()) return false;
    if (!temporaryFullChargeActive() && pendingChargeRecovery != ChargeRecovery::temporaryFull) return false;
    ++chargeGeneration;
    temporaryFullChargeActive = false;
    pendingChargeRecovery = ChargeRecovery::limit;
    return true;
}

// On the uptime clock, so a wall clock set back or forward neither stalls nor hurries sampling;
// the wall clock only names the hour.
void AppModel::observeProfile() {
    const double now = services.now();
    if (lastProfileSampleAt && now - *lastProfileSampleAt < 60.0) return;
    lastProfileSampleAt = now;
    profile.observe(clock_->localHour(), battery().externalConnected);
    // Best effort: a failed write only loses samples that the next minute writes again.
    services.defaults.setString("profile.ac", SmartPolicy::Profile::encode(profile.ac));
    services.defaults.setString("profile.total", SmartPolicy::Profile::encode(profile.total));
}

// One warning per discharge: it re-arms on the adapter or once the level is 5 points above the
// threshold, so a level wavering around the threshold does not warn again.
void AppModel::warnLowBatteryIfDue() {
    if (lowBatteryReminder() != ReminderIntent::enabled || setupRequired()) return;
    const BatteryInfo& reading = battery();
    if (!reading.present || !reading.installed || !reading.percent) return;
    const int percent = *reading.percent;
    const std::int64_t threshold = std::clamp<std::int64_t>(lowBatteryWarnPercent(), 1, 100);
    if (reading.externalConnected || percent >= threshold + 5) {
        lowBatteryNotified = false;
        return;
    }
    if (lowBatteryNotified || percent > threshold) return;
    lowBatteryNotified = true;
    services.notifyLowBattery(percent);
}

} // namespace brisel
