// The energy mode (switched through the root helper) and the list of energy-hungry applications.

#include "AppModel.h"

#include "async/SerialQueue.h"
#include "model/TaskFields.h"

#include <algorithm>

namespace brisel {

namespace {

// What the helper said, read off the main thread in one go.
struct EnergyModeOutcome {
    HelperResult<void> result;
    bool installed = false;
    bool filesPresent = false;
};

} // namespace

void AppModel::setEnergyMode(EnergyMode mode) {
    // Before the first accepted reading the offered modes are only the initial guess.
    if (energyModeBusy() || helperBusy() || isShuttingDown || !hasHardwareSnapshot) return;
    const auto& offered = availableEnergyModes();
    if (std::find(offered.begin(), offered.end(), mode) == offered.end()) return;
    // The bump here and the one at the end make a reading taken while the change runs be dropped.
    ++energyGeneration;
    energyModeBusy = true;
    runEnergyModeChange(QPointer<AppModel>(this), services.helper, mode);
}

Task<void> AppModel::runEnergyModeChange(QPointer<AppModel> self, HelperOperations helper, EnergyMode mode) {
    // The helper calls block (an administrator prompt has no time limit), so they run off the main
    // thread; the mode itself is not published here: the next snapshot brings it.
    auto job = [helper, mode] {
        HelperResult<void> result = helper.setPowerMode(rawValue(mode));
        const bool installed = helper.isInstalled();
        return EnergyModeOutcome{std::move(result), installed, helper.filesPresent()};
    };
    const EnergyModeOutcome outcome = co_await runDetached(job);
    if (!self) co_return;
    ++self->energyGeneration;
    self->energyModeBusy = false;
    if (self->isShuttingDown) co_return;
    self->helperInstalled = outcome.installed;
    self->helperFilesPresent = outcome.filesPresent || outcome.installed;
    if (outcome.result.ok())
        self->clearFeedbackError(FeedbackDomain::energy);
    else if (!outcome.result.error().isUserCancellation()) // a dismissed prompt is no error
        // The script's message may be a string-table key; a plain text comes back as it is.
        self->reportError(FeedbackDomain::energy, self->translate(outcome.result.error().message));
    self->refresh();
    self->applyLidClosedSleep(false, false);
}

void AppModel::refreshEnergyApps() {
    if (isShuttingDown || energySampleTask) return;
    energySampleTask = runEnergySample(QPointer<AppModel>(this));
}

Task<void> AppModel::runEnergySample(QPointer<AppModel> self) {
    if (!self) co_return;
    auto release = clearOnExit(self, &AppModel::energySampleTask);
    auto sampling = self->services.readSignificantEnergyApps();
    std::vector<SignificantEnergyApp> apps = co_await sampling;
    if (!self || self->isShuttingDown) co_return;
    self->significantEnergyApps = std::move(apps);
    self->energySampleStatus = self->services.energySampleStatus();
}

} // namespace brisel
