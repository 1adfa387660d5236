#pragma once

#include "async/SerialQueue.h"
#include "async/Task.h"
#include "services/energy/EnergyProcessUsage.h"
#include "services/energy/EnergySample.h"

#include <QImage>

#include <functional>
#include <optional>
#include <string>
#include <unordered_map>

namespace brisel {

// Reads the running applications' usage and scores their energy use, on its own serial queue
// "com.brisel.energy-sampling". It remembers each process's last reading, so a sampling soon
// after the previous one scores what happened in between rather than over the process's life,
// and it caches icons per process.
class EnergySamplingWorker {
public:
    using UsageReader = std::function<EnergyUsageSnapshot()>;
    using IconReader = std::function<QImage(std::int32_t pid)>;

    // Empty readers select the machine's running applications and their icons.
    explicit EnergySamplingWorker(UsageReader readUsage = {}, IconReader readIcon = {});
    ~EnergySamplingWorker();
    EnergySamplingWorker(const EnergySamplingWorker&) = delete;
    EnergySamplingWorker& operator=(const EnergySamplingWorker&) = delete;

    // One sampling pass on the worker's queue: at most `limit` applications whose score reaches
    // the threshold, best first. The worker must outlive the returned task.
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

private:
    struct CachedIcon {
        QImage image; // null: the application has no icon, which is worth remembering too
    };

    UsageReader readUsage_;
    IconReader readIcon_;
    // Touched only by the pass, on the queue.
    std::unordered_map<std::string, Sample> previousSamples_;
    std::unordered_map<std::string, CachedIcon> icons_;
    // Last, so that it is destroyed first: its worker finishes queued passes while the rest of
    // the worker still exists.
    SerialQueue queue_{"com.brisel.energy-sampling"};
};

} // namespace brisel
