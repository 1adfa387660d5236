#pragma once

// The application model: the one main-thread object that holds the whole state of the running
// application and carries out every user action. Views, the application shell and the set-up
// wizard read its fields and call its operations; everything it does to the machine goes through
// its `services`.
//
// Layout. The members are grouped by feature below, each group with its own section here and its
// own source file (AppModel<Feature>.cpp): start-up, feedback, settings, refresh, charge, energy,
// keep-awake, away guard, lid, helper, display sleep, task stop, login, notifications, observers,
// shutdown, awake feedback and set-up. A feature adds its private helpers at the end of its own
// section.
//
// Conventions.
// - A published field is a `Published<T>`: read it with `field()`, assign it with `field = value`.
//   Every assignment notes a change (one coalesced `changed()` per event-loop turn) and runs the
//   field's change handler, if any. Other fields are plain members.
// - Work that outlives a call is a `Task` kept in an optional field. The task clears its own field
//   on every exit (TaskFields.h), under the identity it was started with where a newer task can
//   take the field over; waits over a field use `awaitUntilEmpty`.
// - Task bodies are static members taking the model as `QPointer<AppModel>` and their inputs by
//   value; they re-check the pointer after every `co_await`.
// - Counters are std::uint64_t and wrap.

#include "async/Clock.h"
#include "async/Task.h"
#include "model/AppServices.h"
#include "model/AwakeFeedbackIssue.h"
#include "model/FeedbackDomain.h"
#include "model/OnboardingCoordinatorInterface.h"
#include "model/PublishedValue.h"
#include "services/config/BriselConfig.h"
#include "services/awake/KeepAwakeMenuState.h"
#include "services/config/BriselTheme.h"
#include "services/helper-client/EnergyMode.h"
#include "services/onboarding-state/OnboardingState.h"
#include "services/onboarding-state/Uuid.h"
#include "services/power/BatteryInfo.h"
#include "services/power/ChargeOverrideDetector.h"
#include "services/power/HardwareIO.h"
#include "services/power/HardwareSnapshot.h"
#include "services/power/SmartPolicy.h"

#include <QMetaObject>
#include <QObject>
#include <QPointer>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace brisel {

class AppModel;

// Makes the set-up wizard's coordinator for a model at start-up. The wizard's library supplies it;
// the model has no coordinator without one.
using OnboardingFactory = std::function<std::unique_ptr<OnboardingCoordinatorInterface>(
    AppModel& model, const AppServices& services, const OnboardingStore& store, const OnboardingStartup& startup)>;

// What the model takes besides its services. The defaults are the running system's.
struct AppModelOptions {
    // Uptime, wall time and local hour, and the timers: the refresh and lease timers and the
    // time-outs of the helper queue. Clock::system() when empty.
    std::shared_ptr<Clock> clock;
    // The coordinator factory; when empty, the one installed with AppModel::setOnboardingFactory.
    OnboardingFactory onboardingFactory;
};

class AppModel : public QObject {
    Q_OBJECT

public:
    template <typename T> using Published = PublishedValue<AppModel, T>;
    using LoadResult = std::variant<BriselConfig, std::string>; // the configuration, or the error text

    // The charge operation to run again once the power hardware recovers.
    enum class ChargeRecovery { limit, temporaryFull };

    // The lid as the last snapshot reported it.
    struct ClamshellSnapshot {
        bool closed = false;
        bool causesSleep = true;
        bool operator==(const ClamshellSnapshot&) const = default;
    };

    // ---- start-up (AppModelStartup.cpp) --------------------------------------------------------

    // Returns at once; start-up runs in `startupTask`. Without services the live bundle is used;
    // the onboarding store is the given one, or the live store only when neither services nor a
    // store were given.
    explicit AppModel(std::optional<AppServices> services = std::nullopt,
                      std::optional<OnboardingStartup> startup = std::nullopt,
                      std::optional<OnboardingStore> store = std::nullopt, AppModelOptions options = {});
    ~AppModel() override;
    AppModel(const AppModel&) = delete;
    AppModel& operator=(const AppModel&) = delete;

    // The one model of the running application, made on first use and never destroyed. Call on the
    // main thread, after setOnboardingFactory.
    static AppModel& shared();
    // The coordinator factory of models made without one in their options.
    static void setOnboardingFactory(OnboardingFactory factory);

    // Ends once start-up has finished; at once when it has.
    Task<void> waitForStartup();

