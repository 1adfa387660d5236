#include "services/energy/EnergyUsageReader.h"

#include <gtest/gtest.h>

#include <map>

namespace brisel {
namespace {

struct FakeApplications : RunningApplications {
    std::vector<RunningApplication> apps;
    std::optional<std::string> own = "com.brisel.Brisel";
    std::vector<RunningApplication> list() override { return apps; }
    std::optional<std::string> ownBundleIdentifier() override { return own; }
    std::optional<std::string> iconFile(std::int32_t) override { return std::nullopt; }
};

struct FakeUsage : ProcessUsage {
    std::uint64_t now = 0;
    TimeBase base{1, 1};
    std::map<std::int32_t, ProcessResourceUsage> records;
    std::vector<std::int32_t> asked;
    std::uint64_t absoluteTime() override { return now; }
    TimeBase timeBase() override { return base; }
    std::vector<std::optional<ProcessTimes>> handed;
    std::optional<ProcessResourceUsage> read(std::int32_t pid,
                                             const std::optional<ProcessTimes>& known) override {
        asked.push_back(pid);
        handed.push_back(known);
        const auto it = records.find(pid);
        if (it == records.end()) return std::nullopt;
        return it->second;
    }
};

RunningApplication app(std::int32_t pid, std::optional<std::string> bundle, std::optional<std::string> name,
                       ActivationPolicy policy = ActivationPolicy::regular, bool terminated = false) {
    return {pid, std::move(bundle), std::move(name), policy, terminated, std::nullopt};
}

TEST(EnergyUsageReaderTest, ListsOnlyRegularNamedForeignApplications) {
    FakeApplications apps;
    apps.apps = {
        app(10, "org.example.Editor", "Editor"),
        app(11, "org.example.Agent", "Agent", ActivationPolicy::accessory),
        app(12, "org.example.Hidden", "Hidden", ActivationPolicy::prohibited),
        app(13, "org.example.Gone", "Gone", ActivationPolicy::regular, true),
        app(0, "org.example.Zero", "Zero"),
        app(-4, "org.example.Negative", "Negative"),
        app(14, "com.brisel.Brisel", "Brisel"),
        app(15, "com.apple.ActivityMonitor", "Activity Monitor"),
        app(16, "org.example.Nameless", std::nullopt),
        app(17, "org.example.Empty", ""),
        app(18, std::nullopt, "No Bundle"),
        app(19, "org.example.Unreadable", "Unreadable"),
    };
    apps.apps[0].times = ProcessTimes{1, 2, 3};
    FakeUsage usage;
    usage.now = 5000;
    for (std::int32_t pid : {10, 11, 12, 13, 0, -4, 14, 15, 16, 17, 18})
        usage.records[pid] = {1, 1, 1000, 1};

    const auto snapshot = readRunningApplicationsUsage(apps, usage, 42.5);
    EXPECT_EQ(snapshot.timestamp, 42.5);
    ASSERT_EQ(snapshot.processes.size(), 2u);
    EXPECT_EQ(snapshot.processes[0].id, 10);
    EXPECT_EQ(snapshot.processes[0].bundleIdentifier, "org.example.Editor");
    EXPECT_EQ(snapshot.processes[1].id, 18);
    EXPECT_EQ(snapshot.processes[1].bundleIdentifier, std::nullopt);
    EXPECT_EQ(snapshot.unreadable, 1);
    // Filtered applications are not even read.
    EXPECT_EQ(usage.asked, (std::vector<std::int32_t>{10, 18, 19}));
    // Times the list came with are handed on, so they are not read twice.
    EXPECT_EQ(usage.handed, (std::vector<std::optional<ProcessTimes>>{ProcessTimes{1, 2, 3}, {}, {}}));
}

TEST(EnergyUsageReaderTest, ConvertsTimesWithTheTimeBase) {
    struct Case {
        const char* name;
        TimeBase base;
        std::uint64_t now;
        ProcessResourceUsage record;
        std::uint64_t cpuNs;
        double lifetime;
    };
    const Case cases[] = {
        {"clock ticks at 100 Hz",
         {1'000'000'000, 100},
         100 * 1000,
         {250, 50, 100 * 900, 7},
         3'000'000'000,
         100.0},
        {"Apple silicon 125/3",
         {125, 3},
         24'000'000ull * 500,
         {24'000'000, 0, 24'000'000ull * 400, 0},
         1'000'000'000,
         100.0},
        {"started in the future: lifetime of one unit, raised to 1 s", {1, 1}, 10, {0, 0, 20, 0}, 0, 1.0},
        {"a process younger than a second lives 1 s", {1, 1}, 500'000'000, {0, 0, 400'000'000, 0}, 0, 1.0},
        {"a year at 24 MHz and 125/3 does not overflow",
         {125, 3},
         24'000'000ull * 3600 * 24 * 366,
         {24'000'000ull * 3600 * 24 * 365, 0, 24'000'000ull * 3600 * 24, 0},
         3600ull * 24 * 365 * 1'000'000'000,
         3600.0 * 24 * 365},
        {"a zero denominator counts as 1", {1, 0}, 3'000'000'000, {5, 5, 0, 0}, 10, 3.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeApplications apps;
        apps.apps = {app(10, "org.example.Editor", "Editor")};
        FakeUsage usage;
        usage.now = c.now;
        usage.base = c.base;
        usage.records[10] = c.record;
        const auto snapshot = readRunningApplicationsUsage(apps, usage, 1.0);
        ASSERT_EQ(snapshot.processes.size(), 1u);
        const auto& p = snapshot.processes[0];
        EXPECT_EQ(p.cpuTimeNs, c.cpuNs);
        EXPECT_DOUBLE_EQ(p.lifetimeSeconds, c.lifetime);
        EXPECT_EQ(p.startTime, c.record.startTime);
        EXPECT_EQ(p.wakeups, c.record.idleWakeups);
        EXPECT_EQ(p.identity(), "10:" + std::to_string(c.record.startTime));
    }
}

} // namespace
} // namespace brisel
