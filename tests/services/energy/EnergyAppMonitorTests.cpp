#include "async/RunUntil.h"
#include "platform/LinuxWorkspace.h"
#include "services/energy/EnergyAppMonitor.h"

#include "Gate.h"
#include "ManualClock.h"
#include "TestEnvironment.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>

namespace brisel {
namespace {

using test::Gate;

Task<EnergySample> heldSample(std::shared_ptr<Gate> gate, EnergySample result) {
    co_await *gate;
    co_return result;
}

Task<EnergySample> failingSample() {
    throw std::runtime_error("reader broke");
    co_return EnergySample{};
}

SignificantEnergyApp row(std::int32_t pid, double score) {
    return {pid, "App " + std::to_string(pid), "org.example." + std::to_string(pid), QImage(), score};
}

// A monitor over a scripted sampler and a clock the test moves.
struct MonitorHarness {
    std::shared_ptr<test::ManualClock> clock = std::make_shared<test::ManualClock>();
    std::vector<int> sampledLimits;
    std::shared_ptr<Gate> gate = std::make_shared<Gate>(false);
    std::string status = energy_sample_status::ready;
    bool fail = false;
    EnergyAppMonitor monitor{[this](int limit) {
                                 sampledLimits.push_back(limit);
                                 if (fail) return failingSample();
                                 EnergySample sample;
                                 for (int i = 0; i < limit; ++i)
                                     sample.apps.push_back(row(100 + i, 50.0 - i));
                                 sample.statusKey = status;
                                 return heldSample(gate, sample);
                             },
                             clock};