    // Applies a whole configuration: sanitises it and assigns every setting under a batch update;
    // outside a caller's batch it then saves (or stops keep-awake, which saves) and re-applies
    // every effect.
    void setConfig(const BriselConfig& config);

    void refreshFromHardware() { refresh(); }

    const Clock& clock() const { return *clock_; }
    std::string translate(const std::string& key) const { return services.translate(key); }
    OnboardingCoordinatorInterface* onboarding() const { return onboarding_.get(); }

    // Notes a change of published state; `changed()` follows once on a later event-loop turn.
    void noteChanged();
    // Runs `assign` as a batch update: change handlers only keep books. The flag is put back as it
    // was, also when `assign` throws.
    void inBatch(const std::function<void()>& assign);

    bool hardwareReady() const { return hasHardwareSnapshot; }
    bool setupRequired() const { return onboarding_ && onboarding_->requiresSetup(); }
    bool setupAllowsCharge() const { return setupChargeEnabled; }
    bool setupAllowsAwake() const { return setupAwakeEnabled; }

    Published<bool> startupLoading{*this, true};
    std::optional<Task<void>> startupTask;
    AppServices services;

    // Set-up gates: which features the set-up allows. False until start-up has loaded a
    // configuration, so a model that has not started (or failed to load) touches nothing.
    bool setupChargeEnabled = false;
    bool setupAwakeEnabled = false;
    bool setupLidEnabled = false;
    std::uint64_t setupActionGeneration = 0;
    QMetaObject::Connection onboardingObservation; // relays the coordinator's changes

    // ---- feedback (AppModelFeedback.cpp) -------------------------------------------------------

    // Every assignment, also of nothing or of the same text, bumps `lastErrorRevision` and clears
    // `lastErrorDomain`.
    Published<std::optional<std::string>> lastError{*this, std::nullopt, &AppModel::lastErrorAssigned};
    std::optional<FeedbackDomain> lastErrorDomain;
    std::uint64_t lastErrorRevision = 0;
    std::optional<std::uint64_t> hardwareRefreshErrorRevision; // the revision the refresh loop set
    Published<std::optional<std::string>> chargeFeedbackError{*this, std::nullopt};
    Published<std::optional<std::string>> energyFeedbackError{*this, std::nullopt};
    Published<std::optional<std::string>> awakeFeedbackError{*this, std::nullopt};
    std::map<FeedbackDomain, std::uint64_t> feedbackErrorAttempts; // see feedbackErrorAttempt

    // The feedback field of a domain.
    Published<std::optional<std::string>>& feedbackError(FeedbackDomain domain);
    const Published<std::optional<std::string>>& feedbackError(FeedbackDomain domain) const;
    // Shows `text` as the general error of `domain` and in that domain's feedback field.
    void reportError(FeedbackDomain domain, const std::string& text);
    // A success of `domain`: empties its feedback field, and `lastError` only while it still shows
    // that field's text, so a newer error of another feature stays.
    void clearFeedbackError(FeedbackDomain domain);

    // The feedback texts of the domains not excluded (charging, energy, awake), then `lastError`
    // unless its domain's feedback field already shows one; one per line, nothing when none.
    std::optional<std::string> globalError(const std::set<FeedbackDomain>& excluding = {}) const;
    // The request the failure of `domain` came from: its generation when the failure was reported
    // (keep-awake: 0). A failure that a new request brought again is news; one a periodic pass
    // brought again is not.
    std::uint64_t feedbackErrorAttempt(FeedbackDomain domain) const;
    // The same for `globalError(excluding)`: it changes when one of its parts came from a new
    // request (a failure of the refresh loop stays the same while the loop repeats it).
    std::uint64_t globalErrorAttempt(const std::set<FeedbackDomain>& excluding = {}) const;
    // A feedback field of a domain not excluded is set (`lastError` does not count).
    bool hasPersistentGlobalError(const std::set<FeedbackDomain>& excluding = {}) const;
    bool configCanRetrySave() const;
    // The configuration error comes from the save of a stop that is still unfinished.
    bool awakeOwnsConfigError() const;
    bool awakeStopNeedsRecovery() const { return hasPendingAwakeStop(); }
    // A keep-awake stop is running or was left unfinished.
    bool hasPendingAwakeStop() const;
    // The last stop ended partial only because closed-lid sleep reads as disabled with neither the
    // helper nor its files there to undo it.
    bool stopLeftOnlyUnreachableLid() const;
    bool chargeOverridePresented() const; // shown only on the adapter
    bool chargeOverrideConfirmed() const;
    bool dockRestartPending() const; // the dock icon follows the setting only after a restart
    bool lidStateUnconfirmed() const;

