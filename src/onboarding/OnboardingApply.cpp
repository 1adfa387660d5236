// The wizard's application run: the charge choice, then the keep-awake task, each checked on the
// machine, then the completion. Before each application the phase is recorded as requested and
// saved; afterwards its outcome is recorded and saved, so a run cut short is checked by the next
// one and never trusted. A failed save or a record changed by someone else (its generation moved)
// stops the run without a key of its own; everything written before stays.

#include "OnboardingCoordinator.h"

#include "model/TaskFields.h"

namespace brisel {

namespace {

SetupResult mapped(std::optional<bool> answer) {
    if (!answer) return SetupResult::unknown;
    return *answer ? SetupResult::confirmed : SetupResult::failed;
}

bool unsettled(SetupResult result) {
    return result == SetupResult::unknown || result == SetupResult::requested;
}

} // namespace

Task<void> OnboardingCoordinator::apply() {
    if (busy() || checking() || storageError() || !model_) return nothingToDo();
    // Started here, so that the refresh's `checking` turns away a second run at once.
    Task<void> refreshing = refresh();
    return runApply(QPointer<OnboardingCoordinator>(this), model_, std::move(refreshing));
}

Task<void> OnboardingCoordinator::runApply(QPointer<OnboardingCoordinator> self, QPointer<AppModel> model,
                                           Task<void> refreshing) {
    co_await refreshing;
    if (!self || !model) co_return;
    // An action that does not wait for refreshes may have started meanwhile.
    if (self->busy()) co_return;
    if (!self->prerequisitesReady()) {
        self->error = "onboarding.prerequisitesChanged";
        co_return;
    }
    self->busy = true;
    // Every exit from here on, a throwing service included, unlocks the wizard. The charge step
    // holds charge control back while it writes; outside a first run (a review) the control is the
    // application's again however the run ends, as it would be after a start.
    ScopeExit idle([self, model] {
        if (!self) return;
        self->busy = false;
        if (model && (self->record().completed || self->record().existingUser)) model->confirmSetupCharge();
    });
    self->error = std::nullopt;
    const std::uint64_t generation = self->record().generation;

    if (self->chargeChosen()) {
        auto charging = applyCharge(self, model, generation);
        const bool goOn = co_await charging;
        if (!goOn || !self || !model) co_return;
    }
    if (self->record().task != OnboardingTask::none) {
        auto awake = applyAwake(self, model, generation);
        const bool goOn = co_await awake;
        if (!goOn || !self || !model) co_return;
    }
    auto completing = completeApply(self, model, generation);
    co_await completing;
}

Task<bool> OnboardingCoordinator::applyCharge(QPointer<OnboardingCoordinator> self, QPointer<AppModel> model,
                                              std::uint64_t generation) {
    // A phase's body starts a turn after the run hands it over.
    if (!self || !model) co_return false;
    auto setCharge = [&self](SetupResult result) {
        self->changeRecord([result](OnboardingRecord& r) { r.charge = result; });
    };
    // The target the checks look for; the application always gets the record's own limit.
    const int target = self->record().habit == OnboardingHabit::desk
                           ? static_cast<int>(self->record().targetLimit)
                           : static_cast<int>(model->registeredTarget());

    if (unsettled(self->record().charge)) { // cut short earlier: check, never trust
        setCharge(model->setupChargeMatches(target) ? SetupResult::confirmed : SetupResult::failed);
        auto saving = self->persist();
        const bool saved = co_await saving;
        if (!self || !model || !saved) co_return false;
        if (self->record().charge != SetupResult::confirmed) {
            self->error = "onboarding.chargeFailed";
            co_return false;
        }
    }
    // Also right after that check: the limit may have moved while its result was saved.
    if (self->record().charge == SetupResult::confirmed && !model->setupChargeMatches(target)) {
        setCharge(SetupResult::failed); // changed outside the wizard since
        auto saving = self->persist();
        co_await saving;
        if (self) self->error = "onboarding.chargeChanged";
        co_return false;
    }

    if (self->record().charge != SetupResult::confirmed) {
        setCharge(SetupResult::requested);
        auto saving = self->persist();
        const bool saved = co_await saving;
        if (!self || !model || !saved || self->record().generation != generation) co_return false;
        const OnboardingRecord& record = self->record();
        auto applying = model->applySetupCharge(record.habit, static_cast<int>(record.targetLimit));
        const SetupResult result = co_await applying;
        if (!self || !model) co_return false;
        setCharge(result);
        auto storing = self->persist();
        const bool stored = co_await storing;
        if (!self || !model || !stored || self->record().generation != generation) co_return false;
        if (result != SetupResult::confirmed) {
            self->error = "onboarding.chargeFailed";
            co_return false;
        }
    }
    model->confirmSetupCharge();
    co_return true;
}

Task<bool> OnboardingCoordinator::applyAwake(QPointer<OnboardingCoordinator> self, QPointer<AppModel> model,
                                             std::uint64_t generation) {
    if (!self || !model) co_return false;
    const bool lidTask = self->record().task == OnboardingTask::lid;
    auto setParts = [&self](std::optional<SetupResult> ordinary, std::optional<SetupResult> lid) {
        self->changeRecord([ordinary, lid](OnboardingRecord& r) {
            if (ordinary) r.ordinary = *ordinary;
            if (lid) r.lid = *lid;
        });
    };
    auto settled = [&self, lidTask] {
        return self->record().ordinary == SetupResult::confirmed &&
               (!lidTask || self->record().lid == SetupResult::confirmed);
    };
    model->clearTaskStopResultForSetup();

    // Parts confirmed by an earlier run must still hold; a lid part that does not is checked again.
    if (self->record().ordinary == SetupResult::confirmed) {
        auto asking = model->inspectSetupAssertion();
        const std::optional<bool> held = co_await asking;
        if (!self || !model) co_return false;
        if (held != true) setParts(SetupResult::failed, std::nullopt);
    }
    if (lidTask && self->record().lid == SetupResult::confirmed) {
        auto asking = model->inspectSetupLid();
        const std::optional<bool> sleepOff = co_await asking;
        if (!self || !model) co_return false;
        if (sleepOff != true) setParts(std::nullopt, SetupResult::unknown);
    }

    // Cut short earlier: check every part afresh, apply nothing.
    if (unsettled(self->record().ordinary) || unsettled(self->record().lid)) {
        auto asking = model->inspectSetupAssertion();
        const std::optional<bool> held = co_await asking;
        if (!self || !model) co_return false;
        setParts(mapped(held), std::nullopt);
        if (lidTask) {
            auto inspecting = model->inspectSetupLid();
            const std::optional<bool> sleepOff = co_await inspecting;
            if (!self || !model) co_return false;
            setParts(std::nullopt, mapped(sleepOff));
        }
        auto saving = self->persist();
        const bool saved = co_await saving;
        if (!self || !model || !saved) co_return false;
        if (!settled()) {
            self->error = "onboarding.awakeFailed";
            co_return false;
        }
    }

    if (!settled()) {
        const bool applyOrdinary = self->record().ordinary != SetupResult::confirmed;
        const bool applyLid = lidTask && self->record().lid != SetupResult::confirmed;
        setParts(applyOrdinary ? std::optional(SetupResult::requested) : std::nullopt,
                 applyLid ? std::optional(SetupResult::requested) : std::nullopt);
        auto saving = self->persist();
        const bool saved = co_await saving;
        if (!self || !model || !saved || self->record().generation != generation) co_return false;
        auto applying = model->applySetupAwake(self->record().task, applyOrdinary, applyLid);
        const std::pair<SetupResult, SetupResult> results = co_await applying;
        // A stop recorded meanwhile owns the record now: its results are not written over.
        if (!self || !model || self->record().generation != generation) co_return false;
        setParts(results.first, results.second);
        auto storing = self->persist();
        const bool stored = co_await storing;
        if (!self || !model || !stored) co_return false;
        if (!settled()) {
            self->error = "onboarding.awakeFailed";
            co_return false;
        }
    }
    if (lidTask) model->confirmSetupLid();
    co_return true;
}

Task<void> OnboardingCoordinator::completeApply(QPointer<OnboardingCoordinator> self, QPointer<AppModel> model,
                                                std::uint64_t generation) {
    if (!self || !model || self->record().generation != generation) co_return;
    auto completing = model->completeSetup();
    co_await completing;
    if (!self || !model || self->record().generation != generation) co_return;
    if (model->configError()) {
        self->error = "config.saveFailed";
        co_return;
    }
    self->changeRecord([](OnboardingRecord& r) {
        r.completed = true;
        r.step = 5;
    });
    auto saving = self->persist();
    const bool saved = co_await saving;
    if (self && !saved)
        self->changeRecord([](OnboardingRecord& r) {
            r.completed = false;
            r.step = 4;
        });
}

} // namespace brisel
