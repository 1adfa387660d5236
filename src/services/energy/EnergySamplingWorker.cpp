#include "services/energy/EnergySamplingWorker.h"

#include "async/Clock.h"
#include "async/SerialQueue.h"
#include "services/energy/EnergyUsageReader.h"

#include <algorithm>
#include <memory>

namespace brisel {

struct EnergySamplingWorker::Core {
    struct CachedIcon {
        QImage image; // null: the application has no icon, which is worth remembering too
    };

    Core(UsageReader readUsage, IconReader readIcon)
        : readUsage_(std::move(readUsage)), readIcon_(std::move(readIcon)) {}
    EnergySample sampleOnQueue(int limit);

    UsageReader readUsage_;
    IconReader readIcon_;
    // Touched only by the pass, on the queue.
    std::unordered_map<std::string, Sample> previousSamples_;
    std::unordered_map<std::string, CachedIcon> icons_;
    SerialQueue queue_{"com.brisel.energy-sampling"};
};

namespace {

Task<EnergySample> sampleOn(std::shared_ptr<EnergySamplingWorker::Core> core, int limit) {
    // Named: GCC 12 destroys capturing temporaries inside a co_await expression twice.
    auto job = [core, limit] { return core->sampleOnQueue(limit); };
    auto pass = core->queue_.run(std::move(job));
    co_return co_await pass;
}

} // namespace

EnergySamplingWorker::EnergySamplingWorker(std::shared_ptr<RunningApplications> applications,
                                           std::shared_ptr<ProcessUsage> usage, std::shared_ptr<Clock> clock)
    : EnergySamplingWorker(
          [applications, usage, clock] {
              return readRunningApplicationsUsage(*applications, *usage, clock->monotonicSeconds());
          },
          [applications](std::int32_t pid) {
              const auto file = applications->iconFile(pid);
              return file ? QImage(QString::fromStdString(*file)) : QImage();
          }) {}

EnergySamplingWorker::EnergySamplingWorker(UsageReader readUsage, IconReader readIcon)
    : core_(std::make_shared<Core>(std::move(readUsage), std::move(readIcon))) {}

EnergySamplingWorker::~EnergySamplingWorker() = default;

Task<EnergySample> EnergySamplingWorker::sample(int limit) {
    return sampleOn(core_, limit);
}

EnergySample EnergySamplingWorker::sampleOnQueue(int limit) {
    return core_->sampleOnQueue(limit);
}

double EnergySamplingWorker::energyScore(const EnergyProcessUsage& process,
                                         const std::optional<Sample>& previous, double timestamp) {
    if (previous) {
        const double dt = timestamp - previous->timestamp;
        if (dt >= kMinDeltaSeconds) {
            // Counters that went backwards count as no activity.
            const std::uint64_t dCpu =
                process.cpuTimeNs >= previous->cpuTimeNs ? process.cpuTimeNs - previous->cpuTimeNs : 0;
            const std::uint64_t dWake =
                process.wakeups >= previous->wakeups ? process.wakeups - previous->wakeups : 0;
            return static_cast<double>(dCpu) / (dt * 1'000'000'000.0) * 100.0 +
                   static_cast<double>(dWake) / dt * 0.04;
        }
    }
    const double life = std::max(process.lifetimeSeconds, 1.0);
    return static_cast<double>(process.cpuTimeNs) / (life * 1'000'000'000.0) * 100.0 * 1.4 +
           static_cast<double>(process.wakeups) / life * 0.03;
}

EnergySample EnergySamplingWorker::Core::sampleOnQueue(int limit) {
    const EnergyUsageSnapshot snapshot = readUsage_();

    struct Candidate {
        const EnergyProcessUsage* process;
        std::string identity;
        double score;
    };
    std::unordered_map<std::string, Sample> newSamples;
    std::vector<Candidate> candidates;
    for (const auto& process : snapshot.processes) {
        std::string key = process.identity();
        const auto previous = previousSamples_.find(key);
        const double score = energyScore(
            process,
            previous == previousSamples_.end() ? std::nullopt : std::optional<Sample>(previous->second),
            snapshot.timestamp);
        newSamples[key] = Sample{process.cpuTimeNs, process.wakeups, snapshot.timestamp};
        if (score >= kThreshold) candidates.push_back({&process, std::move(key), score});
    }

    // Forget processes that are gone, and their icons.
    previousSamples_ = std::move(newSamples);
    std::erase_if(icons_, [this](const auto& entry) { return !previousSamples_.contains(entry.first); });

    // Stable: equal scores keep the order of the running-applications list.
    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const Candidate& a, const Candidate& b) { return a.score > b.score; });

    EnergySample result;
    const std::size_t count = std::min(static_cast<std::size_t>(std::max(limit, 0)), candidates.size());
    for (std::size_t i = 0; i < count; ++i) {
        const Candidate& candidate = candidates[i];
        auto icon = icons_.find(candidate.identity);
        if (icon == icons_.end())
            icon = icons_.emplace(candidate.identity, CachedIcon{readIcon_(candidate.process->id)}).first;
        result.apps.push_back(SignificantEnergyApp{candidate.process->id, candidate.process->name,
                                                   candidate.process->bundleIdentifier, icon->second.image,
                                                   candidate.score});
    }
    if (snapshot.processes.empty())
        result.statusKey = energy_sample_status::unavailable;
    else if (snapshot.unreadable > 0)
        result.statusKey = energy_sample_status::partial;
    else
        result.statusKey = energy_sample_status::ready;
    return result;
}

} // namespace brisel
