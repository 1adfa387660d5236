// One hardware poll on the simulated machine, alone and as an operation of the hardware queue.

#include "services/power/HardwareIO.h"
#include "services/power/HardwareSnapshot.h"

#include "TestEnvironment.h"
#include "async/RunUntil.h"
#include "platform/sim/SimBatteryRegistry.h"
#include "platform/sim/SimPowerFeatures.h"
#include "platform/sim/SimPowerFramework.h"
#include "platform/sim/SimPowerRootDomain.h"
#include "services/helper-client/HelperManager.h"
#include "services/powerui-bridge/PowerUIBridge.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

namespace brisel::test {
namespace {

using namespace std::chrono_literals;

class HardwareSnapshotTest : public TestEnvironment {
protected:
    void SetUp() override {
        TestEnvironment::SetUp();
        // A still clock: the battery does not move between reads.
        machine = SimMachine(SimStore(simDir()), [] { return 1'700'000'000.0; });
        installPowerFrameworkLoader(std::make_shared<SimPowerFramework>(machine));

        const auto tool = root() / "tool";
        writeFile(tool, "#!/bin/sh\ncat '" + (root() / "listing").string() + "'\n");
        ::chmod(tool.c_str(), 0755);
        listing(" SleepDisabled\t\t0\n lowpowermode         0\n powermode            2\n");

        HelperManager::Environment environment;
        environment.powerTool = tool.string();
        environment.powerFeatures = std::make_shared<SimPowerFeatures>(machine);
        helper.emplace(std::move(environment));
        sources = HardwareSources{std::make_shared<SimBatteryRegistry>(machine),
                                  std::make_shared<SimPowerRootDomain>(machine), &*helper};
    }
    void TearDown() override {
        installPowerFrameworkLoader(nullptr);
        TestEnvironment::TearDown();
    }
    void set(const char* pointer, const nlohmann::json& value) {
        ASSERT_EQ(machine.set(pointer, value), std::nullopt);
    }
    void listing(const std::string& text) { writeFile(root() / "listing", text); }

    SimMachine machine;
    std::optional<HelperManager> helper;
    HardwareSources sources;
};

TEST_F(HardwareSnapshotTest, CarriesWhatTheMachineHolds) {
    set("/battery/percent", 64.0);
    set("/adapter/connected", false);
    set("/lid/closed", true);
    set("/lid/causesSleep", false);
    set("/chargeLimit/limit", 85);
    set("/chargeLimit/limits", nlohmann::json{100, 80, 90, 85});
    set("/energyMode/highPowerSupported", true);

    const HardwareSnapshot snapshot = readHardwareSnapshot(sources);
    EXPECT_EQ(snapshot.battery.percent, 64);
    EXPECT_FALSE(snapshot.battery.externalConnected);
    EXPECT_EQ(snapshot.clamshellClosed, true);
    EXPECT_EQ(snapshot.clamshellCausesSleep, false);
    EXPECT_TRUE(snapshot.supportsLimit);
    EXPECT_EQ(snapshot.availableLimits, (std::vector<int>{80, 85, 90, 100}));
    EXPECT_EQ(snapshot.currentLimit, 85);
    EXPECT_TRUE(snapshot.limitEnabled);
    EXPECT_TRUE(snapshot.supportsTemporaryFullCharge);
    EXPECT_EQ(snapshot.availableEnergyModes,
              (std::vector<EnergyMode>{EnergyMode::automatic, EnergyMode::lowPower, EnergyMode::highPower}));
    EXPECT_EQ(snapshot.energyMode, EnergyMode::highPower);
}

TEST_F(HardwareSnapshotTest, FieldsThatCannotBeReadStayEmpty) {
    set("/chargeLimit/enabled", false);
    set("/chargeLimit/operations/temporaryFull", false);
    set("/energyMode/lowPowerSupported", false);
    ASSERT_FALSE(machine.setFault("clamshell", "fail"));
    listing("nothing\n");

    const HardwareSnapshot snapshot = readHardwareSnapshot(sources);
    EXPECT_EQ(snapshot.clamshellClosed, std::nullopt);
    EXPECT_EQ(snapshot.clamshellCausesSleep, std::nullopt);
    EXPECT_EQ(snapshot.currentLimit, 80);
    EXPECT_FALSE(snapshot.limitEnabled);
    EXPECT_FALSE(snapshot.supportsTemporaryFullCharge);
    EXPECT_EQ(snapshot.availableEnergyModes, std::vector<EnergyMode>{EnergyMode::automatic});
    EXPECT_EQ(snapshot.energyMode, std::nullopt);

    ASSERT_FALSE(machine.set("/energyMode/systemLowPowerMode", true));
    EXPECT_EQ(readHardwareSnapshot(sources).energyMode, EnergyMode::lowPower)
        << "the system's low-power flag";
}

TEST_F(HardwareSnapshotTest, WithoutTheChargeLimitServiceTheLimitFieldsStayEmpty) {
    set("/chargeLimit/available", false);
    installPowerFrameworkLoader(std::make_shared<SimPowerFramework>(machine));
    const HardwareSnapshot snapshot = readHardwareSnapshot(sources);
    EXPECT_FALSE(snapshot.supportsLimit);
    EXPECT_TRUE(snapshot.availableLimits.empty());
    EXPECT_EQ(snapshot.currentLimit, std::nullopt);
    EXPECT_FALSE(snapshot.limitEnabled);
    EXPECT_FALSE(snapshot.supportsTemporaryFullCharge);
    EXPECT_TRUE(snapshot.battery.present) << "the rest is still read";
}

TEST_F(HardwareSnapshotTest, ASnapshotOnTheQueueIsAllOrNothing) {
    HardwareIO io("com.brisel.hardware");
    std::atomic<int> recoveries{0};
    io.onRecovery([&] { ++recoveries; });

    const auto first = io.run([sources = sources] { return readHardwareSnapshot(sources); });
    ASSERT_TRUE(runUntil([&] { return first.isDone(); }, 10s));
    ASSERT_EQ(first.result().index(), 0u);
    EXPECT_EQ(std::get<0>(first.result()).currentLimit, 80);

    ASSERT_FALSE(machine.setFault("battery", "hang"));
    const auto stuck = io.run([sources = sources] { return readHardwareSnapshot(sources); }, 0.05);
    ASSERT_TRUE(runUntil([&] { return stuck.isDone(); }, 10s));
    ASSERT_EQ(stuck.result().index(), 1u) << "no partial reading";
    EXPECT_EQ(std::get<1>(stuck.result()), (HardwareFailure{"error.hardwareTimeout", true}));
    ASSERT_FALSE(machine.clearFault("battery"));
    EXPECT_TRUE(runUntil([&] { return recoveries == 1; }, 10s));
}

} // namespace
} // namespace brisel::test
