#include "async/RunUntil.h"
#include "services/energy/EnergySamplingWorker.h"

#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <vector>

namespace brisel {
namespace {

constexpr std::uint64_t kSecond = 1'000'000'000;

EnergyProcessUsage process(std::int32_t pid, std::uint64_t cpuNs, std::uint64_t wakeups, double life,
                           std::uint64_t start = 1000, std::string name = {}) {
    EnergyProcessUsage p;
    p.id = pid;
    p.name = name.empty() ? "App " + std::to_string(pid) : std::move(name);
    p.bundleIdentifier = "org.example.app" + std::to_string(pid);
    p.startTime = start;
    p.cpuTimeNs = cpuNs;
    p.wakeups = wakeups;
    p.lifetimeSeconds = life;
    return p;
}

// A worker whose reading is whatever the test put in `next`.
struct ScriptedWorker {
    EnergyUsageSnapshot next;
    std::map<std::int32_t, int> iconReads;
    EnergySamplingWorker worker{[this] { return next; },
                                [this](std::int32_t pid) {
                                    ++iconReads[pid];
                                    // Odd pids have an icon, even ones none.
                                    if (pid % 2 == 0) return QImage();
                                    QImage image(2, 2, QImage::Format_ARGB32);
                                    image.fill(Qt::red);
                                    return image;
                                }};

