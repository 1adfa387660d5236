#pragma once

#include "platform/SleepWakeEvents.h"

namespace brisel {

// Names of the system events the application model follows, beside the sleep and wake names.
// The application centre carries the first three, the workspace centre the screens' wake (and the
// machine's sleep and wake).
namespace notification_names {
inline constexpr const char* applicationDidBecomeActive = "application.didBecomeActive";
inline constexpr const char* processPowerStateDidChange = "process.powerStateDidChange";
inline constexpr const char* applicationDidChangeScreenParameters = "application.didChangeScreenParameters";
inline constexpr const char* workspaceScreensDidWake = "workspace.screensDidWake";
} // namespace notification_names

} // namespace brisel
