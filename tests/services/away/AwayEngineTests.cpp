#include "async/MainThread.h"
#include "async/RunUntil.h"
#include "services/away/NetworkWatch.h"

#include "ManualClock.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <coroutine>
#include <deque>
#include <stdexcept>

namespace brisel {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;

const std::string home = "mac:02:ab:cd:00:00:01";
const std::string cafe = "str:cafe";

// One read of the network that the test finishes by hand.
struct PendingRead {
    std::optional<std::string> preferredKey;
    std::optional<NetworkFingerprint> result;
    bool fails = false;
    std::coroutine_handle<> waiter;

    void finish(NetworkFingerprint fingerprint) {
        result = std::move(fingerprint);
        if (waiter) postToMain([h = waiter] { h.resume(); });
    }
    void fail() {
        fails = true;
        if (waiter) postToMain([h = waiter] { h.resume(); });
    }
};

struct ReadAwaiter {
    std::shared_ptr<PendingRead> read;
    bool await_ready() const { return read->result || read->fails; }
    void await_suspend(std::coroutine_handle<> handle) { read->waiter = handle; }
    NetworkFingerprint await_resume() const {
        if (read->fails) throw std::runtime_error("store gone");
        return *read->result;
    }
};

Task<NetworkFingerprint> awaitRead(std::shared_ptr<PendingRead> read) {
    // A named awaiter: GCC 12 may destroy a temporary one twice.
    ReadAwaiter awaiter{std::move(read)};
    NetworkFingerprint fingerprint = co_await awaiter;
    co_return fingerprint;
}

Task<DwellTable> loadedTable(DwellTable table) {
    co_return table;
}

Task<DwellTable> unreadableTable() {
    throw std::runtime_error("defaults unreadable");
    co_return DwellTable();
}

class AwayEngineTest : public ::testing::Test {
protected:
    std::deque<std::shared_ptr<PendingRead>> reads;
    std::vector<std::shared_ptr<PendingRead>> everyRead;
    std::vector<DwellTable> saved;
    DwellTable stored;
    int loads = 0;
    int failingLoads = 0;
    std::shared_ptr<test::ManualClock> clock = std::make_shared<test::ManualClock>();
    NotificationCenter center;
    std::vector<AwayStatus> updates;

    std::unique_ptr<AwayEngine> makeEngine(bool scheduleTimers = true) {
        auto engine = std::make_unique<AwayEngine>(
            [this](std::optional<std::string> key) {
                auto read = std::make_shared<PendingRead>();
                read->preferredKey = std::move(key);
                reads.push_back(read);
                everyRead.push_back(read);
                return awaitRead(read);
            },
            [this] {
                ++loads;
                if (failingLoads > 0 && failingLoads--) return unreadableTable();
                return loadedTable(stored);
            },
            [this](DwellTable table) { saved.push_back(std::move(table)); }, center, scheduleTimers, clock);
        engine->onUpdate = [this](const AwayStatus& status) { updates.push_back(status); };
        return engine;
    }

    static AwayEngine::Configuration config(std::vector<std::string> usual = {
                                                AwayDetector::shortHash(home)}) {
        AwayEngine::Configuration c;
        c.usualFingerprints = std::move(usual);
        return c;
    }

    void TearDown() override {
        // Reads left open would leave their coroutines suspended for good.
        for (auto& read : everyRead)
            if (!read->result && !read->fails) read->finish({});
        settle();
    }

