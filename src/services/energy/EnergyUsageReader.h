#pragma once

#include "platform/ProcessUsage.h"
#include "platform/RunningApplications.h"
#include "services/energy/EnergyProcessUsage.h"

namespace brisel {

// The bundle identifier of the system's activity monitor, which is never listed.
inline constexpr const char* kActivityMonitorBundleId = "com.apple.ActivityMonitor";

// Reads the usage of the user's regular running applications, in the order the system lists them,
// leaving out agents, terminated and nameless applications, this application and the activity
// monitor. `timestamp` is the system uptime of the reading.
EnergyUsageSnapshot readRunningApplicationsUsage(RunningApplications& applications, ProcessUsage& usage,
                                                 double timestamp);

// Converts absolute time units to nanoseconds without overflowing for any realistic value.
std::uint64_t absoluteToNanoseconds(std::uint64_t units, TimeBase timeBase);

} // namespace brisel