    // ---- settings (AppModelSettings.cpp) -------------------------------------------------------

    // The settings as a configuration record.
    BriselConfig config() const;
    // Saves the current settings after every earlier save; yields whether this save was written.
    // Refused (yields false, changes nothing) before a configuration was loaded or while the last
    // load failed, so a damaged file is never overwritten.
    Task<bool> saveConfig();
    // Re-reads config.json and applies it; a newer reload or a save requested meanwhile wins.
    void reloadConfig();
    // After the wizard's storage was repaired: reload, then finish a stop that is still owed.
    Task<void> restoreSetupAfterStorageRecovery(OnboardingStartup startup);
    // Keep at least one of the two icons; hiding the dock icon takes effect at the next start.
    void setShowInDock(bool show);
    void setShowMenuBarIcon(bool show);
    void setLanguage(std::string code);
    BriselTheme activeTheme() const { return briselThemeFromKey(theme()); }

    std::optional<Task<bool>> configSaveTask;
    std::optional<Task<void>> configReloadTask;
    std::uint64_t configRevision = 0;                    // counts accepted saves
    std::optional<std::uint64_t> configErrorRevision;    // the save whose failure set configError
    std::uint64_t configReloadGeneration = 0;            // counts reloads
    bool configurationLoaded = false;                    // saves are made only once loaded
    bool configLoadBlocked = false;                      // the last load failed: saves are refused
    Published<std::optional<std::string>> configError{*this, std::nullopt};
    bool isBatchUpdating = false; // settings assigned together: their handlers only keep books
    Published<bool> dockIconActive{*this, defaultSettings().showInDock};

    // The 25 settings of config.json, in its order.
    Published<std::int64_t> holdLimit{*this, defaultSettings().holdLimit, &AppModel::chargeSettingChanged};
    Published<std::int64_t> manualLimit{*this, defaultSettings().manualLimit, &AppModel::chargeSettingChanged};
    Published<std::int64_t> topupLimit{*this, defaultSettings().topupLimit, &AppModel::chargeSettingChanged};
    Published<std::int64_t> topupLeadHours{*this, defaultSettings().topupLeadHours,
                                           &AppModel::chargeSettingChanged};
    Published<std::int64_t> minSamplesPerHour{*this, defaultSettings().minSamplesPerHour,
                                              &AppModel::chargeSettingChanged};
    Published<std::int64_t> refreshSeconds{*this, defaultSettings().refreshSeconds,
                                           &AppModel::refreshSecondsChanged};
    Published<bool> smartEnabled{*this, defaultSettings().smartEnabled, &AppModel::chargeSettingChanged};
    Published<bool> iconOnly{*this, defaultSettings().iconOnly, &AppModel::saveSettings};
    Published<bool> showInDock{*this, defaultSettings().showInDock, &AppModel::saveSettings};
    Published<bool> showMenuBarIcon{*this, defaultSettings().showMenuBarIcon, &AppModel::saveSettings};
    Published<std::string> language{*this, defaultSettings().language, &AppModel::languageChanged};
    Published<std::string> theme{*this, defaultSettings().theme, &AppModel::saveSettings};
    Published<bool> keepAwake{*this, defaultSettings().keepAwake, &AppModel::keepAwakeChanged};
    Published<bool> keepAwakeOnLidClosed{*this, defaultSettings().keepAwakeOnLidClosed,
                                         &AppModel::keepAwakeOnLidClosedChanged};
    Published<bool> awayDetectionEnabled{*this, defaultSettings().awayDetectionEnabled,
                                         &AppModel::awaySettingChanged};
    Published<std::int64_t> networkSampleSeconds{*this, defaultSettings().networkSampleSeconds,
                                                 &AppModel::awaySettingChanged};
    Published<std::int64_t> usualMinDwellSeconds{*this, defaultSettings().usualMinDwellSeconds,
                                                 &AppModel::awaySettingChanged};
    Published<std::int64_t> awayAfterMinutes{*this, defaultSettings().awayAfterMinutes,
                                             &AppModel::awaySettingChanged};
    Published<std::int64_t> offlineAwayAfterMinutes{*this, defaultSettings().offlineAwayAfterMinutes,
                                                    &AppModel::awaySettingChanged};
    Published<std::int64_t> idleSeconds{*this, defaultSettings().idleSeconds, &AppModel::saveSettings};
    Published<bool> requireBattery{*this, defaultSettings().requireBattery, &AppModel::saveSettings};
    Published<std::int64_t> lowBatteryWarnPercent{*this, defaultSettings().lowBatteryWarnPercent,
                                                  &AppModel::saveSettings};
    Published<std::optional<ReminderIntent>> lowBatteryReminder{*this, defaultSettings().lowBatteryReminder,
                                                                &AppModel::lowBatteryReminderChanged};
    Published<bool> keepDisplayAwake{*this, defaultSettings().keepDisplayAwake, &AppModel::keepDisplayAwakeChanged};
    Published<std::vector<std::string>> usualFingerprints{*this, defaultSettings().usualFingerprints,
                                                          &AppModel::awaySettingChanged};

