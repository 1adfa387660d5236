#pragma once

// What a hosted view may ask of the application beyond the model: open the configuration
// folder, the settings window (optionally on the keep-awake tab) or the activity monitor, or quit.
// Views never open windows themselves; the window that hosts a view decides what each action does.
// By default the two settings actions post an in-app request that the application delegate
// answers.

#include "app/Navigation.h"
#include "platform/NotificationCenter.h"

#include <functional>
#include <memory>
#include <optional>

namespace brisel {

struct SignificantEnergyApp;

// The names of the in-app requests, posted on the application's notification centre.
inline constexpr const char* kShowSettingsRequest = "com.brisel.showSettings"; // optional user info "tab"
inline constexpr const char* kShowOnboardingRequest = "com.brisel.showOnboarding";

// The tab a show-settings request names: its "tab" entry when that is exactly a tab's raw value.
std::optional<BriselSettingsTab> requestedTab(const Notification& request);
void postShowSettings(NotificationCenter& center, std::optional<BriselSettingsTab> tab = std::nullopt);

struct PanelActions {
    std::function<void()> openConfig;
    std::function<void()> openSettings;
    std::function<void()> openAwakeSettings;
    std::function<void(const SignificantEnergyApp&)> openActivityMonitor;
    std::function<void()> quit; // the application's quit, with its shutdown and time limit

    // The settings actions post their requests on `center`; the others are given.
    static PanelActions defaults(std::shared_ptr<NotificationCenter> center, std::function<void()> openConfig,
                                 std::function<void(const SignificantEnergyApp&)> openActivityMonitor,
                                 std::function<void()> quit);
};

} // namespace brisel
