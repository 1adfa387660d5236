#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace brisel {

// The one-word keep-awake status shown beside the keep-awake controls.
enum class KeepAwakeMenuState { off, on, pending, stopping, paused, attention };

inline constexpr std::array<KeepAwakeMenuState, 6> allKeepAwakeMenuStates = {
    KeepAwakeMenuState::off,      KeepAwakeMenuState::on,     KeepAwakeMenuState::pending,
    KeepAwakeMenuState::stopping, KeepAwakeMenuState::paused, KeepAwakeMenuState::attention};

std::string toString(KeepAwakeMenuState state);
// Exact match of the stored text ("off", "on", ...); nullopt for anything else.
std::optional<KeepAwakeMenuState> keepAwakeMenuStateFromString(std::string_view text);

// "awakeMenu." followed by the stored text.
std::string localizationKey(KeepAwakeMenuState state);

// True for every state after `on`: the panel then shows an exception line.
bool hasException(KeepAwakeMenuState state);

// The model's keep-awake, lid, away-guard, display-sleep and task-stop state that the status is
// derived from.
struct KeepAwakeMenuInputs {
    bool taskStopBusy = false;
    std::string taskStopStatus;
    std::optional<std::string> displaySleepStatus;
    bool displaySleepBusy = false;
    bool bagGuardActive = false;
    bool keepAwake = false;
    bool keepAwakeOnLidClosed = false;
    bool keepDisplayAwake = false;
    bool awayDetectionEnabled = false;
    bool awayProtectionReady = false;
    // The onboarding record's stopPending; nullopt while there is no onboarding coordinator.
    std::optional<bool> onboardingStopPending;
    std::optional<std::string> awakeFeedbackError;
    std::optional<std::string> helperStatus;
    bool lidStateUnconfirmed = false;
    bool helperBusy = false;
    bool assertionsApplying = false;
    bool systemAwakeApplied = false;
    bool displayAwakeApplied = false;
    bool lidAwakeApplied = false;
};

KeepAwakeMenuState keepAwakeMenuState(const KeepAwakeMenuInputs& inputs);

} // namespace brisel