    // ---- refresh (AppModelRefresh.cpp) ---------------------------------------------------------

    // Asks for a hardware read; merges with a read in progress.
    void refresh();
    // Publishes one snapshot and runs everything that depends on it.
    void acceptHardware(const HardwareSnapshot& snapshot);

    Published<BatteryInfo> battery{*this, BatteryInfo{}};
    Published<bool> mclSupported{*this, false};
    Published<bool> temporaryFullChargeSupported{*this, false};
    Published<bool> refreshBusy{*this, false};
    Published<std::vector<int>> availableLimits{*this, {}};
    Published<std::optional<int>> currentLimit{*this, std::nullopt};
    Published<bool> limitEnabled{*this, false};
    bool hasHardwareSnapshot = false;
    std::optional<ClamshellSnapshot> clamshellSnapshot; // nothing when no lid is reported
    bool refreshRequested = false;
    std::optional<Task<void>> refreshTask;
    std::unique_ptr<Timer> timer; // the refresh timer
    bool lowBatteryNotified = false;

    // ---- charge (AppModelCharge.cpp) -----------------------------------------------------------

    using ChargeOperation = std::function<Task<void>(QPointer<AppModel>)>;

    void applyLimit(std::int64_t limit);
    void resumeChargeLimit();
    void chargeToFullNow();
    bool canTemporarilyChargeToFull() const;
    void enqueueChargeOperation(bool showPendingState, ChargeOperation operation);
    void reconcileLimitIfNeeded(bool force);
    Task<void> performLimitReconciliation(bool force, std::uint64_t generation);
    void recoverHardwareOperations();
    void restartTimer();
    std::int64_t registeredTarget() const;
    std::int64_t chargeOperationTarget() const;
    std::int64_t chargeDisplaySelection() const;
    std::optional<std::string> chargeOperationStatus() const;
    std::optional<int> predictedUnplugHour() const;
    std::string smartPlanKey() const;

    Published<bool> chargeLimitBusy{*this, false};
    Published<ChargeOverrideSignal> chargeOverrideSignal{*this, ChargeOverrideSignal::none};
    Published<bool> temporaryFullChargeActive{*this, false};
    Published<std::int64_t> selection{
        *this, defaultSettings().smartEnabled ? 0 : defaultSettings().manualLimit}; // the limit shown as chosen
    std::optional<Task<void>> chargeTask;                                       // the tail of the chain
    std::optional<Uuid> chargeTaskID;                                           // the newest operation
    std::uint64_t chargeGeneration = 0;
    std::optional<ChargeRecovery> pendingChargeRecovery;
    std::optional<Task<void>> hardwareRecoveryTask;
    ChargeOverrideDebouncer chargeOverrideDebouncer;
    std::optional<std::int64_t> lastRegisteredTarget;
    std::optional<std::int64_t> lastLimitAttemptTarget;
    double lastLimitAttemptTime = 0; // services.now() of the last limit write
    bool lastLimitAttemptFailed = false;
    SmartPolicy::Profile profile;
    std::optional<double> lastProfileSampleAt; // services.now() uptime seconds, not a wall time

    // Reads the stored smart-charge profile; keeps the current one unless both lists are valid.
    void loadProfile();

    // ---- energy (AppModelEnergy.cpp) -----------------------------------------------------------

    void setEnergyMode(EnergyMode mode);
    void refreshEnergyApps();

    Published<std::string> energySampleStatus{*this, "energySample.unavailable"};
    Published<std::vector<EnergyMode>> availableEnergyModes{
        *this, std::vector<EnergyMode>(allEnergyModes.begin(), allEnergyModes.end())};
    Published<EnergyMode> energyMode{*this, EnergyMode::automatic};
    Published<bool> energyModeBusy{*this, false};
    Published<std::vector<SignificantEnergyApp>> significantEnergyApps{*this, {}};
    std::optional<Task<void>> energySampleTask;
    std::uint64_t energyGeneration = 0;

