#include "services/energy/EnergyAppMonitor.h"

#include "platform/LinuxWorkspace.h"
#include "platform/Uptime.h"
#include "services/energy/EnergySamplingWorker.h"

#include <QGuiApplication>
#include <QWindow>

#include <algorithm>

namespace brisel {

struct EnergyAppMonitor::State {
    Sampler sample;
    Clock now;
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
    state->lastSampledAt = state->now();
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
        if (state->lastSampledAt && state->now() - *state->lastSampledAt < EnergyAppMonitor::kCacheSeconds &&
            state->cachedLimit >= requested) {
            const auto count = std::min(static_cast<std::size_t>(requested), state->cachedApps.size());
            co_return std::vector<SignificantEnergyApp>(state->cachedApps.begin(),
                                                        state->cachedApps.begin() + count);
        }
        state->samplingTask = runSampling(state, std::max(limit, EnergyAppMonitor::kMinSamplingLimit));
    }
}

} // namespace

EnergyAppMonitor::EnergyAppMonitor(Sampler sample, Clock now) : state_(std::make_shared<State>()) {
    if (!sample) {
        auto worker = std::make_shared<EnergySamplingWorker>();
        sample = [worker](int limit) { return worker->sample(limit); };
    }
    state_->sample = std::move(sample);
    state_->now = now ? std::move(now) : Clock(&platform::uptimeSeconds);
}

EnergyAppMonitor& EnergyAppMonitor::shared() {
    // Never destroyed: its worker thread must not be joined during static destruction.
    static auto* monitor = new EnergyAppMonitor();
    return *monitor;
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

void EnergyAppMonitor::openInActivityMonitor(const SignificantEnergyApp& app) {
    static LinuxWorkspace workspace;
    openInActivityMonitor(app, workspace);
}

void EnergyAppMonitor::openInActivityMonitor(const SignificantEnergyApp& app, Workspace& workspace) {
    // The menu-bar panel is a pop-up window; it would stay over the monitor.
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        for (QWindow* window : QGuiApplication::topLevelWindows()) {
            if (window->isVisible() && window->type() == Qt::Popup) window->hide();
        }
    }
    if (workspace.openApplication(kActivityMonitorPath, activityMonitorParameters(app)) != 0)
        workspace.openApplication(kActivityMonitorPath);
}

} // namespace brisel
