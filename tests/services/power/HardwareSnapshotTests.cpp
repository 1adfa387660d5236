// One hardware poll on the simulated machine, alone and as an operation of the hardware queue.

#include "services/power/HardwareIO.h"
#include "services/power/HardwareSnapshot.h"

#include "ManualClock.h"
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

#include <mutex>

namespace brisel::test {
namespace {

using namespace std::chrono_literals;

// The reads of one snapshot in the order they happen (a repeat of the same read counts once).
class ReadLog {
public:
    void note(const std::string& read) {
        std::lock_guard guard(mutex_);
        if (reads_.empty() || reads_.back() != read) reads_.push_back(read);
    }
    std::vector<std::string> reads() {
        std::lock_guard guard(mutex_);
        return std::exchange(reads_, {});
    }

private:
    std::mutex mutex_;
    std::vector<std::string> reads_;
};

// The simulated machine's facilities, noting each read in the log. `supported` stands in for the
// client's own answer to "isMCLSupported".
class LoggingClient : public SmartChargeClient {
public:
    LoggingClient(std::shared_ptr<SmartChargeClient> inner, ReadLog& log, const bool& supported)
        : inner_(std::move(inner)), log_(log), supported_(supported) {}
    bool respondsToSelector(const std::string& selector) override {
        if (selector == "temporarilyDisableMCL:") log_.note("temporaryFull");
        return inner_->respondsToSelector(selector);
    }
    bool isMCLSupported() override { return supported_ && inner_->isMCLSupported(); }
    std::int32_t getMCLLimit(std::optional<FrameworkError>& error) override {
        log_.note("current");
        return inner_->getMCLLimit(error);
    }
    bool isMCLCurrentlyEnabled(std::optional<FrameworkError>& error) override {
        log_.note("current");
        return inner_->isMCLCurrentlyEnabled(error);
    }
    std::optional<std::vector<FrameworkNumber>>
    availableChargeLimits(std::optional<FrameworkError>& error) override {
        log_.note("limits");
        return inner_->availableChargeLimits(error);
    }
    bool setMCLLimit(std::uint8_t limit, std::optional<FrameworkError>& error) override {
        return inner_->setMCLLimit(limit, error);
    }
    bool disableMCL(std::optional<FrameworkError>& error) override { return inner_->disableMCL(error); }
    bool temporarilyDisableMCL(std::optional<FrameworkError>& error) override {
        return inner_->temporarilyDisableMCL(error);
    }

private:
    std::shared_ptr<SmartChargeClient> inner_;
    ReadLog& log_;
    const bool& supported_;
};

class LoggingClientClass : public SmartChargeClientClass {
public:
    LoggingClientClass(std::shared_ptr<SmartChargeClientClass> inner, ReadLog& log, const bool& supported)
        : inner_(std::move(inner)), log_(log), supported_(supported) {}
    bool instancesRespondToSelector(const std::string& selector) override {
        return inner_->instancesRespondToSelector(selector);
    }
    std::shared_ptr<SmartChargeClient> makeClient(const std::string& clientName) override {
        auto client = inner_->makeClient(clientName);
        return client ? std::make_shared<LoggingClient>(std::move(client), log_, supported_) : nullptr;
    }

private:
    std::shared_ptr<SmartChargeClientClass> inner_;
    ReadLog& log_;
    const bool& supported_;
};

class LoggingFramework : public PowerFrameworkLoader {
public:
    LoggingFramework(SimMachine machine, ReadLog& log, const bool& supported)
        : inner_(std::move(machine)), log_(log), supported_(supported) {}
    bool open(const std::string& path, int mode) override { return inner_.open(path, mode); }
    std::shared_ptr<SmartChargeClientClass> classNamed(const std::string& name) override {
        auto found = inner_.classNamed(name);
        return found ? std::make_shared<LoggingClientClass>(std::move(found), log_, supported_) : nullptr;
    }

private:
    SimPowerFramework inner_;
    ReadLog& log_;
    const bool& supported_;
};

class LoggingBattery : public BatteryRegistry {
public:
    LoggingBattery(SimMachine machine, ReadLog& log) : inner_(std::move(machine)), log_(log) {}
    std::optional<nlohmann::json> smartBatteryProperties() override {
        log_.note("battery");
        return inner_.smartBatteryProperties();
    }
    std::optional<nlohmann::json> batteryPackProperties() override {
        log_.note("battery");
        return inner_.batteryPackProperties();
    }

private:
    SimBatteryRegistry inner_;
    ReadLog& log_;
};

class LoggingLid : public PowerRootDomain {
public:
    LoggingLid(SimMachine machine, ReadLog& log) : inner_(std::move(machine)), log_(log) {}
    std::optional<nlohmann::json> properties() override {
        log_.note("lid");
        return inner_.properties();
    }

private:
    SimPowerRootDomain inner_;
    ReadLog& log_;
};

class LoggingFeatures : public PowerFeatures {
public:
    LoggingFeatures(SimMachine machine, ReadLog& log) : inner_(std::move(machine)), log_(log) {}
    bool isFeatureAvailable(const std::string& feature) override {
        log_.note("energyModes");
        return inner_.isFeatureAvailable(feature);
    }
    bool isLowPowerModeEnabled() override {
        log_.note("lowPowerFlag");
        return inner_.isLowPowerModeEnabled();
    }

private:
    SimPowerFeatures inner_;
    ReadLog& log_;
};

class HardwareSnapshotTest : public TestEnvironment {
protected:
    void SetUp() override {
        TestEnvironment::SetUp();
        // A still clock: the battery does not move between reads.
        machine = SimMachine(SimStore(simDir()), std::make_shared<ManualClock>());
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

TEST_F(HardwareSnapshotTest, ReadsInItsOrderAndSkipsTheLimitWithoutTheService) {
    ReadLog log;
    bool supported = true;
    installPowerFrameworkLoader(std::make_shared<LoggingFramework>(machine, log, supported));
    HelperManager::Environment environment;
    // A tool that cannot be run: the energy mode then falls back to the system's low-power flag,
    // which shows when the current mode is read.
    environment.powerTool = (root() / "no-tool").string();
    environment.powerFeatures = std::make_shared<LoggingFeatures>(machine, log);
    const HelperManager manager(std::move(environment));
    const HardwareSources logged{std::make_shared<LoggingBattery>(machine, log),
                                 std::make_shared<LoggingLid>(machine, log), &manager};

    readHardwareSnapshot(logged);
    EXPECT_EQ(log.reads(), (std::vector<std::string>{"current", "lid", "battery", "limits", "temporaryFull",
                                                     "energyModes", "lowPowerFlag"}));

    supported = false;
    const HardwareSnapshot snapshot = readHardwareSnapshot(logged);
    EXPECT_EQ(log.reads(), (std::vector<std::string>{"lid", "battery", "energyModes", "lowPowerFlag"}));
    EXPECT_FALSE(snapshot.supportsLimit);
    EXPECT_EQ(snapshot.currentLimit, std::nullopt);
    EXPECT_TRUE(snapshot.availableLimits.empty());
    EXPECT_FALSE(snapshot.supportsTemporaryFullCharge);
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