    // ---- keep-awake (AppModelKeepAwake.cpp) ----------------------------------------------------

    void setKeepAwakeEnabled(bool enabled);
    void setKeepDisplayAwake(bool enabled);
    void setKeepAwakeOnLidClosed(bool enabled);
    bool canEditKeepAwakeOptions() const;
    void applyAssertions();
    void clearTaskStopResultForSetup();
    void retryAwakeFeedback();

    Published<bool> systemAwakeApplied{*this, false};
    Published<bool> displayAwakeApplied{*this, false};
    Published<bool> assertionsApplying{*this, false};
    std::optional<Task<void>> assertionsTask;
    std::uint64_t assertionsRevision = 0;
    bool observedSystemAwake = false;
    bool observedDisplayAwake = false;
    std::uint64_t awakeIntentRevision = 0;
    std::uint64_t awakePreferenceRevision = 0;
    bool rejectingAwakeEnable = false; // a refused enable is being put back

    // ---- away guard (AppModelKeepAwake.cpp) ----------------------------------------------------

    void configureAwayEngine();
    void evaluateBagGuard();
    // After a snapshot was accepted: the first one applies the assertions and the lid outright,
    // later ones retry or verify the lid while no lid task runs.
    void applyAwakeAfterSnapshot(bool firstSnapshot);

    Published<AwayStatus> awayStatus{*this, AwayStatus{}};
    Published<bool> bagGuardActive{*this, false, &AppModel::bagGuardActiveChanged};
    Published<std::optional<std::string>> lastGuardEvent{*this, std::nullopt};
    Published<std::optional<WallTime>> lastGuardEventDate{*this, std::nullopt};

    // ---- lid (AppModelLid.cpp) -----------------------------------------------------------------

    void applyLidClosedSleep(bool explicitSetup, bool verifyOnly);
    void refreshHelperInstalled() { applyLidClosedSleep(false, false); }
    bool hasLidCleanupResponsibility() const;
    bool awakeHasLidControlResponsibility() const;
    bool hasClamshell() const { return clamshellSnapshot.has_value(); }
    bool awakeLidControlPending() const { return helperTask.has_value(); }

    // What one lid operation on the helper queue found.
    struct LidProbeResult {
        bool installed = false;
        bool present = false; // installed, or its files are on disk
        HelperResult<void> write = HelperResult<void>::success(); // also success when nothing was written
        std::optional<bool> sleepDisabled; // nothing when the helper cannot tell or was not asked
        bool readPerformed = false;
    };

    Published<bool> lidAwakeApplied{*this, false};
    bool lidWriteNeedsRetry = false;
    bool lidCleanupRequired = false; // the helper may still hold closed-lid sleep off for us
    std::optional<Task<void>> helperTask;
    std::unique_ptr<Timer> leaseTimer; // renews the helper's lease

    // ---- helper (AppModelHelper.cpp) -----------------------------------------------------------

    void installHelper();
    void removeHelper();

    Published<bool> helperInstalled{*this, false};
    Published<bool> helperFilesPresent{*this, false};
    Published<std::optional<std::string>> helperStatus{*this, std::nullopt};
    Published<bool> helperBusy{*this, false};
    std::uint64_t helperGeneration = 0;
    bool helperRemovalInProgress = false;
    // Why the last install or removal failed, and whether a helper ran then. It stays in
    // helperStatus until the next action, or until a helper starts or stops: the lid work's own
    // findings ("not running", or nothing wrong) say less.
    struct HelperActionFailure {
        std::string message;
        bool helperRan = false;
    };
    std::optional<HelperActionFailure> helperActionFailure;

private:
    std::shared_ptr<Clock> clock_; // before helperIO, which takes its time-outs from it

public:
    HardwareIO helperIO; // the model's own queue for helper work

    // ---- display sleep (AppModelDisplay.cpp) ---------------------------------------------------

    bool canSleepDisplayNow() const;
    void sleepDisplayNow();
    void openDisplayTimeoutSettings();

    std::optional<Task<void>> displaySleepTask;
    std::uint64_t displayReturnRevision = 0;
    Published<bool> displaySleepBusy{*this, false};
    Published<std::optional<std::string>> displaySleepStatus{*this, std::nullopt};

    // ---- task stop (AppModelTaskStop.cpp) ------------------------------------------------------

