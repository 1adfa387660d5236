#pragma once

#include "async/Task.h"
#include "services/energy/EnergyProcessUsage.h"
#include "services/energy/EnergySample.h"

#include <QImage>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>

namespace brisel {

class Clock;
class ProcessUsage;
class RunningApplications;

// Reads the running applications' usage and scores their energy use, on its own serial queue
// "com.brisel.energy-sampling". It remembers each process's last reading, so a sampling soon
// after the previous one scores what happened in between rather than over the process's life,
// and it caches icons per process.
class EnergySamplingWorker {
public:
    using UsageReader = std::function<EnergyUsageSnapshot()>;
    using IconReader = std::function<QImage(std::int32_t pid)>;

    // Reads the platform's running applications, their usage and icons; readings are stamped
    // with the clock's monotonic seconds.
    EnergySamplingWorker(std::shared_ptr<RunningApplications> applications,
                         std::shared_ptr<ProcessUsage> usage, std::shared_ptr<Clock> clock);
    EnergySamplingWorker(UsageReader readUsage, IconReader readIcon);
    ~EnergySamplingWorker();
    EnergySamplingWorker(const EnergySamplingWorker&) = delete;
    EnergySamplingWorker& operator=(const EnergySamplingWorker&) = delete;

    // One sampling pass on the worker's queue: at most `limit` applications whose score reaches
    // the threshold, best first. Stays safe when the worker is destroyed right after the call.
    Task<EnergySample> sample(int limit);

    // The same pass on the calling thread. `sample` runs it on the queue; call it directly only
    // where no other sampling can run at the same time.
    EnergySample sampleOnQueue(int limit);

    // A process's last reading.
    struct Sample {
        std::uint64_t cpuTimeNs = 0;
        std::uint64_t wakeups = 0;
        double timestamp = 0;
    };

    // Score of one process: from the change since `previous` when that reading is at least
    // kMinDeltaSeconds old, else from the figures over the process's whole life.
    static double energyScore(const EnergyProcessUsage& process, const std::optional<Sample>& previous,
                              double timestamp);

    static constexpr double kThreshold = 1.5;
    static constexpr double kMinDeltaSeconds = 0.8;

    struct Core;

private:
    // The readers, what the passes remember and the queue; shared with the passes in flight.
    std::shared_ptr<Core> core_;
};

} // namespace brisel
