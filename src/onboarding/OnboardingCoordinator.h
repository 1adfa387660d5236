#pragma once

// The first-run wizard's coordinator: the wizard's record and its saves, the page navigation and
// choices, the checks of the machine that the pages depend on, and the stop records of the
// keep-awake task. It lives on the main thread, is made once by the model at start-up (through
// `factory()`), holds the model weakly and reaches the machine only through the model's set-up
// members and its own copy of the services.
//
// State. Published fields are `Published<T>` members (read `field()`; every assignment notes a
// change, turned into one `changed()` per event-loop turn, which the model relays). Only the
// coordinator's own operations assign them. The record is read through `record()` and changed
// only through `changeRecord`, so every change is published.
//
// Saves. Every record change is followed by `persist()`: saves run one after another in call
// order, each writing the record as it stood at its call; the newest alone decides
// `storageError`. While the start-up load failed (`bootstrapBlocked()`) nothing is written, so a
// damaged file or one of a newer version is never overwritten; `retryStorage` lifts the block once
// the file reads again.
//
// Operations refuse silently (nothing changes) when their preconditions do not hold; see each.

#include "model/AppModel.h"
#include "model/AppServices.h"
#include "model/OnboardingCoordinatorInterface.h"
#include "model/PublishedValue.h"
#include "services/onboarding-state/OnboardingState.h"
#include "shared/helper-protocol/HelperReadiness.h"

#include <QPointer>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace brisel {

class OnboardingCoordinator final : public OnboardingCoordinatorInterface {
    Q_OBJECT

public:
    template <typename T> using Published = PublishedValue<OnboardingCoordinator, T>;

    // Takes the start-up record (its step brought into the wizard's pages) and error; an error
    // blocks saving. Registers for the application's did-become-active event, on which it
    // refreshes. Neither refreshes nor saves.
    OnboardingCoordinator(AppModel& model, AppServices services, OnboardingStore store,
                          const OnboardingStartup& startup);
    ~OnboardingCoordinator() override;
    OnboardingCoordinator(const OnboardingCoordinator&) = delete;
    OnboardingCoordinator& operator=(const OnboardingCoordinator&) = delete;

    // What the application installs with AppModel::setOnboardingFactory.
    static OnboardingFactory factory();

    // ---- what the model uses ----

    const OnboardingRecord& record() const override { return record_(); }
    // Not completed and not an existing user's record, or a storage error is shown.
    bool requiresSetup() const override;
    // Marks a keep-awake stop as owed (not looking at busy, checking or the storage error) and saves.
    Task<bool> recordStopRequested(bool lidRequired) override;
    // Marks the stop as done and saves; a failed save with no record change meanwhile puts the
    // record back as it was, so the stop stays owed.
    Task<bool> recordStopConfirmed() override;
    // Ends once no save is pending, saves started meanwhile included.
    Task<void> waitForPersistence() override;

    // ---- published state ----

    Published<std::optional<std::string>> storageError; // "onboarding.storageFailed" / "…Unsupported"
    Published<std::optional<std::string>> error{*this, std::nullopt}; // key of the last failed action
    Published<bool> busy{*this, false};                               // an action runs
    Published<bool> checking{*this, false};                           // a refresh runs
    Published<bool> hardwareKnown{*this, false};                      // the last refresh read the hardware
    Published<HelperReadiness> helperState{*this, HelperReadiness::absent()};
    Published<std::string> notificationState{*this, "notification.unknown"};
    Published<std::string> loginState{*this, "login.unknown"};
    Published<std::optional<std::string>> testState{*this, std::nullopt}; // the last test notification
    Published<bool> networkAvailable{*this, false};  // a network fingerprint could be read
    Published<bool> networkRemembered{*this, false}; // and it is one of the usual ones

    // Saving is refused because the start-up load failed.
    bool bootstrapBlocked() const { return bootstrapBlocked_; }
    // The last reminder save asked for by the wizard failed.
    bool reminderSaveFailed() const { return reminderSaveFailed_; }

    // ---- derived values (evaluated on demand; a value that needs the gone model is false) ----

    bool hasBattery() const;
    bool hasLid() const;
    bool canCharge() const;
    bool chargeChosen() const;
    bool helperUseful() const;
    bool helperReady() const;
    bool helperResolved() const;
    bool loginResolved() const;
    bool notificationResolved() const;
    std::string loginSummaryKey() const;
    std::string notificationSummaryKey() const;
    std::vector<int> limits() const; // the model's limits of at least 1, in order
    std::optional<int> selectedLimit() const;
    bool requiresLimitSelection() const;
    bool prerequisitesReady() const;
    bool hasStopResult() const;
    bool stopNeedsRetry() const;
    std::string ordinaryResultKey() const;
    std::string lidResultKey() const;
    bool canAdvance() const;
    std::optional<int> currentLimit() const;
    std::optional<int> predictedHour() const;
    bool temporaryFullAvailable() const;
    bool pluggedIn() const;

    // ---- saves and navigation ----