    // Stop everything: keep-awake off, every effect undone and checked.
    void restoreSystemDefaults();
    // Begins the quit: refuses new work and releases everything keep-awake holds; does not wait.
    void shutdownKeepAwake();

    std::optional<Task<void>> taskStopTask;
    std::optional<std::uint64_t> taskStopConfigRevision; // the save the last stop made
    Published<std::string> taskStopStatus{*this, ""};
    Published<bool> taskStopBusy{*this, false};
    Published<SetupResult> taskStopOrdinary{*this, SetupResult::idle};
    Published<SetupResult> taskStopLid{*this, SetupResult::idle};
    Published<SetupResult> taskStopDisplay{*this, SetupResult::idle};
    bool isShuttingDown = false; // the application quits: no new work

    // ---- login (AppModelLogin.cpp) -------------------------------------------------------------

    void refreshLaunchAtLogin();
    Task<void> refreshLaunchAtLoginAndWait();
    void setLaunchAtLogin(bool enabled);
    void acceptLoginStatus(LoginItemStatus status);

    std::optional<Task<void>> loginTask;
    std::uint64_t loginRevision = 0;
    std::optional<std::uint64_t> loginErrorRevision; // the `lastError` a failed switch showed
    Published<bool> loginBusy{*this, false};
    Published<bool> launchAtLogin{*this, false};
    Published<std::string> launchAtLoginStatus{*this, "login.unknown"};

    // ---- notifications (AppModelNotifications.cpp) ---------------------------------------------

    void refreshNotificationStatus();
    void testLowBatteryNotification();

    Published<std::string> notificationStatus{*this, "notification.unknown"};
    Published<bool> notificationBusy{*this, false};
    std::uint64_t reminderGeneration = 0;

    // ---- observers (AppModelObservers.cpp) -----------------------------------------------------

    // Runs `action` on the model, on a later main-thread turn, each time `name` is posted on
    // `center`, unless the model is gone or shutting down.
    void observe(const std::shared_ptr<NotificationCenter>& center, const std::string& name,
                 std::function<void(AppModel&)> action);
    void clearDisplaySleepAcknowledgement();
    std::string menuBarText() const;
    ChargeStatus chargeStatus() const;

    // Every registration, removed in order when the model goes.
    std::vector<std::pair<std::shared_ptr<NotificationCenter>, NotificationCenter::Token>> observers;

    // ---- shutdown (AppModelShutdown.cpp) -------------------------------------------------------

    Task<void> waitForShutdownCleanup();
    Task<void> waitForHelperCleanup();
    Task<void> waitForAssertions();

    // ---- awake feedback (AppModelAwakeFeedback.cpp) --------------------------------------------

    bool isGuardPauseConfirmed() const;
    bool awakeStopConfirmed() const;
    bool awakeRepresentsHelperStatus() const;
    // helperStatus as keep-awake reads it: without a failed install or removal that the lid work
    // had nothing to add to, since that is the helper card's news.
    std::optional<std::string> awakeHelperStatus() const;
    // The keep-awake problems to show, in order; at most one of each kind.
    std::vector<AwakeFeedbackIssue> awakeFeedbackIssues() const;
    // An issue that is neither a receipt nor only about the helper component.
    bool hasAwakeFeedback() const;
    // The summary keys of the issues that are not receipts, in order, repeats kept.
    std::vector<std::string> awakeCollapsedFeedbackKeys() const;
    KeepAwakeMenuState keepAwakeMenuState() const;

    // ---- set-up (AppModelSetup.cpp) ------------------------------------------------------------

    // One hardware read for the wizard, after any refresh pass or charge operation; yields whether
    // a snapshot was read and accepted (a failure shows in `lastError`).
    Task<bool> inspectSetupHardware();
    // Installs or repairs the helper, then reads back `helperInstalled` and `helperFilesPresent`;
    // yields the install's result, or "onboarding.busy" when helper or energy work runs or the
    // application quits.
    Task<HelperResult<void>> prepareSetupHelper();
    // Stores the reminder choice and saves; yields whether it was saved. A failed save puts the
    // earlier choice back unless a newer choice or save followed.
    Task<bool> setSetupReminder(ReminderIntent intent);
    // Asks for notification permission and records the reminder choice that follows from it.
    void requestLowBatteryPermission();
    void openLowBatterySettings();
    std::optional<int> setupPredictionHour() const { return predictedUnplugHour(); }

