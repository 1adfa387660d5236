#pragma once

#include <functional>
#include <string>

namespace brisel {

// Names under which the system's sleep and wake events are posted to the workspace's
// notification centre.
namespace notification_names {
inline constexpr const char* workspaceWillSleep = "workspace.willSleep";
inline constexpr const char* workspaceDidWake = "workspace.didWake";
} // namespace notification_names

// The system's power events: will sleep and did wake, and where the platform reports them, screens
// did wake and power state did change (SystemEvents.h). The receiver routes each by its name.
class SleepWakeEvents {
public:
    using Sink = std::function<void(const std::string& notificationName)>;

    virtual ~SleepWakeEvents() = default;

    // From now on hands every event to `sink` by its notification name, in the order the events
    // happened, possibly from another thread (`NotificationCenter::post` may be called from any).
    virtual void start(Sink sink) = 0;
    // No event reaches the sink once this returns.
    virtual void stop() = 0;
};

} // namespace brisel