    EnergySample pass(double timestamp, std::vector<EnergyProcessUsage> processes, int limit = 10,
                      int unreadable = 0) {
        next = {timestamp, std::move(processes), unreadable};
        return worker.sampleOnQueue(limit);
    }
};

TEST(EnergySamplingWorkerTest, ScoresFromLifetimeOrFromTheChangeSinceTheLastReading) {
    struct Case {
        const char* name;
        double secondTimestamp;
        EnergyProcessUsage second;
        std::optional<double> expectedScore; // nothing: dropped
    };
    // First reading at t=10: 2 s of CPU over 100 s with 100 wake-ups scores 2.8 + 0.03.
    const auto first = process(7, 2 * kSecond, 100, 100.0);
    const Case cases[] = {
        {"delta over 2 s: 1.0 + 0.2, below the threshold", 12.0,
         process(7, 2 * kSecond + kSecond / 50, 110, 102.0), std::nullopt},
        {"delta with a busy second: 50 + 0.2", 12.0, process(7, 3 * kSecond, 110, 102.0), 50.2},
        {"only 0.5 s later: lifetime figures again", 10.5, process(7, 2 * kSecond + kSecond / 50, 110, 100.5),
         (2.02 / 100.5) * 100 * 1.4 + 110 / 100.5 * 0.03},
        {"0.8 s later counts as a delta", 10.8, process(7, 2 * kSecond + 8 * kSecond / 10, 100, 100.8),
         100.0},
        {"CPU counter went backwards: only wake-ups count", 12.0, process(7, kSecond, 110, 102.0),
         std::nullopt},
        {"CPU backwards, many wake-ups", 12.0, process(7, kSecond, 200 + 100, 102.0), 200 / 2.0 * 0.04},
        {"wake-ups backwards, CPU busy", 12.0, process(7, 4 * kSecond, 0, 102.0), 100.0},
        {"pid reused by a new process: lifetime of the new one", 12.0,
         process(7, 3 * kSecond, 0, 10.0, /*start*/ 5000), 3.0 / 10.0 * 100 * 1.4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedWorker w;
        const auto initial = w.pass(10.0, {first});
        ASSERT_EQ(initial.apps.size(), 1u);
        EXPECT_NEAR(initial.apps[0].energyScore, 2.83, 1e-9);
        const auto later = w.pass(c.secondTimestamp, {c.second});
        if (c.expectedScore) {
            ASSERT_EQ(later.apps.size(), 1u);
            EXPECT_NEAR(later.apps[0].energyScore, *c.expectedScore, 1e-9);
        } else {
            EXPECT_TRUE(later.apps.empty());
        }
    }
}

TEST(EnergySamplingWorkerTest, KeepsScoresFromTheThresholdUp) {
    // 50 wake-ups in a first second score exactly 1.5; 49 score 1.47.
    ScriptedWorker w;
    auto sample = w.pass(1.0, {process(1, 0, 49, 1.0), process(3, 0, 50, 1.0)});
    ASSERT_EQ(sample.apps.size(), 1u);
    EXPECT_EQ(sample.apps[0].id, 3);
    EXPECT_EQ(sample.apps[0].energyScore, EnergySamplingWorker::kThreshold);

    // The same edge on the delta path: 15 ms of CPU in one second scores exactly 1.5.
    sample =
        w.pass(2.0, {process(1, kSecond / 1000 * 14, 49, 2.0), process(3, kSecond / 1000 * 15, 50, 2.0)});
    ASSERT_EQ(sample.apps.size(), 1u);
    EXPECT_EQ(sample.apps[0].id, 3);
    EXPECT_EQ(sample.apps[0].energyScore, EnergySamplingWorker::kThreshold);
}

TEST(EnergySamplingWorkerTest, SortsBestFirstAndKeepsListOrderForTies) {
    ScriptedWorker w;
    const auto sample = w.pass(1.0, {process(11, 2 * kSecond, 0, 100.0), process(12, 5 * kSecond, 0, 100.0),
                                     process(13, 2 * kSecond, 0, 100.0), process(14, 2 * kSecond, 0, 100.0),
                                     process(15, 9 * kSecond, 0, 100.0)});
    std::vector<std::int32_t> ids;
    for (const auto& app : sample.apps)
        ids.push_back(app.id);
    EXPECT_EQ(ids, (std::vector<std::int32_t>{15, 12, 11, 13, 14}));
}

TEST(EnergySamplingWorkerTest, StatusTellsWhetherEverythingWasRead) {
    const struct {
        std::size_t processes;
        int unreadable;
        const char* expected;
    } cases[] = {
        {0, 0, energy_sample_status::unavailable},
        {0, 3, energy_sample_status::unavailable},
        {2, 1, energy_sample_status::partial},
        {2, 0, energy_sample_status::ready},
    };
    for (const auto& c : cases) {
        ScriptedWorker w;
        std::vector<EnergyProcessUsage> processes;
        for (std::size_t i = 0; i < c.processes; ++i)
            processes.push_back(process(static_cast<int>(i + 1), 0, 0, 10));
        EXPECT_EQ(w.pass(1.0, processes, 3, c.unreadable).statusKey, c.expected);
    }
}

TEST(EnergySamplingWorkerTest, CachesIconsPerProcessIncludingMissingOnesAndForgetsGoneProcesses) {
    ScriptedWorker w;
    const auto busyOdd = process(3, 9 * kSecond, 0, 100.0);
    const auto busyEven = process(4, 9 * kSecond, 0, 100.0);
    auto sample = w.pass(1.0, {busyOdd, busyEven});
    ASSERT_EQ(sample.apps.size(), 2u);
    EXPECT_FALSE(sample.apps[0].icon.isNull());
    EXPECT_TRUE(sample.apps[1].icon.isNull());

    // Busy again two seconds later: icons come from the cache, the missing one too.
    auto again3 = busyOdd;
    again3.cpuTimeNs += 2 * kSecond;
    auto again4 = busyEven;
    again4.cpuTimeNs += 2 * kSecond;
    sample = w.pass(3.0, {again3, again4});
    ASSERT_EQ(sample.apps.size(), 2u);
    EXPECT_EQ(w.iconReads[3], 1);
    EXPECT_EQ(w.iconReads[4], 1);
    EXPECT_FALSE(sample.apps[0].icon.isNull());

    // Only listed applications cost an icon read.
    auto busier3 = again3;
    busier3.cpuTimeNs += 2 * kSecond;
    w.pass(4.0, {busier3, again4, process(5, 9 * kSecond, 0, 100.0)}, 1);
    EXPECT_EQ(w.iconReads.count(5), 0u);

    // Process 3 ends; a new process reusing its pid gets its own icon read.
    w.pass(5.0, {again4});
    w.pass(7.0, {process(3, 9 * kSecond, 0, 100.0, /*start*/ 99999), again4});
    EXPECT_EQ(w.iconReads[3], 2);
}

TEST(EnergySamplingWorkerTest, APassStaysSafeWhenTheWorkerGoesRightAfterTheCall) {
    auto worker = std::make_unique<EnergySamplingWorker>(
        [] {
            return EnergyUsageSnapshot{5.0, {process(3, 50 * kSecond, 0, 10.0)}, 0};
        },
        [](std::int32_t) { return QImage(); });
    auto pass = worker->sample(3);
    worker.reset(); // before the pass has started
    ASSERT_TRUE(runUntil([&] { return pass.isDone(); }));
    ASSERT_EQ(pass.result().apps.size(), 1u);
    EXPECT_EQ(pass.result().apps[0].id, 3);
}

// How fast such a pass runs is measured by `brisel-bench sampling`, not here.
TEST(EnergySamplingWorkerTest, RepeatedPassesOverFiveHundredProcessesKeepTheTopThree) {
    std::vector<EnergyProcessUsage> processes;
    for (int i = 0; i < 500; ++i)
        processes.push_back(process(100 + i, static_cast<std::uint64_t>(i) * kSecond / 7,
                                    static_cast<std::uint64_t>(i) * 13, 50.0 + i,
                                    1000 + static_cast<std::uint64_t>(i)));
    ScriptedWorker w;
    w.next = {1.0, processes, 0};
    // Lifetime scoring first, delta scoring afterwards.
    for (int round = 0; round < 5; ++round) {
        w.next.timestamp = 1.0 + round;
        for (auto& p : w.next.processes)
            p.cpuTimeNs += kSecond / 10;
        const auto sample = w.worker.sampleOnQueue(3);
        EXPECT_EQ(sample.apps.size(), 3u);
    }
}

} // namespace
} // namespace brisel
