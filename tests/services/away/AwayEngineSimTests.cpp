#include "async/RunUntil.h"
#include "platform/sim/SimNetworkStore.h"
#include "platform/sim/SimSleepWake.h"
#include "services/away/NetworkWatch.h"

#include "TestEnvironment.h"

#include <QProcess>
#include <QStringList>

namespace brisel {
namespace {

// The engine on the simulated machine, driven through brisel-sim as a user would.
class AwayEngineSimTest : public test::TestEnvironment {
protected:
    static void briselSim(const QStringList& arguments) {
#ifdef BRISEL_SIM_BINARY
        QProcess tool;
        tool.start(BRISEL_SIM_BINARY, arguments);
        ASSERT_TRUE(tool.waitForFinished(10000));
        ASSERT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().toStdString();
#else
        (void)arguments;
#endif
    }
};

TEST_F(AwayEngineSimTest, BriselSimNetworkChangesTheReportedFingerprint) {
#ifndef BRISEL_SIM_BINARY
    GTEST_SKIP() << "brisel-sim is not part of this build";
#endif
    const SimMachine machine{SimStore(simDir())};
    NotificationCenter center;
    SimSleepWake sleepWake(machine, std::chrono::milliseconds(0));
    sleepWake.start([&center](const std::string& name) { center.post(name); });
    AwayEngine engine(std::make_shared<NetworkFingerprintReader>(std::make_shared<SimNetworkStore>(machine)),
                      std::make_shared<DwellStore>(UserDefaults()), center, false);
    std::vector<AwayStatus> updates;
    engine.onUpdate = [&](const AwayStatus& status) { updates.push_back(status); };

    AwayEngine::Configuration config;
    config.usualFingerprints = {AwayDetector::shortHash("mac:02:ab:cd:00:00:01")};
    engine.update(config);
    ASSERT_TRUE(runUntil([&] { return updates.size() == 1; }));
    EXPECT_EQ(updates.back().fingerprint, AwayDetector::shortHash("mac:02:ab:cd:00:00:01"));
    EXPECT_TRUE(updates.back().isUsual);

    // Each sleep and wake counted by brisel-sim reaches the engine; the wake samples again.
    const struct {
        QStringList command;
        std::optional<std::string> key;
        bool vpn;
    } steps[] = {
        {{"set", "network", "router", "aa:bb:cc:dd:ee:ff"}, "mac:aa:bb:cc:dd:ee:ff", false},
        {{"set", "network", "vpn", "on"}, "mac:aa:bb:cc:dd:ee:ff", true},
        {{"set", "network", "offline"}, std::nullopt, false},
    };
    int events = 0;
    for (const auto& step : steps) {
        SCOPED_TRACE(step.command.join(' ').toStdString());
        briselSim(step.command);
        ++events;
        briselSim({"set", "events.sleep", QString::number(events)});
        briselSim({"set", "events.wake", QString::number(events)});
        const std::size_t before = updates.size();
        sleepWake.poll();
        ASSERT_TRUE(runUntil([&] { return updates.size() == before + 1; }));
        const std::optional<std::string> expected =
            step.key ? std::optional<std::string>(AwayDetector::shortHash(*step.key)) : std::nullopt;
        EXPECT_EQ(updates.back().fingerprint, expected);
        EXPECT_EQ(updates.back().vpnActive, step.vpn);
        EXPECT_FALSE(updates.back().isUsual);
    }
    sleepWake.stop();
}

TEST_F(AwayEngineSimTest, ReadsLoadsAndSavesStaySafeWhenTheirOwnerGoesRightAfterTheCall) {
    auto reader = std::make_shared<NetworkFingerprintReader>(
        std::make_shared<SimNetworkStore>(SimMachine{SimStore(simDir())}));
    auto read = reader->readAsync(std::nullopt);
    reader.reset();

    auto store = std::make_unique<DwellStore>(UserDefaults());
    store->save({{"mac:aa", 60}});
    auto load = store->load();
    store.reset(); // the save and the load were asked for: both still happen, in order

    ASSERT_TRUE(runUntil([&] { return read.isDone() && load.isDone(); }));
    EXPECT_EQ(read.result().key, "mac:02:ab:cd:00:00:01");
    EXPECT_EQ(load.result(), (DwellTable{{"mac:aa", 60}}));
}

} // namespace
} // namespace brisel
