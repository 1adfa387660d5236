#include "ui/onboarding/OnboardingRules.h"

#include <algorithm>

namespace brisel::onboarding {

namespace {

bool hasTask(const OnboardingState& s) {
    return s.record.task != OnboardingTask::none;
}
bool allPrepared(const OnboardingState& s) {
    return s.helperResolved && s.loginResolved && s.notificationResolved;
}
bool onConfirmation(const OnboardingState& s) {
    return displayedStep(s.record.step) == 4;
}
bool stopOwedOrRunning(const OnboardingState& s) {
    return s.stopNeedsRetry || s.taskStopBusy;
}

} // namespace

int displayedStep(std::int64_t recordStep) {
    return int(std::clamp<std::int64_t>(recordStep, 0, completionStep));
}

std::optional<int> phaseOf(int displayed) {
    if (displayed >= completionStep) return std::nullopt;
    return displayed <= 1 ? 0 : displayed <= 3 ? 1 : 2;
}

QString chipSymbol(int chip, int phase) {
    return chip < phase ? QStringLiteral("checkmark.circle.fill") : QString("%1.circle.fill").arg(chip + 1);
}

bool showsBack(const OnboardingState& s) {
    return displayedStep(s.record.step) >= 1 && !s.record.hasApplicationAttempt();
}

TrailingButton trailingButton(const OnboardingState& s) {
    if (onConfirmation(s) && !stopOwedOrRunning(s)) {
        if (s.requiresLimitSelection) return TrailingButton::limitRepair;
        if (!allPrepared(s)) return TrailingButton::preparationRepair;
    }
    return TrailingButton::main;
}

QString limitRepairLabelKey(const OnboardingState& s) {
    return s.record.hasApplicationAttempt() ? "onboarding.keepCurrentChargeState"
                                            : "onboarding.chooseAvailableLimit";
}

QString mainLabelKey(const OnboardingState& s) {
    const bool confirmation = onConfirmation(s);
    if (confirmation && stopOwedOrRunning(s))
        return s.taskStopBusy ? "onboarding.stopping" : "onboarding.retryStop";
    if (s.busy) return "onboarding.working";
    if (!confirmation) return "onboarding.next";
    const auto& r = s.record;
    if (r.charge == SetupResult::unknown || r.ordinary == SetupResult::unknown ||
        r.lid == SetupResult::unknown)
        return "onboarding.checkResults";
    if (r.hasApplicationAttempt()) return "onboarding.retryFailed";
    if (hasTask(s)) return s.chargeChosen ? "onboarding.applyBoth" : "onboarding.applyAwake";
    return s.chargeChosen ? "onboarding.applyCharge" : "onboarding.finishSetup";
}

MainAction mainAction(const OnboardingState& s) {
    if (!onConfirmation(s)) return MainAction::next;
    return s.stopNeedsRetry ? MainAction::restoreSystemDefaults : MainAction::apply;
}

bool mainEnabled(const OnboardingState& s) {
    if (onConfirmation(s) && stopOwedOrRunning(s)) return !s.taskStopBusy && !s.busy;
    return s.canAdvance;
}

bool completionOffersStopRetry(const OnboardingState& s) {
    return stopOwedOrRunning(s);
}

bool choiceOutlined(bool selected, bool focused) {
    return selected && !focused;
}

double choiceRadius(BriselTheme theme) {
    return theme == BriselTheme::classic ? 10 : 14;
}

HabitPageKind habitPageKind(const OnboardingState& s) {
    if (!s.hardwareKnown) return HabitPageKind::hardwareUnknown;
    return s.canCharge ? HabitPageKind::habits : HabitPageKind::cannotCharge;
}

std::pair<QString, std::optional<int>> smartPlanLine(const OnboardingState& s) {
    if (s.predictedHour) return {"onboarding.smartPrediction", s.predictedHour};
    return {"onboarding.smartLearning", std::nullopt};
}

LimitCard limitCard(const OnboardingState& s) {
    LimitCard card;
    if (s.selectedLimit) {
        card.limit = s.selectedLimit;
        card.captionKey =
            *s.selectedLimit == recommendedLimit ? "onboarding.recommended" : "onboarding.selectedLimit";
        if (s.record.habit == OnboardingHabit::mobile)
            std::tie(card.explanationKey, card.explanationHour) = smartPlanLine(s);
        else
            card.explanationKey = "onboarding.deskRecommendation";
    }
    const bool offersRecommended =
        std::find(s.limits.begin(), s.limits.end(), recommendedLimit) != s.limits.end();
    card.picker = !offersRecommended || s.requiresLimitSelection;
    card.pickerPromptKey =
        offersRecommended ? "onboarding.chooseAvailableLimit" : "onboarding.limitUnavailable";
    return card;
}

std::vector<OnboardingTask> taskOptions(bool hasLid) {
    if (hasLid) return {OnboardingTask::none, OnboardingTask::open, OnboardingTask::lid};
    return {OnboardingTask::none, OnboardingTask::open};
}

std::optional<OnboardingTask> movedTask(const OnboardingState& s, bool forward) {
    const std::vector<OnboardingTask> options = taskOptions(s.hasLid);
    const auto found = std::find(options.begin(), options.end(), s.record.task);
    if (found == options.end()) return std::nullopt;
    const int index = int(found - options.begin());
    return options[std::clamp(index + (forward ? 1 : -1), 0, int(options.size()) - 1)];
}

QString helperStatusKey(const OnboardingState& s) {
    if (s.helperReady) return "onboarding.helperReady";
    switch (s.helperState.kind()) {
    case HelperReadiness::Kind::absent:
        return "onboarding.helperAbsent";
    case HelperReadiness::Kind::unavailable:
        return "onboarding.helperUnavailable";
    default:
        return "onboarding.helperOutdated"; // outdated, or ready without what setup needs
    }
}

QString installLabelKey(const OnboardingState& s) {
    return s.helperState.kind() == HelperReadiness::Kind::outdated ? "onboarding.updateHelper"
                                                                   : "onboarding.installHelper";
}

QString loginStatusKey(const OnboardingState& s) {
    if (s.record.login == SetupDecision::skipped && s.loginResolved) return "onboarding.manualLogin";
    if (s.loginState == "login.notFound" && s.record.loginRegistration == SetupResult::idle)
        return "login.off";
    return s.loginState;
}

LoginButtons loginButtons(const OnboardingState& s) {
    if (s.record.login == SetupDecision::skipped) return LoginButtons::enableOnly;
    if (s.loginState == "login.enabled") return LoginButtons::none;
    return LoginButtons::enableAndSkip;
}

SettingsOrChoice loginEnableAction(const OnboardingState& s) {
    return loginButtons(s) == LoginButtons::enableAndSkip && s.loginState == "login.requiresApproval"
               ? SettingsOrChoice::openSettings
               : SettingsOrChoice::choose;
}

bool showsInstallLocation(const OnboardingState& s) {
    return s.loginState == "login.notFound" && s.record.loginRegistration != SetupResult::idle;
}

QString reminderStatusKey(const OnboardingState& s) {
    return s.record.reminder == ReminderIntent::disabled ? "onboarding.reminderDisabled"
                                                         : s.notificationState;
}

bool reminderTestReady(const OnboardingState& s) {
    return s.record.reminder == ReminderIntent::enabled && s.notificationState == "notification.ready";
}

SettingsOrChoice reminderAllowAction(const OnboardingState& s) {
    return s.notificationState == "notification.denied" || s.notificationState == "notification.alertsOff"
               ? SettingsOrChoice::openSettings
               : SettingsOrChoice::choose;
}

bool reminderShowsSkip(const OnboardingState& s) {
    return s.record.reminder != ReminderIntent::disabled;
}

ConfirmationLayout confirmationLayout(const OnboardingState& s) {
    ConfirmationLayout l;
    const bool attempted = s.record.hasApplicationAttempt();
    l.stopCard = s.hasStopResult;
    l.heading = !s.hasStopResult;
    l.noChanges = !s.chargeChosen && !hasTask(s);
    l.limitWarning = s.requiresLimitSelection;
    if (attempted) {
        l.results = s.chargeChosen || !s.hasStopResult;
    } else {
        l.chargePlan = s.chargeChosen && !s.requiresLimitSelection;
        l.awakePlan = hasTask(s);
        l.noChangesNote = l.noChanges;
    }
    l.networkCard = s.hasBattery && hasTask(s);
    l.stopControl = !s.hasStopResult && attempted && hasTask(s);
    return l;
}

QString preparationHelperKey(const OnboardingState& s) {
    if (!s.helperUseful) return "onboarding.notNeeded";
    if (s.helperReady) return "onboarding.helperReady";
    if (s.helperResolved) return "onboarding.helperSkippedShort";
    return helperStatusKey(s);
}

std::vector<ResultLine> resultLines(const OnboardingState& s) {
    std::vector<ResultLine> lines;
    if (s.chargeChosen)
        lines.push_back(
            {"onboarding.chargeResult", s.requiresLimitSelection ? SetupResult::unknown : s.record.charge});
    if (!s.hasStopResult && hasTask(s)) lines.push_back({"onboarding.ordinaryResult", s.record.ordinary});
    if (!s.hasStopResult && s.record.task == OnboardingTask::lid)
        lines.push_back({"onboarding.lidResult", s.record.lid});
    return lines;
}

QString completionTitleKey(const OnboardingState& s) {
    if (hasTask(s)) return "onboarding.awakeStarted";
    return s.chargeChosen ? "onboarding.chargeStarted" : "onboarding.readyTitle";
}

QString firstStepKey(const OnboardingState& s) {
    if (hasTask(s)) return "onboarding.firstStop";
    if (s.temporaryFullAvailable) return "onboarding.firstFull";
    if (!s.pluggedIn && s.chargeChosen) return "onboarding.firstConnect";
    return "onboarding.firstStatus";
}

bool completionShowsResults(const OnboardingState& s) {
    return s.chargeChosen || (!s.hasStopResult && hasTask(s));
}

// A recorded stop, or one the coordinator (without one, the model) counts as owed: the panel's and
// the bar's question, so the card offers no retry that cannot finish.
bool taskStopRetryNeeded(const OnboardingState& s) {
    return (s.hasCoordinator && s.record.stopPending) || s.stopNeedsRetry;
}

bool taskStopVisible(const OnboardingState& s, bool recoveryOnly) {
    return !recoveryOnly || s.taskStopBusy || taskStopRetryNeeded(s);
}

QString taskStopLabelKey(const OnboardingState& s) {
    if (s.taskStopBusy) return "onboarding.stopping";
    return taskStopRetryNeeded(s) ? "onboarding.retryStop" : "onboarding.stopTask";
}

QString taskStopIdentifier(const OnboardingState& s, bool recoveryOnly) {
    return recoveryOnly || taskStopRetryNeeded(s) ? "retry-stop-keep-awake" : "stop-keep-awake";
}

bool taskStopShowsDetails(const OnboardingState& s) {
    return !s.taskStopStatus.isEmpty() || s.taskStopBusy || taskStopRetryNeeded(s);
}

QString stoppedKey(SetupResult result) {
    switch (result) {
    case SetupResult::confirmed:
        return "onboarding.stopConfirmed";
    case SetupResult::requested:
        return "onboarding.stopping";
    default:
        return "onboarding.stopUnconfirmed";
    }
}

QString taskStopOrdinaryKey(const OnboardingState& s) {
    return s.hasCoordinator ? s.ordinaryResultKey : stoppedKey(s.taskStopOrdinary);
}

QString taskStopLidKey(const OnboardingState& s) {
    return s.hasCoordinator ? s.lidResultKey : stoppedKey(s.taskStopLid);
}

QString taskStopStatusKey(const OnboardingState& s) {
    if (s.taskStopBusy) return "onboarding.stopping";
    return s.taskStopStatus.isEmpty() ? QString("onboarding.stopPartial") : s.taskStopStatus;
}

} // namespace brisel::onboarding
