#include "services/energy/EnergyUsageReader.h"

#include <algorithm>

namespace brisel {

std::uint64_t absoluteToNanoseconds(std::uint64_t units, TimeBase timeBase) {
    const std::uint64_t numerator = std::max<std::uint64_t>(timeBase.numerator, 1);
    const std::uint64_t denominator = std::max<std::uint64_t>(timeBase.denominator, 1);
    // Dividing first keeps the product small; the remainder keeps the result exact.
    return units / denominator * numerator + units % denominator * numerator / denominator;
}

EnergyUsageSnapshot readRunningApplicationsUsage(RunningApplications& applications, ProcessUsage& usage,
                                                 double timestamp) {
    EnergyUsageSnapshot snapshot;
    snapshot.timestamp = timestamp;
    const std::uint64_t now = usage.absoluteTime();
    const TimeBase timeBase = usage.timeBase();
    const auto ownBundleId = applications.ownBundleIdentifier();

    const auto apps = applications.list();
    snapshot.processes.reserve(apps.size());
    for (const auto& app : apps) {
        if (app.activationPolicy != ActivationPolicy::regular || app.terminated) continue;
        if (app.processIdentifier < 1) continue;
        if (app.bundleIdentifier && ((ownBundleId && *app.bundleIdentifier == *ownBundleId) ||
                                     *app.bundleIdentifier == kActivityMonitorBundleId))
            continue;
        if (!app.localizedName || app.localizedName->empty()) continue;
        const auto record = usage.read(app.processIdentifier, app.times);
        if (!record) {
            ++snapshot.unreadable;
            continue;
        }
        const std::uint64_t elapsed = now > record->startTime ? now - record->startTime : 1;
        EnergyProcessUsage process;
        process.id = app.processIdentifier;
        process.name = *app.localizedName;
        process.bundleIdentifier = app.bundleIdentifier;
        process.startTime = record->startTime;
        process.cpuTimeNs = absoluteToNanoseconds(record->userTime + record->systemTime, timeBase);
        process.wakeups = record->idleWakeups;
        process.lifetimeSeconds =
            std::max(static_cast<double>(absoluteToNanoseconds(elapsed, timeBase)) / 1'000'000'000.0, 1.0);
        snapshot.processes.push_back(std::move(process));
    }
    return snapshot;
}

} // namespace brisel
