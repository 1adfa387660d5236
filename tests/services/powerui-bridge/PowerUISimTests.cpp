#include "services/powerui-bridge/PowerUI.h"
#include "services/powerui-bridge/PowerUIBridge.h"

#include "platform/sim/SimMachine.h"
#include "platform/sim/SimPowerFramework.h"

#include "ManualClock.h"
#include "TestEnvironment.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace brisel {
namespace {

class PowerUISimTest : public test::TestEnvironment {
protected:
    void SetUp() override {
        TestEnvironment::SetUp();
        // A still stamp keeps the battery clock out of these tests.
        machine = SimMachine(SimStore(), std::make_shared<test::ManualClock>());
    }
    void TearDown() override {
        installPowerFrameworkLoader(nullptr);
        TestEnvironment::TearDown();
    }
    void load() { installPowerFrameworkLoader(std::make_shared<SimPowerFramework>(machine)); }
    void set(const char* pointer, const nlohmann::json& value) {
        ASSERT_EQ(machine.set(pointer, value), std::nullopt);
    }

    SimMachine machine;
};

TEST_F(PowerUISimTest, WithoutAnInstalledLoaderTheBridgeOffersNoChargeLimit) {
    // Runs in a freshly started copy of this program, where no test has installed a loader yet:
    // the bridge never picks a framework of its own.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(std::exit(!PowerUI::isSupported() && !PowerUI::current() && PowerUI::set(80) ? 0 : 1),
                ::testing::ExitedWithCode(0), "");
}

TEST_F(PowerUISimTest, ReadsAndWritesTheMachinesChargeLimit) {
    load();
    EXPECT_TRUE(PowerUI::isSupported());
    EXPECT_TRUE(PowerUI::supportsTemporaryFullCharge());
    EXPECT_EQ(PowerUI::current(), (PowerUI::CurrentLimit{80, true}));
    EXPECT_EQ(PowerUI::availableLimits(), (std::vector<int>{80, 85, 90, 95, 100}));

    EXPECT_EQ(PowerUI::set(90), std::nullopt);
    EXPECT_EQ(machine.get("/chargeLimit/limit", 0), 90);
    EXPECT_EQ(PowerUI::chargeToFullNow(), std::nullopt);
    EXPECT_TRUE(machine.get("/chargeLimit/temporaryFullActive", false));
    EXPECT_EQ(SimMachine::chargeCap(machine.state()), 100.0);

    EXPECT_EQ(PowerUI::disable(), std::nullopt);
    EXPECT_EQ(PowerUI::current(), (PowerUI::CurrentLimit{90, false}));
    EXPECT_FALSE(machine.get("/chargeLimit/temporaryFullActive", true));
    EXPECT_EQ(PowerUI::set(85), std::nullopt);
    EXPECT_EQ(PowerUI::current(), (PowerUI::CurrentLimit{85, true}));
}

TEST_F(PowerUISimTest, MissingPiecesOfTheFramework) {
    struct Case {
        const char* name;
        const char* pointer;
        bool supported;
        bool temporaryFull;
    };
    const Case cases[] = {
        {"no framework", "/chargeLimit/available", false, false},
        {"no client class", "/chargeLimit/clientAvailable", false, false},
        {"no set operation", "/chargeLimit/operations/setLimit", false, false},
        {"no disable operation", "/chargeLimit/operations/disableLimit", false, false},
        {"no temporary full charge", "/chargeLimit/operations/temporaryFull", true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(machine.reset(), std::nullopt);
        set(c.pointer, false);
        load();
        EXPECT_EQ(PowerUI::isSupported(), c.supported);
        EXPECT_EQ(PowerUI::supportsTemporaryFullCharge(), c.temporaryFull);
        EXPECT_EQ(PowerUI::chargeToFullNow(), "Temporary full charging is unavailable on this system");
        if (!c.supported) {
            EXPECT_EQ(PowerUI::set(80), "PowerUI smart charge client is unavailable");
        }
    }
}

TEST_F(PowerUISimTest, FaultSwitchesComeBackAsErrorObjectsOrExceptions) {
    load();
    ASSERT_EQ(machine.setFault("powerui", "fail"), std::nullopt);
    EXPECT_EQ(PowerUI::set(90), "simulated failure: powerui");
    EXPECT_EQ(PowerUI::current(), std::nullopt);
    EXPECT_TRUE(PowerUI::availableLimits().empty());
    EXPECT_FALSE(PowerUI::isSupported());
    EXPECT_EQ(machine.get("/chargeLimit/limit", 0), 80);
    ASSERT_EQ(machine.clearFault("powerui"), std::nullopt);

    ASSERT_EQ(machine.setFault("powerui.exception", "fail"), std::nullopt);
    EXPECT_EQ(PowerUI::disable(), "simulated failure: powerui.exception");
    EXPECT_FALSE(PowerUI::isSupported());
    ASSERT_EQ(machine.clearFault("powerui.exception"), std::nullopt);

    ASSERT_EQ(machine.setFault("powerui.exceptionWithoutReason", "fail"), std::nullopt);
    EXPECT_EQ(PowerUI::chargeToFullNow(), "unknown PowerUI error");
    ASSERT_EQ(machine.clearFault("powerui.exceptionWithoutReason"), std::nullopt);

    // The client survives the failures.
    EXPECT_EQ(PowerUI::set(95), std::nullopt);
    EXPECT_EQ(PowerUI::current(), (PowerUI::CurrentLimit{95, true}));
}

} // namespace
} // namespace brisel
