#include "services/power/BatteryInfo.h"
#include "services/power/ChargeOverrideMonitor.h"

#include "async/MainThread.h"
#include "async/RunUntil.h"
#include "platform/sim/SimBatteryRegistry.h"
#include "platform/sim/SimMachine.h"
#include "platform/sim/SimNotifyService.h"

#include "ManualClock.h"
#include "TestEnvironment.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace brisel {
namespace {

class PowerSimTest : public test::TestEnvironment {
protected:
    void SetUp() override {
        TestEnvironment::SetUp();
        // A still clock: the battery does not move between reads.
        machine = SimMachine(SimStore(), std::make_shared<test::ManualClock>());
    }
    void set(const char* pointer, const nlohmann::json& value) {
        ASSERT_EQ(machine.set(pointer, value), std::nullopt);
    }

    SimMachine machine;
};

TEST_F(PowerSimTest, TheSimulatedBatteryReadsLikeTheRegistry) {
    SimBatteryRegistry registry(machine);
    nlohmann::json state = machine.state();

    BatteryInfo info = readBattery(registry);
    EXPECT_TRUE(info.present);
    EXPECT_TRUE(info.installed);
    EXPECT_EQ(info.percent, 72);
    EXPECT_TRUE(info.isCharging);
    EXPECT_TRUE(info.externalConnected);
    EXPECT_EQ(info.cycleCount, 132);
    EXPECT_EQ(info.designCapacity, 5000);
    EXPECT_EQ(info.fullChargeCapacity, 4620);
    EXPECT_EQ(info.temperatureCelsius, 30.5);
    EXPECT_EQ(info.hardwarePercent, 72.0);
    EXPECT_EQ(info.amperage, state["battery"]["amperage"].get<std::int64_t>());
    ASSERT_TRUE(info.powerFlow);
    EXPECT_EQ(info.powerFlow->adapterWatts, 96);
    EXPECT_EQ(info.powerFlow->batteryPowerWatts, state["power"]["batteryPowerWatts"].get<double>());
    EXPECT_EQ(info.powerFlow->systemPowerInWatts, state["power"]["systemPowerInWatts"].get<double>());
    EXPECT_EQ(info.powerFlow->systemLoadWatts, 8.0);
    EXPECT_GT(*info.powerFlow->batteryPowerWatts, 0.0);
    EXPECT_EQ(info.chargeStatus(80, true), ChargeStatus::charging());

    set("/battery/percent", 80.0);
    info = readBattery(registry);
    EXPECT_EQ(info.chargeStatus(80, true), ChargeStatus::holding(80));
    EXPECT_EQ(info.powerFlow->batteryPowerWatts, 0.0);

    set("/adapter/connected", false);
    info = readBattery(registry);
    EXPECT_EQ(info.chargeStatus(80, true), ChargeStatus::discharging());
    EXPECT_LT(*info.powerFlow->batteryPowerWatts, 0.0);
    EXPECT_EQ(info.powerFlow->systemPowerInWatts, 0.0);
    EXPECT_EQ(info.powerFlow->adapterWatts, std::nullopt);

    set("/battery/installed", false);
    EXPECT_EQ(readBattery(registry).chargeStatus(80, true), ChargeStatus::noBattery());
    set("/battery/present", false);
    EXPECT_FALSE(readBattery(registry).present);
}

TEST_F(PowerSimTest, AFailingBatteryReadsAsNoBattery) {
    SimBatteryRegistry registry(machine);
    ASSERT_EQ(machine.setFault("battery", "fail"), std::nullopt);
    BatteryInfo info = readBattery(registry);
    EXPECT_FALSE(info.present);
    EXPECT_EQ(info.chargeStatus(80, true), ChargeStatus::noBattery());
}

TEST_F(PowerSimTest, OverrideMonitorSeesPostsAndState) {
    // No poller thread: the test decides when the service looks.
    auto notify = std::make_shared<SimNotifyService>(machine, std::chrono::milliseconds(0));
    ChargeOverrideMonitor monitor(notify);
    int calls = 0;
    bool onMain = true;
    monitor.setOnChange([&] {
        ++calls;
        onMain = onMain && isMainThread();
    });
    EXPECT_EQ(monitor.state(), 0u);

    notify->poll();
    spinEventLoop(std::chrono::milliseconds(10));
    EXPECT_EQ(calls, 0);

    ASSERT_EQ(notify->postOverride(1), std::nullopt);
    notify->poll();
    ASSERT_TRUE(runUntil([&] { return calls == 1; }));
    EXPECT_EQ(monitor.state(), 1u);

    // Setting the state word from the tool counts as a post too.
    set("/overrideNotify/state", 0);
    notify->poll();
    ASSERT_TRUE(runUntil([&] { return calls == 2; }));
    EXPECT_EQ(monitor.state(), 0u);
    EXPECT_TRUE(onMain);

    ASSERT_EQ(machine.setFault("notify", "fail"), std::nullopt);
    EXPECT_EQ(monitor.state(), std::nullopt);
}

// Posts reach the monitor through the watch of the machine's folder: the look interval (an hour)
// only stands in where the folder cannot be watched.
TEST_F(PowerSimTest, OverrideMonitorThroughTheFolderWatchAndFailedRegistration) {
    std::filesystem::create_directories(simDir());
    auto notify = std::make_shared<SimNotifyService>(machine, std::chrono::hours(1));
    int calls = 0;
    {
        ChargeOverrideMonitor monitor(notify);
        monitor.setOnChange([&] { ++calls; });
        ASSERT_EQ(notify->postOverride(3), std::nullopt);
        ASSERT_TRUE(runUntil([&] { return calls == 1; }));
    }
    // Gone: later posts reach nobody.
    ASSERT_EQ(notify->postOverride(0), std::nullopt);
    spinEventLoop(std::chrono::milliseconds(50));
    EXPECT_EQ(calls, 1);

    ASSERT_EQ(machine.setFault("notify", "fail"), std::nullopt);
    ChargeOverrideMonitor silent(notify);
    ASSERT_EQ(machine.clearFault("notify"), std::nullopt);
    EXPECT_EQ(silent.state(), std::nullopt);
}

} // namespace
} // namespace brisel