    bool waitForReads(std::size_t count) {
        return runUntil([&] { return reads.size() >= count; }, seconds(5)) && reads.size() == count;
    }
    // Runs every posted continuation, and those they post in turn: the fakes need no real time,
    // only turns of the event loop, so a fixed number of turns settles them whatever the load.
    void settle() {
        for (int turn = 0; turn < 100; ++turn)
            QCoreApplication::processEvents();
    }
    // Moves the wall clock only: the sampling timer fires when a test says so.
    void advance(double s) {
        clock->wall += std::chrono::duration_cast<WallTime::duration>(std::chrono::duration<double>(s));
    }
    bool timerAlive() const { return clock->liveTimers() == 1; }
    void fireTimer() {
        ASSERT_TRUE(timerAlive());
        clock->fireAll();
    }
};

TEST_F(AwayEngineTest, TimerIntervalFollowsSampleSecondsWithAFloorOfFive) {
    const struct {
        int sampleSeconds;
        bool enabled;
        std::optional<double> interval;
    } cases[] = {{1, true, 5}, {30, true, 30}, {30, false, std::nullopt}};
    for (const auto& c : cases) {
        auto engine = makeEngine();
        reads.clear();
        auto cfg = config();
        cfg.sampleSeconds = c.sampleSeconds;
        cfg.enabled = c.enabled;
        engine->update(cfg);
        EXPECT_EQ(timerAlive(), c.interval.has_value()) << c.sampleSeconds;
        if (c.interval) {
            EXPECT_EQ(clock->liveIntervals(), std::vector<double>{*c.interval});
        }
        EXPECT_EQ(engine->status.configurationSamplePending, c.enabled);
        settle();
        EXPECT_EQ(reads.size(), c.enabled ? 1u : 0u);
    }
}

TEST_F(AwayEngineTest, FirstSampleUnderANewConfigurationIsAlwaysReported) {
    auto engine = makeEngine();
    stored = {{home, 100}};
    engine->update(config());
    EXPECT_TRUE(engine->status.configurationSamplePending);
    ASSERT_TRUE(waitForReads(1));
    EXPECT_EQ(reads[0]->preferredKey, std::nullopt);
    reads[0]->finish({home, false});
    ASSERT_TRUE(runUntil([&] { return updates.size() == 1; }));
    const AwayStatus& status = updates[0];
    EXPECT_FALSE(status.configurationSamplePending);
    EXPECT_EQ(status.fingerprint, AwayDetector::shortHash(home));
    EXPECT_TRUE(status.isUsual);
    EXPECT_TRUE(status.protectionReady);
    EXPECT_EQ(engine->status, status);
    EXPECT_EQ(loads, 1);
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_EQ(saved[0], (DwellTable{{home, 100}}));

    // The same network again: dwell is credited, nothing visible changed.
    advance(20);
    fireTimer();
    ASSERT_TRUE(waitForReads(2));
    EXPECT_EQ(reads[1]->preferredKey, home);
    reads[1]->finish({home, false});
    ASSERT_TRUE(runUntil([&] { return saved.size() == 2; }));
    EXPECT_EQ(saved[1], (DwellTable{{home, 120}}));
    EXPECT_EQ(updates.size(), 1u);
    EXPECT_EQ(loads, 1);

    // A reconfiguration is reported with its first sample even when the verdict is the same.
    engine->update(config());
    ASSERT_TRUE(waitForReads(3));
    reads[2]->finish({home, false});
    ASSERT_TRUE(runUntil([&] { return updates.size() == 2; }));
}

TEST_F(AwayEngineTest, TicksDuringAReadCoalesceIntoOneMoreRead) {
    auto engine = makeEngine();
    engine->update(config());
    ASSERT_TRUE(waitForReads(1));
    fireTimer();
    fireTimer();
    settle();
    EXPECT_EQ(reads.size(), 1u);
    reads[0]->finish({home, false});
    ASSERT_TRUE(waitForReads(2));
    reads[1]->finish({home, false});
    settle();
    EXPECT_EQ(reads.size(), 2u);
}

TEST_F(AwayEngineTest, ConfigurationChangeDropsTheReadInFlight) {
    auto engine = makeEngine();
    engine->update(config());
    ASSERT_TRUE(waitForReads(1));
    engine->update(config({"abcdef"}));
    EXPECT_TRUE(engine->status.configurationSamplePending);
    reads[0]->finish({cafe, true});
    ASSERT_TRUE(waitForReads(2));
    EXPECT_TRUE(updates.empty());
    EXPECT_TRUE(saved.empty());
    EXPECT_EQ(reads[1]->preferredKey, std::nullopt);
    reads[1]->finish({home, false});
    ASSERT_TRUE(runUntil([&] { return updates.size() == 1; }));
    EXPECT_EQ(updates[0].fingerprint, AwayDetector::shortHash(home));
    EXPECT_FALSE(updates[0].isUsual);
}

TEST_F(AwayEngineTest, SleepDropsTheReadInFlightAndWakeSamplesAgain) {
    auto engine = makeEngine();
    stored = {{home, 100}};
    engine->update(config());
    ASSERT_TRUE(waitForReads(1));
    center.post(notification_names::workspaceWillSleep);
    ASSERT_EQ(saved.size(), 1u); // the loaded table, with nothing to credit yet
    reads[0]->finish({cafe, false});
    fireTimer(); // ignored while asleep
    settle();
    EXPECT_EQ(reads.size(), 1u);
    EXPECT_TRUE(updates.empty());

    advance(3600);
    center.post(notification_names::workspaceDidWake);
    ASSERT_TRUE(waitForReads(2));
    reads[1]->finish({home, false});
    ASSERT_TRUE(runUntil([&] { return updates.size() == 1; }));
    EXPECT_EQ(updates[0].fingerprint, AwayDetector::shortHash(home));
    EXPECT_EQ(saved.back(), (DwellTable{{home, 100}})); // the hour asleep is not credited
}

TEST_F(AwayEngineTest, SleepBeforeTheTableIsLoadedNeitherCreditsNorSaves) {
    auto engine = makeEngine();
    stored = {{home, 100}};
    engine->update(config()); // the sampling task has not started yet
    center.post(notification_names::workspaceWillSleep);
    EXPECT_TRUE(saved.empty());
    settle();
    // The table is loaded all the same, but the sample begun before the sleep is not taken.
    EXPECT_EQ(loads, 1);
    EXPECT_TRUE(reads.empty());
    EXPECT_TRUE(saved.empty());
    center.post(notification_names::workspaceDidWake);
    ASSERT_TRUE(waitForReads(1));
    EXPECT_EQ(loads, 1);
}

TEST_F(AwayEngineTest, OnlyWholeMinuteChangesAreReported) {
    auto engine = makeEngine();
    auto cfg = config();
    cfg.awayAfterMinutes = 3;
    engine->update(cfg);
    const struct {
        double after;
        double waiting;
        bool reported;
    } steps[] = {{0, 180, true}, {55, 125, true}, {4, 121, false}, {2, 119, true}, {1, 118, false}};
    std::size_t expected = 0;
    for (const auto& step : steps) {
        SCOPED_TRACE(step.waiting);
        advance(step.after);
        if (step.after > 0) fireTimer();
        ASSERT_TRUE(waitForReads(1));
        const std::size_t before = saved.size();
        reads.back()->finish({cafe, false});
        ASSERT_TRUE(runUntil([&] { return saved.size() == before + 1; }));
        EXPECT_DOUBLE_EQ(engine->status.waitingRemainingSeconds, step.waiting);
        if (step.reported) ++expected;
        EXPECT_EQ(updates.size(), expected);
        reads.clear();
    }
}

TEST_F(AwayEngineTest, WithoutTimersOnlyUpdatesAndWakesSample) {
    auto engine = makeEngine(false);
    engine->update(config());
    EXPECT_FALSE(timerAlive());
    ASSERT_TRUE(waitForReads(1));
    reads[0]->finish({home, false});
    settle();
    EXPECT_EQ(reads.size(), 1u);
    center.post(notification_names::workspaceDidWake);
    ASSERT_TRUE(waitForReads(2));
}

TEST_F(AwayEngineTest, StoppedEngineTakesNoSamplesUntilUpdated) {
    auto engine = makeEngine();
    engine->update(config());
    ASSERT_TRUE(waitForReads(1));
    engine->stop();
    EXPECT_FALSE(timerAlive());
    reads[0]->finish({home, false});
    center.post(notification_names::workspaceWillSleep);
    center.post(notification_names::workspaceDidWake);
    settle();
    EXPECT_EQ(reads.size(), 1u);
    EXPECT_TRUE(updates.empty()); // the read in flight was dropped

    engine->update(config());
    EXPECT_TRUE(timerAlive());
    ASSERT_TRUE(waitForReads(2));
}

TEST_F(AwayEngineTest, FailedReadTakesNoSampleAndSamplingGoesOn) {
    auto engine = makeEngine();
    engine->update(config());
    ASSERT_TRUE(waitForReads(1));
    fireTimer();
    reads[0]->fail();
    ASSERT_TRUE(waitForReads(2));
    EXPECT_TRUE(updates.empty());
    EXPECT_TRUE(saved.empty());
    reads[1]->finish({home, false});
    ASSERT_TRUE(runUntil([&] { return updates.size() == 1; }));
}

TEST_F(AwayEngineTest, FailedLoadIsRetriedForATickThatCameMeanwhile) {
    failingLoads = 1;
    stored = {{home, 100}};
    auto engine = makeEngine(false);
    engine->update(config());
    center.post(notification_names::workspaceDidWake); // a tick while the load is in flight
    ASSERT_TRUE(waitForReads(1));
    EXPECT_EQ(loads, 2);
    reads[0]->finish({home, false});
    ASSERT_TRUE(runUntil([&] { return saved.size() == 1; }));
    EXPECT_EQ(saved[0], (DwellTable{{home, 100}})); // the stored table, not a fresh one
}

TEST_F(AwayEngineTest, DestroyedEngineIgnoresLateResultsAndNotifications) {
    auto engine = makeEngine();
    engine->update(config());
    ASSERT_TRUE(waitForReads(1));
    engine.reset();
    EXPECT_FALSE(timerAlive());
    reads[0]->finish({home, false});
    center.post(notification_names::workspaceDidWake);
    settle();
    EXPECT_TRUE(updates.empty());
    EXPECT_TRUE(saved.empty());
}

} // namespace
} // namespace brisel
