// Construction, start-up and applying a whole configuration.

#include "AppModel.h"

#include "async/MainThread.h"
#include "model/TaskFields.h"

#include <utility>

namespace brisel {

namespace {

OnboardingFactory& installedOnboardingFactory() {
    static OnboardingFactory factory;
    return factory;
}

std::optional<OnboardingStore> chosenStore(const std::optional<AppServices>& services,
                                           std::optional<OnboardingStore> store) {
    if (store || services) return store;
    return OnboardingStore::live();
}

} // namespace

const BriselConfig& AppModel::defaultSettings() {
    static const BriselConfig settings = BriselConfig().sanitized();
    return settings;
}

AppModel::AppModel(std::optional<AppServices> givenServices, std::optional<OnboardingStartup> startup,
                   std::optional<OnboardingStore> store, AppModelOptions options)
    : services(givenServices ? *givenServices : AppServices::live()),
      clock_(options.clock ? std::move(options.clock) : Clock::system()),
      helperIO("com.brisel.helper-client", clock_),
      onboardingFactory_(options.onboardingFactory ? std::move(options.onboardingFactory)
                                                   : installedOnboardingFactory()) {
    std::optional<OnboardingStore> onboardingStore = chosenStore(givenServices, std::move(store));
    // The task first runs on a later event-loop turn, so the handle is stored before it can clear it.
    startupTask = runStartup(QPointer<AppModel>(this), std::move(startup), std::move(onboardingStore));
}

AppModel::~AppModel() {
    for (const auto& [center, token] : observers)
        center->removeObserver(token);
    QObject::disconnect(onboardingObservation);
    onboarding_.reset();
}

AppModel& AppModel::shared() {
    static AppModel* const model = new AppModel();
    return *model;
}

void AppModel::setOnboardingFactory(OnboardingFactory factory) {
    installedOnboardingFactory() = std::move(factory);
}

void AppModel::noteChanged() {
    if (changePosted_) return;
    changePosted_ = true;
    QPointer<AppModel> self(this);
    postToMain([self] {
        if (!self) return;
        self->changePosted_ = false;
        emit self->changed();
    });
}

Task<void> AppModel::waitForStartup() {
    return awaitOnce(startupTask);
}

Task<void> AppModel::runStartup(QPointer<AppModel> self, std::optional<OnboardingStartup> startup,
                                std::optional<OnboardingStore> store) {
    if (!self) co_return;
    // Also when a step throws: start-up is over and its field is clear.
    ScopeExit finished([self] {
        if (!self) return;
        self->startupLoading = false;
        self->startupTask.reset();
    });
    if (!startup && store) {
        auto bootstrap = store->bootstrapAsync();
        startup = co_await bootstrap;
        if (!self) co_return;
    }
    auto loading = loadConfiguration(self->services.loadConfig);
    const LoadResult loaded = co_await loading;
    if (!self) co_return;
    self->finishStartup(loaded, startup, store);
}

void AppModel::finishStartup(const LoadResult& loaded, const std::optional<OnboardingStartup>& startup,
                             const std::optional<OnboardingStore>& store) {
    if (isShuttingDown) return;
    const OnboardingRecord* record = startup ? &startup->record : nullptr;
    const bool stopPending = record && record->stopPending;

    if (stopPending && record->stopLidRequired.value_or(true)) lidCleanupRequired = true;

    if (const auto* loadedConfig = std::get_if<BriselConfig>(&loaded)) {
        configurationLoaded = true;
        BriselConfig applied = *loadedConfig;
        if (stopPending) applied.keepAwake = false;
        inBatch([this, &applied] { setConfig(applied); });
        selection = loadedConfig->smartEnabled ? 0 : loadedConfig->manualLimit;
        dockIconActive = loadedConfig->showInDock;
        services.setLanguage(loadedConfig->language);
        setupChargeEnabled = setupAwakeEnabled = setupLidEnabled = true;
    }

    if (startup && startup->requiresSetup() && !record->existingUser) {
        if (startup->error) {
            setupChargeEnabled = setupAwakeEnabled = setupLidEnabled = false;
        } else {
            setupChargeEnabled = record->charge == SetupResult::confirmed;
            setupAwakeEnabled = record->ordinary == SetupResult::confirmed;
            setupLidEnabled = record->lid == SetupResult::confirmed;
        }
    }

    if (stopPending) inBatch([this] { keepAwake = false; }); // its handler only keeps books

    if (std::holds_alternative<std::string>(loaded)) {
        configLoadBlocked = true;
        configError = translate("config.loadFailed");
        configErrorRevision = std::nullopt;
        setupChargeEnabled = setupAwakeEnabled = setupLidEnabled = false;
    }
    if (startup && startup->error) setupChargeEnabled = setupAwakeEnabled = setupLidEnabled = false;

    services.setReminderIntent(lowBatteryReminder().value_or(ReminderIntent::undecided));

    if (store && startup && onboardingFactory_) {
        onboarding_ = onboardingFactory_(*this, services, *store, *startup);
        if (onboarding_) {
            onboardingObservation = connect(onboarding_.get(), &OnboardingCoordinatorInterface::changed, this,
                                            &AppModel::noteChanged);
            noteChanged();
        }
    }

    QPointer<AppModel> self(this);
    auto onHardwareRecovery = [self] {
        if (self) self->recoverHardwareOperations();
    };
    services.subscribeHardwareRecovery(onHardwareRecovery);
    // Called on the helper queue's thread. Not gated on shutting down: during a quit this re-run
    // is what switches closed-lid sleep prevention off.
    helperIO.onRecovery([self] {
        postToMain([self] {
            if (self) self->applyLidClosedSleep(false, false);
        });
    });

    loadProfile();

    if (isShuttingDown) return;

    refresh();
    refreshLaunchAtLogin();
    restartTimer();
    startLeaseTimer();
    installServiceHandlers();
    if (setupAwakeEnabled) configureAwayEngine();
    applyAssertions();
    applyLidClosedSleep(false, false);
    if (stopPending) restoreSystemDefaults();
    registerSystemObservers();
}

// The away status and override handlers may be called on any thread, or inline from the call that
// caused them, so they always hand over to a later main-thread turn.
void AppModel::installServiceHandlers() {
    QPointer<AppModel> self(this);
    services.subscribeAway([self](AwayStatus status) {
        postToMain([self, status] {
            if (!self || self->isShuttingDown) return;
            self->awayStatus = status;
            self->evaluateBagGuard();
        });
    });
    services.subscribeChargeOverride([self] {
        postToMain([self] {
            if (self && !self->isShuttingDown) self->refresh();
        });
    });
}

void AppModel::loadProfile() {
    const auto ac = services.defaults.string("profile.ac");
    const auto total = services.defaults.string("profile.total");
    if (!ac || !total) return;
    if (auto stored = SmartPolicy::Profile::fromStored(*ac, *total)) profile = *stored;
}

void AppModel::inBatch(const std::function<void()>& assign) {
    // The caller's flag comes back even when a handler throws, or every later save stays muted.
    ScopeExit restore([this, previous = isBatchUpdating] { isBatchUpdating = previous; });
    isBatchUpdating = true;
    assign();
}

void AppModel::setConfig(const BriselConfig& wanted) {
    const BriselConfig next = wanted.sanitized();
    const bool stopNeeded = !next.keepAwake && keepAwake();
    if (next.manualLimit != manualLimit() || next.smartEnabled != smartEnabled() || next.holdLimit != holdLimit() ||
        next.topupLimit != topupLimit() || next.topupLeadHours != topupLeadHours() ||
        next.minSamplesPerHour != minSamplesPerHour()) {
        ++chargeGeneration;
        pendingChargeRecovery = std::nullopt;
        temporaryFullChargeActive = false;
    }

    const bool callerBatch = isBatchUpdating;
    inBatch([this, &next] {
        holdLimit = next.holdLimit;
        manualLimit = next.manualLimit;
        topupLimit = next.topupLimit;
        topupLeadHours = next.topupLeadHours;
        minSamplesPerHour = next.minSamplesPerHour;
        refreshSeconds = next.refreshSeconds;
        smartEnabled = next.smartEnabled;
        iconOnly = next.iconOnly;
        if (next.showInDock) {
            services.showDockIcon(true);
            dockIconActive = true;
        }
        showInDock = next.showInDock;
        showMenuBarIcon = next.showMenuBarIcon;
        language = next.language; // its handler hands the language to the localiser, batch or not
        theme = next.theme;
        keepAwake = next.keepAwake;
        keepAwakeOnLidClosed = next.keepAwakeOnLidClosed;
        awayDetectionEnabled = next.awayDetectionEnabled;
        networkSampleSeconds = next.networkSampleSeconds;
        usualMinDwellSeconds = next.usualMinDwellSeconds;
        awayAfterMinutes = next.awayAfterMinutes;
        offlineAwayAfterMinutes = next.offlineAwayAfterMinutes;
        idleSeconds = next.idleSeconds;
        requireBattery = next.requireBattery;
        lowBatteryWarnPercent = next.lowBatteryWarnPercent;
        lowBatteryReminder = next.lowBatteryReminder;
        keepDisplayAwake = next.keepDisplayAwake;
        usualFingerprints = next.usualFingerprints;
    });
    if (callerBatch) return;

    if (stopNeeded)
        restoreSystemDefaults(); // saves by itself
    else
        saveConfig();
    restartTimer();
    services.setLanguage(language());
    configureAwayEngine();
    applyAssertions();
    applyLidClosedSleep(false, false);
    if (setupChargeEnabled) reconcileLimitIfNeeded(false);
}

} // namespace brisel