    // Refused while busy or checking. Healthy storage: saves and refreshes. Blocked storage:
    // reads the file again; still failing, only the error is shown again; readable, its record is
    // taken, the block lifted, the model's set-up restored, the record saved and a refresh run.
    Task<void> retryStorage();
    // A review run of a completed set-up: a fresh record for an existing user that keeps the
    // charge setup as it is. Refused unless completed, or while busy, a stop is owed or one runs.
    void beginReview();
    // Choices: refused while busy or once the set-up has started to be applied; a lid task also
    // needs a lid, a limit must be one the model offers.
    void chooseHabit(OnboardingHabit habit);
    void chooseTask(OnboardingTask task);
    void chooseLimit(int limit);
    void back();
    // One page on, skipping pages that have nothing to decide; never past the confirmation page
    // (completion belongs to the apply run).
    void next();
    // To the helper (2) or login (3) page; without a step, the first of them still unresolved.
    void returnToPreparation(std::optional<int> step = std::nullopt);
    void returnToLimitSelection();
    void keepCurrentChargeSetup();
    // Skips the helper; `downgrade` turns a lid task into an ordinary one first (refused for a lid
    // task without it).
    void skipHelper(bool downgrade);

    // ---- checks ----

    // Re-reads the machine (hardware, helper, notification permission, login item, network),
    // settles the record from it and saves. Refused while busy, checking, blocked or without model.
    Task<void> refresh();

    // ---- actions (each refused silently while its guard holds; `busy` covers each one) ----

    // Installs or repairs the helper and inspects it again. Refused while busy, checking, with a
    // storage error or without model.
    Task<void> installHelper();
    // Registers the login item (true) or not. Refused while busy, checking or with a storage error.
    Task<void> chooseLogin(bool enabled);
    // The low-battery reminder (true, asking for permission) or not. Refused while busy, checking,
    // with a storage error or without model.
    Task<void> chooseReminder(bool enabled);
    // The notifications pane (true, which also enables the reminder) or the login items pane.
    // Refused while busy or with a storage error.
    Task<void> openSettings(bool notification);
    // Sends a test notification. Refused while busy, unless the reminder is enabled and permitted.
    Task<void> testNotification();
    // Names the current network a usual one. Refused while busy, with a storage error or without model.
    Task<void> rememberNetwork();
    // Applies the charge choice and the keep-awake task, checks each on the machine and completes
    // the set-up. Refused while busy, checking, with a storage error or without model.
    Task<void> apply();

    // Notes a change of published state; `changed()` follows once on a later event-loop turn.
    void noteChanged();

private:
    // The one way the record changes: publishes the changed copy.
    void changeRecord(const std::function<void(OnboardingRecord&)>& change);
    // Takes a loaded or fresh record, with its step brought into the wizard's pages.
    void adopt(const OnboardingRecord& record);
    // Saves the record as it is now, after every earlier save; yields whether it was written.
    Task<bool> persist();
    // The model's energy modes leave something to switch.
    bool offersEnergyModes() const;
    // The key of a part of the last task stop (`stopped`, nothing without the model), or of the
    // record's result when there is no stop to show.
    std::string resultKey(SetupResult recorded, std::optional<SetupResult> stopped) const;
    // A choice may change: nothing runs and nothing was applied yet.
    bool choicesOpen() const;
    // Notes the outcome of a reminder save the wizard asked for.
    void noteReminderSave(bool saved);

    static Task<bool> runSave(QPointer<OnboardingCoordinator> self, std::optional<Task<bool>> predecessor,
                              OnboardingRecord snapshot, std::uint64_t revision, OnboardingStore store);
    static Task<bool> runStopConfirmation(QPointer<OnboardingCoordinator> self, Task<bool> save,
                                          OnboardingRecord before);
    static Task<void> runRetryStorage(QPointer<OnboardingCoordinator> self);
    static Task<void> runRefresh(QPointer<OnboardingCoordinator> self, QPointer<AppModel> model,
                                 std::uint64_t generation);
    static Task<void> settleRecord(QPointer<OnboardingCoordinator> self, QPointer<AppModel> model,
                                   std::string notification);

    // Action bodies: each gets the save its starter began and clears `busy` however it ends.
    static Task<void> runInstallHelper(QPointer<OnboardingCoordinator> self, QPointer<AppModel> model,
                                       Task<bool> save);
    static Task<void> runChooseLogin(QPointer<OnboardingCoordinator> self, QPointer<AppModel> model, Task<bool> save,
                                     bool enabled);
    static Task<void> runChooseReminder(QPointer<OnboardingCoordinator> self, QPointer<AppModel> model,
                                        Task<bool> save, bool enabled);
    static Task<void> runOpenSettings(QPointer<OnboardingCoordinator> self, Task<bool> save, bool notification);
    static Task<void> runTestNotification(QPointer<OnboardingCoordinator> self);
    static Task<void> runRememberNetwork(QPointer<OnboardingCoordinator> self, QPointer<AppModel> model,
                                         Task<bool> save);
    static Task<void> runApply(QPointer<OnboardingCoordinator> self, QPointer<AppModel> model,
                               Task<void> refreshing);
    // The apply run's phases: true when the run goes on.
    static Task<bool> applyCharge(QPointer<OnboardingCoordinator> self, QPointer<AppModel> model,
                                  std::uint64_t generation);
    static Task<bool> applyAwake(QPointer<OnboardingCoordinator> self, QPointer<AppModel> model,
                                 std::uint64_t generation);
    static Task<void> completeApply(QPointer<OnboardingCoordinator> self, QPointer<AppModel> model,
                                    std::uint64_t generation);

    Published<OnboardingRecord> record_;
    QPointer<AppModel> model_;
    AppServices services_;
    OnboardingStore store_;
    bool bootstrapBlocked_ = false;
    std::uint64_t refreshGeneration_ = 0;
    std::optional<NotificationCenter::Token> observer_;
    std::optional<Task<bool>> persistenceTask_;
    std::uint64_t persistenceRevision_ = 0;
    bool reminderSaveFailed_ = false;
    bool changePosted_ = false;
};

} // namespace brisel
