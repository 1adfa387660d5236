// The settings: their change handlers, the ordered save chain and the reload of config.json.

#include "AppModel.h"

#include "model/TaskFields.h"

#include <exception>
#include <utility>

namespace brisel {

namespace {

Task<bool> declinedSave() {
    co_return false;
}

} // namespace

BriselConfig AppModel::config() const {
    return BriselConfig{
        .holdLimit = holdLimit(),
        .manualLimit = manualLimit(),
        .topupLimit = topupLimit(),
        .topupLeadHours = topupLeadHours(),
        .minSamplesPerHour = minSamplesPerHour(),
        .refreshSeconds = refreshSeconds(),
        .smartEnabled = smartEnabled(),
        .iconOnly = iconOnly(),
        .showInDock = showInDock(),
        .showMenuBarIcon = showMenuBarIcon(),
        .language = language(),
        .theme = theme(),
        .keepAwake = keepAwake(),
        .keepAwakeOnLidClosed = keepAwakeOnLidClosed(),
        .awayDetectionEnabled = awayDetectionEnabled(),
        .networkSampleSeconds = networkSampleSeconds(),
        .usualMinDwellSeconds = usualMinDwellSeconds(),
        .awayAfterMinutes = awayAfterMinutes(),
        .offlineAwayAfterMinutes = offlineAwayAfterMinutes(),
        .idleSeconds = idleSeconds(),
        .requireBattery = requireBattery(),
        .lowBatteryWarnPercent = lowBatteryWarnPercent(),
        .lowBatteryReminder = lowBatteryReminder(),
        .keepDisplayAwake = keepDisplayAwake(),
        .usualFingerprints = usualFingerprints(),
    };
}

Task<bool> AppModel::saveConfig() {
    if (!configurationLoaded || configLoadBlocked) return declinedSave();
    const std::uint64_t revision = ++configRevision;
    Task<bool> save = runSave(QPointer<AppModel>(this), configSaveTask, config(), revision);
    configSaveTask = save;
    return save;
}

Task<bool> AppModel::runSave(QPointer<AppModel> self, std::optional<Task<bool>> previous, BriselConfig snapshot,
                             std::uint64_t revision) {
    // Only the newest save speaks for the file: older ones neither show errors nor clear the field.
    auto isNewest = [revision](const AppModel& model) { return model.configRevision == revision; };
    auto release = clearOnExitIf(self, &AppModel::configSaveTask, isNewest);
    if (previous) {
        auto earlier = awaitOnce(previous);
        co_await earlier;
    }
    if (!self) co_return false;
    std::optional<std::string> failure;
    try {
        auto writing = self->services.saveConfig(std::move(snapshot));
        failure = co_await writing;
    } catch (const std::exception& error) {
        failure = std::string(error.what());
    }
    if (self && isNewest(*self)) {
        if (failure) {
            self->configError = self->translate("config.saveFailed");
            self->configErrorRevision = revision;
        } else {
            self->configError = std::nullopt;
            self->configErrorRevision = std::nullopt;
        }
    }
    co_return !failure;
}

Task<AppModel::LoadResult> AppModel::loadConfiguration(std::function<Task<LoadResult>()> load) {
    LoadResult loaded;
    try {
        auto loading = load();
        loaded = co_await loading;
    } catch (const std::exception& error) { // a substitute that throws has failed to load
        loaded = std::string(error.what());
    }
    if (auto* config = std::get_if<BriselConfig>(&loaded)) *config = config->sanitized();
    co_return loaded;
}

void AppModel::reloadConfig() {
    if (isShuttingDown) return;
    if (configReloadTask) configReloadTask->cancel();
    const std::uint64_t generation = ++configReloadGeneration;
    configReloadTask = runReload(QPointer<AppModel>(this), generation, configRevision, configSaveTask);
}

Task<void> AppModel::runReload(QPointer<AppModel> self, std::uint64_t generation, std::uint64_t revision,
                               std::optional<Task<bool>> pendingSave) {
    auto isNewest = [generation](const AppModel& model) { return model.configReloadGeneration == generation; };
    auto release = clearOnExitIf(self, &AppModel::configReloadTask, isNewest);
    // A pending write lands before the file is read.
    auto saved = awaitOnce(std::move(pendingSave));
    co_await saved;
    bool cancelled = co_await taskCancelled();
    if (!self || cancelled || self->isShuttingDown) co_return;
    auto loading = loadConfiguration(self->services.loadConfig);
    const LoadResult loaded = co_await loading;
    // A save requested meanwhile holds newer settings than the file just read.
    cancelled = co_await taskCancelled();
    if (!self || cancelled || self->isShuttingDown || self->configRevision != revision) co_return;
    if (const auto* config = std::get_if<BriselConfig>(&loaded)) {
        self->configurationLoaded = true;
        self->configLoadBlocked = false;
        self->configError = std::nullopt;
        self->configErrorRevision = std::nullopt;
        self->takeSetupGatesFromRecord();
        self->setConfig(*config);
    } else {
        self->configLoadBlocked = true;
        self->configError = self->translate("config.loadFailed");
        self->configErrorRevision = std::nullopt;
    }
}

void AppModel::takeSetupGatesFromRecord() {
    const OnboardingRecord* record = onboarding_ ? &onboarding_->record() : nullptr;
    const bool all = !record || record->completed || record->existingUser;
    setupChargeEnabled = all || record->charge == SetupResult::confirmed;
    setupAwakeEnabled = all || record->ordinary == SetupResult::confirmed;
    setupLidEnabled = all || record->lid == SetupResult::confirmed;
    if (record && record->stopPending) setupAwakeEnabled = setupLidEnabled = false;
}

Task<void> AppModel::restoreSetupAfterStorageRecovery(OnboardingStartup startup) {
    return runStorageRecovery(QPointer<AppModel>(this), std::move(startup));
}

Task<void> AppModel::runStorageRecovery(QPointer<AppModel> self, OnboardingStartup startup) {
    if (!self || self->isShuttingDown) co_return;
    self->setupChargeEnabled = self->setupAwakeEnabled = self->setupLidEnabled = false;
    self->reloadConfig();
    auto reloaded = awaitOnce(self->configReloadTask);
    co_await reloaded;
    if (!self || self->isShuttingDown || !self->configurationLoaded || self->configLoadBlocked) co_return;
    if (startup.record.stopPending) self->restoreSystemDefaults();
}

void AppModel::setShowInDock(bool show) {
    if (show == showInDock()) return;
    if (!show && !showMenuBarIcon()) showMenuBarIcon = true; // never neither icon
    showInDock = show;
    if (show) {
        services.showDockIcon(true);
        dockIconActive = true;
    }
}

void AppModel::setShowMenuBarIcon(bool show) {
    if (show == showMenuBarIcon()) return;
    if (!show && !showInDock()) {
        showInDock = true;
        services.showDockIcon(true);
        dockIconActive = true;
    }
    showMenuBarIcon = show;
}

void AppModel::setLanguage(std::string code) {
    language = std::move(code);
}

// Change handlers. Each saves unless a batch update runs, then re-checks the flag before its effect.

void AppModel::saveSettings() {
    if (!isBatchUpdating) saveConfig();
}

void AppModel::refreshSecondsChanged() {
    if (isBatchUpdating) return;
    saveConfig();
    if (!isBatchUpdating) restartTimer();
}

void AppModel::awaySettingChanged() {
    if (isBatchUpdating) return;
    saveConfig();
    if (!isBatchUpdating) configureAwayEngine();
}

// The localiser follows the setting at once, also inside a batch update.
void AppModel::languageChanged() {
    if (!isBatchUpdating) saveConfig();
    services.setLanguage(language());
}

// The notifier learns the choice first and always; an absent choice is "undecided".
void AppModel::lowBatteryReminderChanged() {
    services.setReminderIntent(lowBatteryReminder().value_or(ReminderIntent::undecided));
    if (!isBatchUpdating) saveConfig();
}

} // namespace brisel
