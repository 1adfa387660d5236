#include "KeepAwakeMenuState.h"

namespace brisel {

std::string toString(KeepAwakeMenuState state) {
    switch (state) {
    case KeepAwakeMenuState::off:
        return "off";
    case KeepAwakeMenuState::on:
        return "on";
    case KeepAwakeMenuState::pending:
        return "pending";
    case KeepAwakeMenuState::stopping:
        return "stopping";
    case KeepAwakeMenuState::paused:
        return "paused";
    case KeepAwakeMenuState::attention:
        return "attention";
    }
    return "off";
}

std::optional<KeepAwakeMenuState> keepAwakeMenuStateFromString(std::string_view text) {
    for (auto state : allKeepAwakeMenuStates) {
        if (toString(state) == text) return state;
    }
    return std::nullopt;
}

std::string localizationKey(KeepAwakeMenuState state) {
    return "awakeMenu." + toString(state);
}

bool hasException(KeepAwakeMenuState state) {
    return state != KeepAwakeMenuState::off && state != KeepAwakeMenuState::on;
}

namespace {

bool nonEmpty(const std::optional<std::string>& text) {
    return text && !text->empty();
}

bool displayNeedsAttention(const KeepAwakeMenuInputs& in) {
    if (!nonEmpty(in.displaySleepStatus)) return false;
    const std::string& status = *in.displaySleepStatus;
    if (status == "display.preparing" || status == "display.requested") return false;
    // Protected by the away guard is expected while the guard is active.
    if (status == "display.protected") return !in.bagGuardActive;
    return true;
}

} // namespace

KeepAwakeMenuState keepAwakeMenuState(const KeepAwakeMenuInputs& in) {
    bool lidGuardMissing =
        in.keepAwake && in.keepAwakeOnLidClosed && (!in.awayDetectionEnabled || !in.awayProtectionReady);
    bool nothingApplied = !in.systemAwakeApplied && !in.displayAwakeApplied && !in.lidAwakeApplied;

    if (in.taskStopBusy) return KeepAwakeMenuState::stopping;
    if (in.onboardingStopPending.value_or(false)) return KeepAwakeMenuState::attention;
    if (in.taskStopStatus == "onboarding.stopPartial" || in.taskStopStatus == "onboarding.stopSaveFailed")
        return KeepAwakeMenuState::attention;
    if (nonEmpty(in.awakeFeedbackError) || nonEmpty(in.helperStatus)) return KeepAwakeMenuState::attention;
    if (in.lidStateUnconfirmed || displayNeedsAttention(in) || lidGuardMissing)
        return KeepAwakeMenuState::attention;
    if (in.helperBusy || in.assertionsApplying || in.displaySleepBusy) return KeepAwakeMenuState::pending;
    if (in.bagGuardActive) {
        if (!nothingApplied) return KeepAwakeMenuState::pending;
        return in.keepAwake ? KeepAwakeMenuState::paused : KeepAwakeMenuState::off;
    }
    if (!in.keepAwake) return nothingApplied ? KeepAwakeMenuState::off : KeepAwakeMenuState::pending;
    if (in.systemAwakeApplied && in.displayAwakeApplied == in.keepDisplayAwake &&
        in.lidAwakeApplied == in.keepAwakeOnLidClosed)
        return KeepAwakeMenuState::on;
    return KeepAwakeMenuState::pending;
}

} // namespace brisel
