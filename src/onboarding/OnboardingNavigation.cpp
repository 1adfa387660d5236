// The coordinator's save chain, the repair of broken storage, the page navigation and choices, and
// the stop records of the keep-awake task.

#include "OnboardingCoordinator.h"

#include "model/TaskFields.h"

#include <algorithm>
#include <utility>

namespace brisel {

namespace {

Task<bool> refusedSave() {
    co_return false;
}

} // namespace

// ---- saves ----------------------------------------------------------------------------------

Task<bool> OnboardingCoordinator::persist() {
    if (bootstrapBlocked_) return refusedSave();
    std::optional<Task<bool>> predecessor = persistenceTask_;
    const std::uint64_t revision = ++persistenceRevision_;
    // The body first runs on a later event-loop turn, so the field is set before it can clear it.
    Task<bool> save =
        runSave(QPointer<OnboardingCoordinator>(this), std::move(predecessor), record_(), revision, store_);
    persistenceTask_ = save;
    return save;
}

Task<bool> OnboardingCoordinator::runSave(QPointer<OnboardingCoordinator> self,
                                          std::optional<Task<bool>> predecessor, OnboardingRecord snapshot,
                                          std::uint64_t revision, OnboardingStore store) {
    // Only the newest save speaks for the file: older ones neither show errors nor clear the field.
    auto isNewest = [revision](const OnboardingCoordinator& coordinator) {
        return coordinator.persistenceRevision_ == revision;
    };
    auto release = clearOnExitIf(self, &OnboardingCoordinator::persistenceTask_, isNewest);
    auto earlier = awaitOnce(std::move(predecessor));
    co_await earlier;
    if (!self) co_return false;
    bool saved = true;
    try {
        auto writing = store.saveAsync(std::move(snapshot));
        co_await writing;
    } catch (...) { // any encoding, file-system or writer failure
        saved = false;
    }
    if (self && isNewest(*self))
        self->storageError = saved ? std::nullopt : std::optional<std::string>(onboardingStorageFailedKey);
    co_return saved;
}

Task<void> OnboardingCoordinator::waitForPersistence() {
    return awaitUntilEmpty(QPointer<OnboardingCoordinator>(this), &OnboardingCoordinator::persistenceTask_);
}

Task<void> OnboardingCoordinator::retryStorage() {
    if (busy() || checking()) return nothingToDo();
    busy = true;
    return runRetryStorage(QPointer<OnboardingCoordinator>(this));
}

Task<void> OnboardingCoordinator::runRetryStorage(QPointer<OnboardingCoordinator> self) {
    bool recovered = false;
    {
        ScopeExit idle([self] {
            if (self) self->busy = false;
        });
        if (!self) co_return;
        if (self->bootstrapBlocked_) {
            auto loading = self->store_.bootstrapAsync();
            const OnboardingStartup startup = co_await loading;
            if (!self) co_return;
            if (startup.error) {
                // Still unreadable (or newer): nothing is taken and nothing written.
                self->storageError = startup.error;
                co_return;
            }
            self->adopt(startup.record);
            self->bootstrapBlocked_ = false;
            if (QPointer<AppModel> model = self->model_) {
                auto restoring = model->restoreSetupAfterStorageRecovery(startup);
                co_await restoring;
                if (!self) co_return;
            }
        }
        auto saving = self->persist();
        co_await saving;
        recovered = true;
    }
    if (!self || !recovered) co_return;
    auto refreshing = self->refresh();
    co_await refreshing;
}

// ---- navigation and choices ---------------------------------------------------------------------

bool OnboardingCoordinator::choicesOpen() const {
    return !busy() && !record().hasApplicationAttempt();
}

void OnboardingCoordinator::beginReview() {
    if (!record().completed || busy() || record().stopPending || (model_ && model_->taskStopBusy())) return;
    OnboardingRecord review; // a new identifier and generation 0
    review.existingUser = true;
    review.habit = OnboardingHabit::unchanged;
    review.reminder =
        model_ ? model_->lowBatteryReminder().value_or(ReminderIntent::undecided) : ReminderIntent::undecided;
    adopt(review);
    if (model_) model_->clearTaskStopResultForSetup();
    persist();
}

void OnboardingCoordinator::chooseHabit(OnboardingHabit habit) {
    if (!choicesOpen()) return;
    changeRecord([habit](OnboardingRecord& record) {
        record.habit = habit;
        ++record.generation;
    });
    error = std::nullopt;
    persist();
}

void OnboardingCoordinator::chooseTask(OnboardingTask task) {
    if ((task == OnboardingTask::lid && !hasLid()) || !choicesOpen()) return;
    changeRecord([task](OnboardingRecord& record) {
        record.task = task;
        ++record.generation;
    });
    error = std::nullopt;
    persist();
}

void OnboardingCoordinator::chooseLimit(int limit) {
    const std::vector<int> offered = limits();
    if (std::find(offered.begin(), offered.end(), limit) == offered.end() || !choicesOpen()) return;
    changeRecord([limit](OnboardingRecord& record) {
        record.targetLimit = limit;
        ++record.generation;
    });
    error = std::nullopt;
    persist();
}

void OnboardingCoordinator::back() {
    if (!choicesOpen()) return;
    changeRecord([](OnboardingRecord& record) { record.step = std::max<std::int64_t>(record.step - 1, 0); });
    persist();
}

void OnboardingCoordinator::next() {
    if (!canAdvance() || record().step >= 4) return;
    const bool skipHelperPage = !helperUseful() || helperReady();
    changeRecord([](OnboardingRecord& record) { ++record.step; });
    if (record().step == 2 && skipHelperPage) changeRecord([](OnboardingRecord& record) { ++record.step; });
    if (record().step == 3 && loginResolved() && notificationResolved())
        changeRecord([](OnboardingRecord& record) { ++record.step; });
    persist();
}

void OnboardingCoordinator::returnToPreparation(std::optional<int> step) {
    if (busy() || (step && *step != 2 && *step != 3)) return;
    const int target = step.value_or(helperResolved() ? 3 : 2);
    changeRecord([target](OnboardingRecord& record) { record.step = target; });
    persist();
}

void OnboardingCoordinator::returnToLimitSelection() {
    if (checking() || !choicesOpen()) return;
    changeRecord([](OnboardingRecord& record) { record.step = 0; });
    persist();
}

void OnboardingCoordinator::keepCurrentChargeSetup() {
    if (busy() || checking() || !requiresLimitSelection()) return;
    changeRecord([](OnboardingRecord& record) {
        record.habit = OnboardingHabit::unchanged;
        record.charge = SetupResult::idle;
        ++record.generation;
    });
    error = std::nullopt;
    persist();
}

// A downgrade gives up whatever task was chosen for an ordinary one: the window asks for it only
// to give up a lid task.
void OnboardingCoordinator::skipHelper(bool downgrade) {
    if (!choicesOpen() || (record().task == OnboardingTask::lid && !downgrade)) return;
    changeRecord([downgrade](OnboardingRecord& record) {
        if (downgrade) record.task = OnboardingTask::open;
        record.helper = SetupDecision::skipped;
        ++record.generation;
    });
    persist();
}

// ---- stop records -------------------------------------------------------------------------------

Task<bool> OnboardingCoordinator::recordStopRequested(bool lidRequired) {
    changeRecord([lidRequired](OnboardingRecord& record) {
        record.stopPending = true;
        record.stopLidRequired = lidRequired;
        ++record.generation; // a running apply stops at its next check instead of writing over this
    });
    return persist();
}

Task<bool> OnboardingCoordinator::recordStopConfirmed() {
    OnboardingRecord before = record();
    changeRecord([](OnboardingRecord& record) {
        record.stopPending = false;
        record.stopLidRequired = std::nullopt;
        record.task = OnboardingTask::none;
        record.ordinary = SetupResult::idle;
        record.lid = SetupResult::idle;
    });
    return runStopConfirmation(QPointer<OnboardingCoordinator>(this), persist(), std::move(before));
}

Task<bool> OnboardingCoordinator::runStopConfirmation(QPointer<OnboardingCoordinator> self, Task<bool> save,
                                                      OnboardingRecord before) {
    const bool saved = co_await save;
    // Unsaved, the stop stays owed; a record changed meanwhile (a new request) is left as it is.
    if (!saved && self && self->record().generation == before.generation) self->record_ = std::move(before);
    // A confirmed stop has undone what the apply run could not start or confirm.
    if (saved && self && self->error() == "onboarding.awakeFailed") self->error = std::nullopt;
    co_return saved;
}

} // namespace brisel