    std::vector<SignificantEnergyApp> request(int limit) {
        auto task = monitor.sampleTopApps(limit);
        EXPECT_TRUE(runUntil([&] { return task.isDone(); }));
        return task.result();
    }
};

TEST(EnergyAppMonitorTest, ServesFromTheCacheWhileFreshAndForLimitsUpToTheSampledOne) {
    struct Step {
        double advance;
        int limit;
        std::vector<int> expectedSamplings; // all limits sampled so far
        std::size_t expectedRows;
    };
    const struct {
        const char* name;
        std::vector<Step> steps;
    } cases[] = {
        {"two calls within 1.5 s share the sampling", {{0, 3, {3}, 3}, {1.4, 3, {3}, 3}}},
        {"a smaller limit is served from a larger sampling",
         {{0, 3, {3}, 3}, {0.5, 2, {3}, 2}, {0.5, 1, {3}, 1}}},
        {"a larger limit samples again", {{0, 3, {3}, 3}, {0.1, 5, {3, 5}, 5}, {0.1, 4, {3, 5}, 4}}},
        {"limit 0 samples 3 when stale and returns nothing", {{0, 0, {3}, 0}, {0.1, 3, {3}, 3}}},
        {"negative limits count as 0", {{0, -2, {3}, 0}}},
        {"1.5 s after the sampling finished it is stale", {{0, 3, {3}, 3}, {1.5, 3, {3, 3}, 3}}},
        {"a stale cache is replaced by the new limit",
         {{0, 5, {5}, 5}, {2.0, 2, {5, 3}, 2}, {0.1, 4, {5, 3, 4}, 4}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MonitorHarness h;
        h.gate->open();
        for (const auto& step : c.steps) {
            h.clock->advance(step.advance);
            const auto apps = h.request(step.limit);
            EXPECT_EQ(h.sampledLimits, step.expectedSamplings);
            ASSERT_EQ(apps.size(), step.expectedRows);
            for (std::size_t i = 0; i < apps.size(); ++i)
                EXPECT_EQ(apps[i].id, 100 + static_cast<int>(i));
        }
    }
}

TEST(EnergyAppMonitorTest, OverlappingRequestsShareOneSamplingInFlight) {
    MonitorHarness h;
    h.status = energy_sample_status::partial;
    auto first = h.monitor.sampleTopApps(3);
    auto second = h.monitor.sampleTopApps(1);
    auto third = h.monitor.sampleTopApps(3);
    auto larger = h.monitor.sampleTopApps(6); // waits for the sampling in flight, then samples its own
    // Every request is waiting by the time the one sampling starts: they were started first.
    ASSERT_TRUE(runUntil([&] { return !h.sampledLimits.empty(); }));
    EXPECT_EQ(h.sampledLimits, (std::vector<int>{3}));
    EXPECT_FALSE(first.isDone() || second.isDone() || third.isDone() || larger.isDone());
    EXPECT_EQ(h.monitor.statusKey(), energy_sample_status::unavailable);

    h.gate->open();
    ASSERT_TRUE(
        runUntil([&] { return first.isDone() && second.isDone() && third.isDone() && larger.isDone(); }));
    EXPECT_EQ(h.sampledLimits, (std::vector<int>{3, 6}));
    EXPECT_EQ(first.result().size(), 3u);
    EXPECT_EQ(second.result().size(), 1u);
    EXPECT_EQ(third.result(), first.result());
    EXPECT_EQ(larger.result().size(), 6u);
    EXPECT_EQ(h.monitor.statusKey(), energy_sample_status::partial);
}

TEST(EnergyAppMonitorTest, AFailingSamplerCountsAsNothingReadAndDoesNotSampleInALoop) {
    MonitorHarness h;
    h.fail = true;
    EXPECT_TRUE(h.request(3).empty());
    EXPECT_EQ(h.monitor.statusKey(), energy_sample_status::unavailable);
    EXPECT_EQ(h.sampledLimits, (std::vector<int>{3}));
    EXPECT_TRUE(h.request(3).empty());
    EXPECT_EQ(h.sampledLimits.size(), 1u);
}

// Records what the monitor asks of the workspace.
struct FakeWorkspace : Workspace {
    int answer = 0;
    std::vector<std::pair<std::string, std::string>> withParameters;
    std::vector<std::string> plain;
    int openApplication(const std::string& path, const std::string& parameters) override {
        withParameters.emplace_back(path, parameters);
        return answer;
    }
    void openApplication(const std::string& path) override { plain.push_back(path); }
    bool openSettingsPane(const SettingsPane&) override { return false; }
};

TEST(EnergyAppMonitorTest, OpensTheActivityMonitorOnTheEnergyTabAndFallsBackToAPlainLaunch) {
    const struct {
        const char* name;
        SignificantEnergyApp app;
        int answer;
        const char* parameters;
        bool fallback;
    } cases[] = {
        {"with a bundle identifier",
         {7, "Editor", "org.example.Editor", QImage(), 3},
         0,
         "openTab:Power;bundle-id:org.example.Editor;name:Editor",
         false},
        {"without one",
         {7, "Plain Tool", std::nullopt, QImage(), 3},
         0,
         "openTab:Power;bundle-id:;name:Plain Tool",
         false},
        {"launch failed",
         {7, "Editor", "org.example.Editor", QImage(), 3},
         LinuxWorkspace::kApplicationNotFound,
         "openTab:Power;bundle-id:org.example.Editor;name:Editor",
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeWorkspace workspace;
        workspace.answer = c.answer;
        EnergyAppMonitor::openInActivityMonitor(c.app, workspace);
        ASSERT_EQ(workspace.withParameters.size(), 1u);
        EXPECT_EQ(workspace.withParameters[0].first, "/System/Applications/Utilities/Activity Monitor.app");
        EXPECT_EQ(workspace.withParameters[0].second, c.parameters);
        EXPECT_EQ(workspace.plain.size(), c.fallback ? 1u : 0u);
    }
}

// A workspace whose PATH holds `installed` (under /bin) and whose launches, recorded in `launched`
// (executable then arguments), start when `launches`.
LinuxWorkspace workspaceWith(const std::vector<std::string>& installed, bool launches,
                             std::vector<std::string>& launched) {
    return LinuxWorkspace(
        [installed](const std::string& program) -> std::optional<std::string> {
            if (std::find(installed.begin(), installed.end(), program) == installed.end()) return std::nullopt;
            return "/bin/" + program;
        },
        [&launched, launches](const std::string& executable, const std::vector<std::string>& arguments) {
            launched.push_back(executable);
            launched.insert(launched.end(), arguments.begin(), arguments.end());
            return launches;
        });
}

TEST(LinuxWorkspaceTest, MapsTheActivityMonitorToTheFirstInstalledSystemMonitor) {
    const struct {
        const char* name;
        std::vector<std::string> installed;
        bool launches;
        std::string path;
        int expected;
        std::vector<std::string> expectedLaunch; // executable then arguments
    } cases[] = {
        {"gnome first, on its process list",
         {"gnome-system-monitor", "lxtask"},
         true,
         EnergyAppMonitor::kActivityMonitorPath,
         0,
         {"/bin/gnome-system-monitor", "--show-processes-tab"}},
        {"plasma without options",
         {"plasma-systemmonitor", "lxtask"},
         true,
         EnergyAppMonitor::kActivityMonitorPath,
         0,
         {"/bin/plasma-systemmonitor"}},
        {"none installed",
         {},
         true,
         EnergyAppMonitor::kActivityMonitorPath,
         LinuxWorkspace::kApplicationNotFound,
         {}},
        {"installed but it does not start",
         {"lxtask"},
         false,
         EnergyAppMonitor::kActivityMonitorPath,
         LinuxWorkspace::kLaunchFailed,
         {"/bin/lxtask"}},
        {"an application it does not know",
         {"lxtask"},
         true,
         "/Applications/Safari.app",
         LinuxWorkspace::kApplicationNotFound,
         {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> launched;
        LinuxWorkspace workspace = workspaceWith(c.installed, c.launches, launched);
        EXPECT_EQ(workspace.openApplication(c.path, "openTab:Power;bundle-id:;name:x"), c.expected);
        EXPECT_EQ(launched, c.expectedLaunch);
    }
}

TEST(LinuxWorkspaceTest, OpensASettingsPaneInTheFirstInstalledSettingsTool) {
    const struct {
        const char* name;
        SettingsPaneKind pane;
        std::vector<std::string> installed;
        bool launches;
        std::vector<std::string> expectedLaunch; // executable then arguments
    } cases[] = {
        {"gnome notifications", SettingsPaneKind::notifications, {"gnome-control-center"}, true,
         {"/bin/gnome-control-center", "notifications"}},
        {"a tool without the pane is skipped", SettingsPaneKind::loginItems,
         {"gnome-control-center", "systemsettings"}, true, {"/bin/systemsettings", "kcm_autostart"}},
        {"no settings tool", SettingsPaneKind::lockScreen, {"lxtask"}, true, {}},
        {"installed but it does not start", SettingsPaneKind::lockScreen, {"xfce4-screensaver-preferences"}, false,
         {"/bin/xfce4-screensaver-preferences"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> launched;
        LinuxWorkspace workspace = workspaceWith(c.installed, c.launches, launched);
        EXPECT_EQ(workspace.openSettingsPane({c.pane, "com.brisel.Brisel"}),
                  c.launches && !c.expectedLaunch.empty());
        EXPECT_EQ(launched, c.expectedLaunch);
    }
}

class LinuxWorkspaceLaunchTest : public test::TestEnvironment {};

TEST_F(LinuxWorkspaceLaunchTest, StartsTheProgramDetached) {
    const auto marker = root() / "started";
    const auto script = root() / "monitor";
    test::writeFile(script, "#!/bin/sh\necho \"$@\" > '" + marker.string() + ".tmp'\nmv '" + marker.string() +
                                ".tmp' '" + marker.string() + "'\n");
    std::filesystem::permissions(script, std::filesystem::perms::owner_all);
    EXPECT_TRUE(LinuxWorkspace::launchDetached(script.string(), {"--show-processes-tab"}));
    EXPECT_TRUE(runUntil([&] { return std::filesystem::exists(marker); }));
    EXPECT_EQ(test::readFile(marker), "--show-processes-tab\n");
    EXPECT_FALSE(LinuxWorkspace::launchDetached((root() / "missing").string(), {}));
}

} // namespace
} // namespace brisel
