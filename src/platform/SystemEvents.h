#pragma once

// Names of the system events the application model follows besides sleep and wake
// (SleepWakeEvents.h), and the centre each is posted to.

#include <string_view>

namespace brisel {

namespace notification_names {
// Workspace centre: the displays came back on after sleeping.
inline constexpr const char* workspaceScreensDidWake = "workspace.screensDidWake";
// Application centre: the application became the active one.
inline constexpr const char* applicationDidBecomeActive = "application.didBecomeActive";
// Application centre: the system's low-power flag changed.
inline constexpr const char* processPowerStateDidChange = "process.powerStateDidChange";
// Application centre: a screen was added or removed, or one changed its geometry.
inline constexpr const char* applicationDidChangeScreenParameters = "application.didChangeScreenParameters";
} // namespace notification_names

// Whether an event goes to the application's centre rather than the workspace's.
inline bool isApplicationEvent(std::string_view name) {
    return name == notification_names::applicationDidBecomeActive ||
           name == notification_names::processPowerStateDidChange ||
           name == notification_names::applicationDidChangeScreenParameters;
}

} // namespace brisel