    // The hardware already holds `target`: 100 also with the limit off, 0 whenever it is off.
    bool setupChargeMatches(int target) const;
    // Stores the charge choice, saves, writes the target it registers and reads the machine back:
    // confirmed when the reading shows it, unknown when it cannot tell, else failed. Clears the
    // charge gate until `confirmSetupCharge`.
    Task<SetupResult> applySetupCharge(OnboardingHabit habit, int target);
    void confirmSetupCharge() { setupChargeEnabled = true; }
    // Switches keep-awake on for `task` (a lid task with the lid option), saves, applies the parts
    // asked for and reads both back: (ordinary, lid); lid is idle for other tasks. Task none
    // restores the system defaults and yields the task stop's results.
    Task<std::pair<SetupResult, SetupResult>> applySetupAwake(OnboardingTask task, bool applyOrdinary = true,
                                                               bool applyLid = true);
    // Whether system sleep is off through the helper; nullopt when it cannot be told.
    Task<std::optional<bool>> inspectSetupLid();
    // Whether the keep-awake assertion is held, once no assertion work runs.
    Task<std::optional<bool>> inspectSetupAssertion();
    void confirmSetupLid() { setupLidEnabled = true; }
    // Ends set-up on the model's side: opens the gates, adopts the current charge setting when
    // none was chosen, then configures the away guard and refreshes.
    Task<void> completeSetup();
    // Names the current network a usual one, saves and hands the list to the away guard; yields
    // whether it was stored and saved.
    Task<bool> rememberCurrentNetwork();

signals:
    // Published state changed; at most once per event-loop turn.
    void changed();

private:
    // Private members by feature; a feature adds its helpers under its own heading.

    // ---- start-up ----
    static const BriselConfig& defaultSettings(); // sanitised defaults
    static Task<void> runStartup(QPointer<AppModel> self, std::optional<OnboardingStartup> startup,
                                 std::optional<OnboardingStore> store);
    void finishStartup(const LoadResult& loaded, const std::optional<OnboardingStartup>& startup,
                       const std::optional<OnboardingStore>& store);
    void installServiceHandlers();

    std::unique_ptr<OnboardingCoordinatorInterface> onboarding_;
    OnboardingFactory onboardingFactory_;
    bool changePosted_ = false;

    // ---- feedback ----
    void lastErrorAssigned();

    // ---- settings ----
    // The configuration read and sanitised, or the error text (also when `load` throws).
    static Task<LoadResult> loadConfiguration(std::function<Task<LoadResult>()> load);
    static Task<bool> runSave(QPointer<AppModel> self, std::optional<Task<bool>> previous, BriselConfig snapshot,
                              std::uint64_t revision);
    static Task<void> runReload(QPointer<AppModel> self, std::uint64_t generation, std::uint64_t revision,
                                std::optional<Task<bool>> pendingSave);
    static Task<void> runStorageRecovery(QPointer<AppModel> self, OnboardingStartup startup);
    void takeSetupGatesFromRecord();
    void saveSettings();
    void refreshSecondsChanged();
    void awaySettingChanged();
    void languageChanged();
    void lowBatteryReminderChanged();

    // ---- refresh ----
    static Task<void> runRefresh(QPointer<AppModel> self);
    // Ends a temporary full charge that may no longer run; true when it did (the caller then owes
    // a forced reconciliation).
    bool cancelIneligibleTemporaryCharge();
    void observeProfile(); // at most once a minute
    void adoptExternalLimit(const HardwareSnapshot& snapshot);
    void warnLowBatteryIfDue();

    // ---- charge ----
    void chargeSettingChanged();
    void resetChargeOperations(); // makes every queued operation stale and drops owed work
    bool limitInPlace(std::int64_t target) const;
    SmartPolicy smartPolicy() const;
    static Task<void> runChargeOperation(QPointer<AppModel> self, std::optional<Task<void>> previous,
                                         ChargeOperation operation, Uuid id);
    static Task<void> runQueuedReconciliation(QPointer<AppModel> self, bool force, std::uint64_t generation);
    static Task<void> runLimitReconciliation(QPointer<AppModel> self, bool force, std::uint64_t generation);
    static Task<void> runChargeToFull(QPointer<AppModel> self, std::uint64_t generation);
    static Task<void> runHardwareRecovery(QPointer<AppModel> self);

    // ---- energy ----
    static Task<void> runEnergySample(QPointer<AppModel> self);
    static Task<void> runEnergyModeChange(QPointer<AppModel> self, HelperOperations helper, EnergyMode mode);

