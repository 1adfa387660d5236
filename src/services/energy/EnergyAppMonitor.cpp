#include "services/energy/EnergyAppMonitor.h"

#include "async/Clock.h"
#include "platform/Workspace.h"

#include <algorithm>

namespace brisel {

struct EnergyAppMonitor::State {
    Sampler sample;
    std::shared_ptr<Clock> clock;
    std::optional<Task<void>> samplingTask;
    std::optional<double> lastSampledAt;
    int cachedLimit = 0;
    std::vector<SignificantEnergyApp> cachedApps;
    std::string statusKey = energy_sample_status::unavailable;
};

namespace {

Task<void> runSampling(std::shared_ptr<EnergyAppMonitor::State> state, int samplingLimit) {
    EnergySample result;
    try {
        auto sampling = state->sample(samplingLimit);
        result = co_await sampling;
    } catch (...) {
        // A sampler that fails counts as a reading of nothing; leaving the cache stale would make
        // every waiting caller start another sampling at once.
        result = EnergySample{};
    }
    state->cachedApps = std::move(result.apps);
    state->statusKey = std::move(result.statusKey);
    state->cachedLimit = samplingLimit;
    state->lastSampledAt = state->clock->monotonicSeconds();
    state->samplingTask.reset();
}

Task<std::vector<SignificantEnergyApp>> sampleTopAppsIn(std::shared_ptr<EnergyAppMonitor::State> state,
                                                        int limit) {
    const int requested = std::max(limit, 0);
    for (;;) {
        while (state->samplingTask) {
            const Task<void> inFlight = *state->samplingTask;
            co_await inFlight;
        }
        if (state->lastSampledAt &&
            state->clock->monotonicSeconds() - *state->lastSampledAt < EnergyAppMonitor::kCacheSeconds &&
            state->cachedLimit >= requested) {
            const auto count = std::min(static_cast<std::size_t>(requested), state->cachedApps.size());
            co_return std::vector<SignificantEnergyApp>(state->cachedApps.begin(),
                                                        state->cachedApps.begin() + count);
        }
        state->samplingTask = runSampling(state, std::max(limit, EnergyAppMonitor::kMinSamplingLimit));
    }
}

} // namespace

EnergyAppMonitor::EnergyAppMonitor(Sampler sample, std::shared_ptr<Clock> clock)
    : state_(std::make_shared<State>()) {
    state_->sample = std::move(sample);
    state_->clock = std::move(clock);
}

Task<std::vector<SignificantEnergyApp>> EnergyAppMonitor::sampleTopApps(int limit) {
    return sampleTopAppsIn(state_, limit);
}

const std::string& EnergyAppMonitor::statusKey() const {
    return state_->statusKey;
}

std::string EnergyAppMonitor::activityMonitorParameters(const SignificantEnergyApp& app) {
    return "openTab:Power;bundle-id:" + app.bundleIdentifier.value_or("") + ";name:" + app.name;
}

void EnergyAppMonitor::openInActivityMonitor(const SignificantEnergyApp& app, Workspace& workspace) {
    if (workspace.openApplication(kActivityMonitorPath, activityMonitorParameters(app)) != 0)
        workspace.openApplication(kActivityMonitorPath);
}

} // namespace brisel
