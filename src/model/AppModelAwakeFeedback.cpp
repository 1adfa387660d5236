// Keep-awake feedback: the ordered list of problems and the one-word menu state, both derived from
// published state on every read.

#include "AppModel.h"

#include <algorithm>

namespace brisel {

namespace {

using Issue = AwakeFeedbackIssue;
using IssueID = AwakeFeedbackIssue::ID;
using Action = AwakeFeedbackIssue::Action;

std::vector<std::string> linesOf(const std::optional<std::string>& text) {
    if (!text) return {};
    return {*text};
}

bool holds(const std::vector<Issue>& issues, IssueID id) {
    return std::any_of(issues.begin(), issues.end(), [id](const Issue& issue) { return issue.id == id; });
}

} // namespace

bool AppModel::isGuardPauseConfirmed() const {
    return bagGuardActive() && !assertionsApplying() && !awakeLidControlPending() && !systemAwakeApplied() &&
           !displayAwakeApplied() && !lidAwakeApplied() && !lidStateUnconfirmed() && !awakeFeedbackError();
}

bool AppModel::awakeStopConfirmed() const {
    return taskStopOrdinary() == SetupResult::confirmed && taskStopDisplay() == SetupResult::confirmed &&
           taskStopLid() == SetupResult::confirmed && !systemAwakeApplied() && !displayAwakeApplied() &&
           !lidAwakeApplied() && !lidStateUnconfirmed() && !assertionsApplying() &&
           !awakeLidControlPending() && !awakeFeedbackError();
}

std::optional<std::string> AppModel::awakeHelperStatus() const {
    if (helperActionFailure && !lidWriteNeedsRetry && helperStatus() == helperActionFailure->message)
        return std::nullopt;
    return helperStatus();
}

bool AppModel::awakeRepresentsHelperStatus() const {
    if (!awakeHelperStatus()) return false;
    return (hasClamshell() && keepAwake() && keepAwakeOnLidClosed()) || lidAwakeApplied() ||
           (lidStateUnconfirmed() && awakeHasLidControlResponsibility()) || awakeStopNeedsRecovery();
}

std::vector<AwakeFeedbackIssue> AppModel::awakeFeedbackIssues() const {
    const bool lidResponsibilityUnconfirmed = lidStateUnconfirmed() && awakeHasLidControlResponsibility();
    const bool stopping =
        awakeStopNeedsRecovery() || (!keepAwake() && (systemAwakeApplied() || displayAwakeApplied() ||
                                                      lidAwakeApplied() || lidResponsibilityUnconfirmed));
    const bool stopReported = !taskStopStatus().empty() && taskStopStatus() != "onboarding.stopped";
    const bool stopUnsettled = stopping && !taskStopBusy() && stopReported;
    const bool ordinaryStopUnconfirmed = stopUnsettled && (taskStopOrdinary() != SetupResult::confirmed ||
                                                           taskStopDisplay() != SetupResult::confirmed);
    const bool lidStopUnconfirmed = stopUnsettled && taskStopLid() != SetupResult::confirmed;
    const bool controlsMismatch =
        !assertionsApplying() && !bagGuardActive() &&
        (systemAwakeApplied() != keepAwake() || displayAwakeApplied() != (keepAwake() && keepDisplayAwake()));
    const bool lidWanted = hasClamshell() && keepAwake() && keepAwakeOnLidClosed();
    const bool helperMissing = lidWanted && !stopping && !helperInstalled();
    const bool lidMismatch = !awakeLidControlPending() && !bagGuardActive() && lidAwakeApplied() != lidWanted;
    const Action retry = stopping ? Action::retryStop : Action::retry;

    std::vector<Issue> issues;

    if (awakeFeedbackError() || ordinaryStopUnconfirmed || (stopping && controlsMismatch)) {
        const char* key = stopping           ? "awakeFeedback.stopControlsUnconfirmed"
                          : bagGuardActive() ? "awakeFeedback.pauseUnconfirmed"
                                             : "awakeFeedback.controlsUnconfirmed";
        issues.push_back({IssueID::controls, key, linesOf(awakeFeedbackError()), retry});
    }

    if (helperMissing) {
        const char* key = helperFilesPresent() ? "awakeFeedback.componentUnavailable" : "helper.lidRequired";
        issues.push_back({IssueID::lid, key, linesOf(helperStatus()), Action::install});
    } else if (lidMismatch || lidResponsibilityUnconfirmed || lidStopUnconfirmed ||
               awakeRepresentsHelperStatus()) {
        const char* key = stopping || bagGuardActive() ? "awakeFeedback.stopLidUnconfirmed"
                                                       : "awakeFeedback.lidUnconfirmed";
        issues.push_back({IssueID::lid, key, linesOf(awakeHelperStatus()), retry});
    } else if (const auto status = awakeHelperStatus()) {
        issues.push_back(
            {IssueID::component, "awakeFeedback.componentUnavailable", linesOf(status), Action::component});
    }

    if (taskStopStatus() == "onboarding.stopSaveFailed") {
        const char* key =
            awakeStopConfirmed() ? "awakeFeedback.stoppedSaveFailed" : "awakeFeedback.stopSaveFailed";
        const auto details = awakeOwnsConfigError() ? linesOf(configError()) : std::vector<std::string>{};
        issues.push_back({IssueID::persistence, key, details, Action::retryStop});
    }

    if (!stopping && keepAwake()) {
        if (!bagGuardActive()) {
            if (lidWanted && !(awayDetectionEnabled() && awayStatus().protectionReady)) {
                const char* key =
                    awayDetectionEnabled() ? "awakeFeedback.guardUnavailable" : "awakeFeedback.guardDisabled";
                issues.push_back({IssueID::protection, key, {}, Action::protection});
            }
        } else if (isGuardPauseConfirmed()) {
            issues.push_back({IssueID::protection, "awakeFeedback.paused", {}, std::nullopt});
        } else if (!holds(issues, IssueID::controls) && !holds(issues, IssueID::lid)) {
            const bool applying = assertionsApplying() || awakeLidControlPending();
            issues.push_back({IssueID::protection,
                              "awakeFeedback.pauseUnconfirmed",
                              {},
                              applying ? std::nullopt : std::optional<Action>(Action::retry)});
        }
    }

    if (taskStopBusy()) {
        issues.insert(issues.begin(), Issue{IssueID::progress, "onboarding.stopping", {}, std::nullopt});
    } else if (issues.empty()) {
        if (assertionsApplying() || helperBusy() ||
            (keepAwake() && !bagGuardActive() && (controlsMismatch || lidMismatch)))
            issues.push_back({IssueID::progress, "panel.awake.pending", {}, std::nullopt});
        else if (stopping)
            issues.push_back(
                {IssueID::progress, "awakeFeedback.stopControlsUnconfirmed", {}, Action::retryStop});
    }

    if (const auto& status = displaySleepStatus()) {
        const bool protectedByGuard = *status == "display.protected" && bagGuardActive() && keepAwake();
        const bool toldByControls = *status == "display.assertionFailed" && holds(issues, IssueID::controls);
        if (!protectedByGuard && !toldByControls) {
            Issue display{IssueID::display, *status, {}, std::nullopt};
            if (*status == "display.requested")
                display.isReceipt = true;
            else if (*status == "display.settingsFailed")
                display.action = Action::retrySettings;
            else if (!displaySleepBusy() && canSleepDisplayNow())
                display.action = Action::retryDisplay;
            issues.push_back(std::move(display));
        }
    }
    return issues;
}

bool AppModel::hasAwakeFeedback() const {
    const auto issues = awakeFeedbackIssues();
    return std::any_of(issues.begin(), issues.end(),
                       [](const Issue& issue) { return !issue.isReceipt && issue.id != IssueID::component; });
}

std::vector<std::string> AppModel::awakeCollapsedFeedbackKeys() const {
    std::vector<std::string> keys;
    for (const auto& issue : awakeFeedbackIssues())
        if (!issue.isReceipt) keys.push_back(issue.summaryKey);
    return keys;
}

KeepAwakeMenuState AppModel::keepAwakeMenuState() const {
    KeepAwakeMenuInputs inputs;
    inputs.taskStopBusy = taskStopBusy();
    inputs.taskStopStatus = taskStopStatus();
    inputs.displaySleepStatus = displaySleepStatus();
    inputs.displaySleepBusy = displaySleepBusy();
    inputs.bagGuardActive = bagGuardActive();
    inputs.keepAwake = keepAwake();
    inputs.keepAwakeOnLidClosed = keepAwakeOnLidClosed();
    inputs.keepDisplayAwake = keepDisplayAwake();
    inputs.awayDetectionEnabled = awayDetectionEnabled();
    inputs.awayProtectionReady = awayStatus().protectionReady;
    if (onboarding_) inputs.onboardingStopPending = onboarding_->record().stopPending;
    inputs.awakeFeedbackError = awakeFeedbackError();
    inputs.helperStatus = awakeHelperStatus();
    inputs.lidStateUnconfirmed = lidStateUnconfirmed();
    inputs.helperBusy = helperBusy();
    inputs.assertionsApplying = assertionsApplying();
    inputs.systemAwakeApplied = systemAwakeApplied();
    inputs.displayAwakeApplied = displayAwakeApplied();
    inputs.lidAwakeApplied = lidAwakeApplied();
    return brisel::keepAwakeMenuState(inputs);
}

} // namespace brisel
