#include "services/energy/EnergySamplingWorker.h"

#include "platform/DesktopRunningApplications.h"
#include "platform/ProcfsProcessUsage.h"
#include "platform/Uptime.h"
#include "services/energy/EnergyUsageReader.h"

#include <algorithm>
#include <memory>

namespace brisel {

namespace {

// The platform readers behind both default closures; the icon reader needs the list the usage
// reader last took.
struct MachineReaders {
    DesktopRunningApplications applications;
    ProcfsProcessUsage usage;
};

} // namespace

EnergySamplingWorker::EnergySamplingWorker(UsageReader readUsage, IconReader readIcon)
    : readUsage_(std::move(readUsage)), readIcon_(std::move(readIcon)) {
    if (readUsage_ && readIcon_) return;
    auto machine = std::make_shared<MachineReaders>();
    if (!readUsage_) {
        readUsage_ = [machine] {
            return readRunningApplicationsUsage(machine->applications, machine->usage,
                                                platform::uptimeSeconds());
        };
    }
    if (!readIcon_) {
        readIcon_ = [machine](std::int32_t pid) {
            const auto file = machine->applications.iconFile(pid);
            return file ? QImage(QString::fromStdString(*file)) : QImage();
        };
    }
}

EnergySamplingWorker::~EnergySamplingWorker() = default;

Task<EnergySample> EnergySamplingWorker::sample(int limit) {
    // A named awaiter: GCC 12 destroys capturing temporaries inside a co_await expression twice.
    auto pass = queue_.run([this, limit] { return sampleOnQueue(limit); });
    co_return co_await pass;
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

EnergySample EnergySamplingWorker::sampleOnQueue(int limit) {
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