    // ---- keep-awake ----
    void keepAwakeChanged(const bool& old);
    void keepAwakeOnLidClosedChanged(const bool& old);
    void keepDisplayAwakeChanged(const bool& old);
    void keepAwakeOptionChanged(bool changed);
    void setKeepAwakeOption(Published<bool>& option, bool enabled);
    bool systemAwakeWanted() const;
    static Task<void> runAssertions(QPointer<AppModel> self);

    // ---- away guard ----
    void bagGuardActiveChanged(const bool& old);
    void setBagGuard(bool active, std::optional<std::string> event);
    // The engine's configuration from the current settings, switched on or off as given.
    AwayEngine::Configuration awayConfiguration(bool enabled) const;

    // ---- lid ----
    bool lidAwakeWanted() const;
    bool stopRecordOwesLid() const;
    // Neither the helper nor its files exist and nothing wants closed-lid sleep off: there is
    // nothing a helper could undo.
    bool lidHasNothingToUndo() const;
    static LidProbeResult probeLid(const HelperOperations& helper, bool desired, bool cleanup,
                                   bool verifyOnly);
    static Task<void> runLidClosedSleep(QPointer<AppModel> self, std::optional<Task<void>> previous,
                                        HelperOperations helper, std::uint64_t generation, bool desired,
                                        bool cleanup, bool verifyOnly);
    void publishLid(const HardwareResult<LidProbeResult>& result, bool desired);

    // ---- helper ----
    static Task<void> runInstall(QPointer<AppModel> self, HelperOperations helper);
    static Task<void> runRemoval(QPointer<AppModel> self, std::optional<Task<void>> lidTask, HelperOperations helper);
    void beginHelperAction();
    void endHelperAction();
    void showHelperFailure(const HelperError& error);

    // ---- display sleep ----
    bool stopRecordPending() const;
    bool canFinishDisplaySleep(std::uint64_t intentRevision);
    static Task<void> runDisplaySleep(QPointer<AppModel> self, std::uint64_t intentRevision,
                                      std::uint64_t returnRevision);

    // ---- task stop ----
    static Task<void> runTaskStop(QPointer<AppModel> self, std::optional<Task<bool>> recorded,
                                  Task<bool> saved, std::uint64_t preferenceRevision, bool lidRequired);
    bool taskStopAbandoned(std::uint64_t preferenceRevision) const;

    // ---- login ----
    // After `previous`: switches the login item when `switchTo` is given, then reads its state.
    static Task<void> runLogin(QPointer<AppModel> self, std::optional<Task<void>> previous,
                               std::optional<bool> switchTo, std::uint64_t revision);

    // ---- notifications ----
    static Task<void> runNotificationStatus(QPointer<AppModel> self);
    static Task<void> runNotificationTest(QPointer<AppModel> self);

    // ---- observers ----
    void startLeaseTimer();         // start-up step: the helper lease timer
    void registerSystemObservers(); // start-up step: the five system observers

    // ---- shutdown ----
    static Task<void> runShutdownWaits(QPointer<AppModel> self);

    // ---- awake feedback ----

    // ---- set-up ----
    static Task<bool> runSetupHardwareInspection(QPointer<AppModel> self);
    static Task<HelperResult<void>> runSetupHelperPreparation(QPointer<AppModel> self, HelperOperations helper);
    static Task<bool> runSetupReminderSave(QPointer<AppModel> self, Task<bool> save, ReminderIntent intent,
                                           std::optional<ReminderIntent> previous, std::uint64_t generation,
                                           std::uint64_t revision);
    static Task<void> runPermissionRequest(QPointer<AppModel> self);
    // Ends once neither a refresh pass nor a charge operation holds the hardware queue.
    static Task<void> awaitHardwareQueue(QPointer<AppModel> self);
    static Task<SetupResult> runSetupCharge(QPointer<AppModel> self, OnboardingHabit habit, int target,
                                            std::uint64_t generation);
    static Task<std::pair<SetupResult, SetupResult>> runSetupAwakeStop(QPointer<AppModel> self);
    static Task<std::pair<SetupResult, SetupResult>> runSetupAwake(QPointer<AppModel> self, OnboardingTask task,
                                                                   bool applyOrdinary, bool applyLid,
                                                                   std::uint64_t generation);
    static Task<std::optional<bool>> runSetupLidInspection(QPointer<AppModel> self);
    static Task<std::optional<bool>> runSetupAssertionInspection(QPointer<AppModel> self);
    static Task<void> runCompleteSetup(QPointer<AppModel> self);
    static Task<bool> runRememberNetwork(QPointer<AppModel> self);
};

} // namespace brisel
