// Reading the power-management tool's settings and the energy modes the machine offers.

#include "HelperTestSupport.h"
#include "platform/sim/SimPowerFeatures.h"

#include <gtest/gtest.h>

namespace brisel::test {
namespace {

TEST(EnergyModes, RawValuesKeysAndIconsInTheirOrder) {
    struct Row {
        EnergyMode mode;
        int raw;
        const char* key;
        const char* icon;
    };
    const Row rows[] = {
        {EnergyMode::automatic, 0, "energyMode.auto", "sparkles"},
        {EnergyMode::lowPower, 1, "energyMode.low", "leaf.fill"},
        {EnergyMode::highPower, 2, "energyMode.high", "bolt.fill"},
    };
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        EXPECT_EQ(allEnergyModes[i], rows[i].mode);
        EXPECT_EQ(rawValue(rows[i].mode), rows[i].raw);
        EXPECT_EQ(energyModeFromRawValue(rows[i].raw), rows[i].mode);
        EXPECT_STREQ(localizationKey(rows[i].mode), rows[i].key);
        EXPECT_STREQ(iconName(rows[i].mode), rows[i].icon);
    }
    EXPECT_EQ(energyModeFromRawValue(-1), std::nullopt);
    EXPECT_EQ(energyModeFromRawValue(3), std::nullopt);
}

TEST(PowerToolParsing, SleepDisabled) {
    const std::pair<std::string, std::optional<bool>> cases[] = {
        {"System-wide power settings:\n SleepDisabled\t\t1\n", true},
        {"   SleepDisabled \t\t 1\r\n", true},
        {"SleepDisabled 0", false},
        {"SleepDisabled 2\nSleepDisabled 1\n", std::nullopt},
        {"SleepDisabled\n", std::nullopt},
        {"SleepDisabled yes\n", std::nullopt},
        {" powermode 1\n lowpowermode 0\n", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& [output, expected] : cases) {
        EXPECT_EQ(HelperManager::parseSleepDisabled(output), expected) << output;
    }
}

TEST(PowerToolParsing, PowerMode) {
    using M = EnergyMode;
    const std::pair<std::string, std::optional<EnergyMode>> cases[] = {
        {"Currently in use:\n lowpowermode         0\n powermode            2\n", M::highPower},
        {" lowpowermode 1\n powermode 2\n", M::highPower},
        {" lowpowermode 1\n", M::lowPower},
        {" lowpowermode 0\n", M::automatic},
        {" lowpowermode 1\n lowpowermode 0\n", M::automatic},
        {" powermode 7\n", std::nullopt},
        {" powermode 7\n lowpowermode 1\n", M::lowPower},
        {" powermode -1\n lowpowermode 1\n", M::lowPower},
        {" powermode +1\n", M::lowPower},
        {" lowpowermode 1\n lowpowermode +-1\n lowpowermode --1\n", M::lowPower},
        {" powermode 99999999999999999999\n", std::nullopt},
        {" powermode 0\n powermode 2\n", M::automatic},
        {"\tpowermode\t\t1\t\n", M::lowPower},
    };
    for (const auto& [output, expected] : cases) {
        EXPECT_EQ(HelperManager::parsePowerMode(output), expected) << output;
    }
}

class PowerToolReading : public HelperClientTest {
protected:
    void SetUp() override {
        HelperClientTest::SetUp();
        environment.powerFeatures = std::make_shared<SimPowerFeatures>(sim());
    }
    // A tool that prints `output` and exits with `status`.
    void useTool(const std::string& output, int status) {
        writeFile(root() / "tool.out", output);
        writeExecutable(root() / "tool", "#!/bin/sh\n[ \"$*\" = -g ] || exit 64\ncat '" +
                                             (root() / "tool.out").string() + "'\nexit " +
                                             std::to_string(status) + "\n");
        environment.powerTool = (root() / "tool").string();
    }
};

TEST_F(PowerToolReading, ReadersUseTheToolOnlyWhenItSucceeds) {
    struct Case {
        std::string output;
        int status;
        bool systemLowPower;
        std::optional<bool> sleepDisabled;
        std::optional<EnergyMode> mode;
    };
    const std::string listing = "System-wide power settings:\n SleepDisabled\t\t1\nCurrently in use:\n"
                                " lowpowermode         0\n powermode            2\n";
    const std::vector<Case> cases = {
        {listing, 0, false, true, EnergyMode::highPower},
        {listing, 0, true, true, EnergyMode::highPower},
        {listing, 1, false, std::nullopt, std::nullopt},
        {listing, 1, true, std::nullopt, EnergyMode::lowPower},
        {"nothing useful\n", 0, false, std::nullopt, std::nullopt},
        {"nothing useful\n", 0, true, std::nullopt, EnergyMode::lowPower},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.status) + " " + c.output);
        useTool(c.output, c.status);
        ASSERT_FALSE(sim().set("/energyMode/systemLowPowerMode", c.systemLowPower));
        EXPECT_EQ(onHelperQueue([m = manager()] { return m.sleepDisabledFromPmset(); }), c.sleepDisabled);
        EXPECT_EQ(onHelperQueue([m = manager()] { return m.powerModeFromPmset(); }), c.mode);
    }
}

TEST_F(PowerToolReading, AvailableModesFollowTheFeatures) {
    using M = EnergyMode;
    struct Case {
        bool low;
        bool high;
        std::vector<EnergyMode> expected;
    };
    const Case cases[] = {
        {false, false, {M::automatic}},
        {true, false, {M::automatic, M::lowPower}},
        {false, true, {M::automatic, M::lowPower, M::highPower}},
        {true, true, {M::automatic, M::lowPower, M::highPower}},
    };
    for (const Case& c : cases) {
        ASSERT_FALSE(sim().set("/energyMode/lowPowerSupported", c.low));
        ASSERT_FALSE(sim().set("/energyMode/highPowerSupported", c.high));
        EXPECT_EQ(manager().availableEnergyModes(), c.expected) << c.low << c.high;
    }
    ASSERT_FALSE(sim().setFault("powerFeatures", "fail"));
    EXPECT_EQ(manager().availableEnergyModes(), std::vector<EnergyMode>{M::automatic})
        << "a failed query offers none";
}

} // namespace
} // namespace brisel::test
