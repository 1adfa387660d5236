#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace brisel {

// One application process's usage since it started.
struct EnergyProcessUsage {
    std::int32_t id = 0;
    std::string name;
    std::optional<std::string> bundleIdentifier;
    std::uint64_t startTime = 0; // absolute time units
    std::uint64_t cpuTimeNs = 0; // user plus system
    std::uint64_t wakeups = 0;
    double lifetimeSeconds = 1.0; // at least 1

    // Pid and start time ("412:98765"): tells a process from a later one that reuses its pid.
    std::string identity() const { return std::to_string(id) + ":" + std::to_string(startTime); }

    bool operator==(const EnergyProcessUsage&) const = default;
};

// One reading of all application processes.
struct EnergyUsageSnapshot {
    double timestamp = 0; // system uptime in seconds at the read
    std::vector<EnergyProcessUsage> processes;
    int unreadable = 0; // applications whose usage could not be read

    bool operator==(const EnergyUsageSnapshot&) const = default;
};

} // namespace brisel
