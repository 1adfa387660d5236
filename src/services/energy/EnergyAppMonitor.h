#pragma once

#include "async/Task.h"
#include "services/energy/EnergySample.h"
#include "services/energy/SignificantEnergyApp.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace brisel {

class Clock;
class Workspace;

// The main-thread front of energy sampling. Serves repeated requests from a short-lived cache and
// lets overlapping requests share one sampling in flight, so several refreshes in a row sample
// only once.
class EnergyAppMonitor {
public:
    using Sampler = std::function<Task<EnergySample>(int limit)>;

    // Samples through `sample` (the application's: an EnergySamplingWorker's `sample`); the cache
    // ages by the clock's monotonic seconds.
    EnergyAppMonitor(Sampler sample, std::shared_ptr<Clock> clock);

    // At most `limit` applications, best first. Samples at least kMinSamplingLimit, so that the
    // panel's rows always come from the cache.
    Task<std::vector<SignificantEnergyApp>> sampleTopApps(int limit);

    // The status key of the last finished sampling ("energySample.unavailable" before the first).
    const std::string& statusKey() const;

    // Opens the system activity monitor on its energy tab for this application; if launching with
    // that request fails, opens the monitor plainly. Putting the panel away is the shell's part.
    static void openInActivityMonitor(const SignificantEnergyApp& app, Workspace& workspace);
    // The request handed to the activity monitor.
    static std::string activityMonitorParameters(const SignificantEnergyApp& app);

    static constexpr double kCacheSeconds = 1.5;
    static constexpr int kMinSamplingLimit = 3;
    static constexpr const char* kActivityMonitorPath = "/System/Applications/Utilities/Activity Monitor.app";

    struct State;

private:
    // Shared with the tasks in flight, so that they never outlive what they touch.
    std::shared_ptr<State> state_;
};

} // namespace brisel
