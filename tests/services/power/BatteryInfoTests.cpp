#include "services/power/BatteryInfo.h"
#include "services/power/PowerFlowPresentation.h"

#include "platform/BatteryRegistry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

namespace brisel {
namespace {

using nlohmann::json;

json optionalJson(const auto& value) {
    return value ? json(*value) : json(nullptr);
}

json render(const BatteryInfo& info) {
    json flow = nullptr;
    if (info.powerFlow) {
        flow = {{"adapterWatts", optionalJson(info.powerFlow->adapterWatts)},
                {"systemPowerInWatts", optionalJson(info.powerFlow->systemPowerInWatts)},
                {"systemLoadWatts", optionalJson(info.powerFlow->systemLoadWatts)},
                {"batteryPowerWatts", optionalJson(info.powerFlow->batteryPowerWatts)}};
    }
    return {{"present", info.present},
            {"installed", info.installed},
            {"percent", optionalJson(info.percent)},
            {"isCharging", info.isCharging},
            {"externalConnected", info.externalConnected},
            {"fullyCharged", info.fullyCharged},
            {"cycleCount", optionalJson(info.cycleCount)},
            {"designCapacity", optionalJson(info.designCapacity)},
            {"fullChargeCapacity", optionalJson(info.fullChargeCapacity)},
            {"notChargingReason", optionalJson(info.notChargingReason)},
            {"amperage", optionalJson(info.amperage)},
            {"powerFlow", flow},
            {"hardwarePercent", optionalJson(info.hardwarePercent)},
            {"temperatureCelsius", optionalJson(info.temperatureCelsius)},
            {"healthPercent", optionalJson(info.healthPercent())}};
}

std::string statusName(const ChargeStatus& status) {
    switch (status.kind) {
    case ChargeStatus::Kind::holding:
        return "holding";
    case ChargeStatus::Kind::noBattery:
        return "noBattery";
    case ChargeStatus::Kind::charging:
        return "charging";
    case ChargeStatus::Kind::charged:
        return "charged";
    case ChargeStatus::Kind::notCharging:
        return "notCharging";
    case ChargeStatus::Kind::discharging:
        return "discharging";
    case ChargeStatus::Kind::onBattery:
        return "onBattery";
    }
    return "?";
}

std::vector<std::filesystem::path> fixtureFiles() {
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(BRISEL_TEST_DATA_DIR) /
                                                                 "fixtures/battery"))
        if (entry.path().extension() == ".json") files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

json loadJson(const std::filesystem::path& path) {
    std::ifstream in(path);
    return json::parse(in);
}

// Each fixture is a registry tree (and optional pack tree) with the exact reading, statuses and
// power-flow texts it must give. Fields the fixture leaves out must keep their empty value.
TEST(BatteryInfoTest, FixtureTreesGiveExactReadings) {
    auto files = fixtureFiles();
    ASSERT_GE(files.size(), 20u);
    for (const auto& file : files) {
        SCOPED_TRACE(file.filename().string());
        json fixture = loadJson(file);
        std::optional<json> pack;
        if (fixture.contains("pack")) pack = fixture["pack"];

        BatteryInfo info = parseSmartBattery(fixture["props"], pack);

        json expected = render(BatteryInfo());
        for (const auto& [key, value] : fixture["expect"].items()) {
            ASSERT_TRUE(expected.contains(key)) << "unknown field " << key;
            expected[key] = value;
        }
        EXPECT_EQ(render(info), expected);

        for (const auto& check : fixture.value("status", json::array())) {
            std::optional<int> limit;
            if (!check["limit"].is_null()) limit = check["limit"].get<int>();
            ChargeStatus status = info.chargeStatus(limit, check["enabled"].get<bool>());
            EXPECT_EQ(statusName(status), check["is"].get<std::string>()) << check.dump();
            if (status.kind == ChargeStatus::Kind::holding) {
                EXPECT_EQ(status.limit, check["holding"].get<int>());
            }
        }

        if (fixture.contains("flow")) {
            const json& flow = fixture["flow"];
            std::optional<double> watts;
            if (info.powerFlow) watts = info.powerFlow->batteryPowerWatts;
            namespace P = PowerFlowPresentation;
            EXPECT_EQ(P::batteryFlowWattsText(watts), flow["wattsText"].get<std::string>());
            auto state = P::batteryFlowStateText(watts, info.externalConnected);
            EXPECT_EQ(optionalJson(state), flow["stateText"]);
            EXPECT_EQ(P::batteryFlowText(watts, info.externalConnected), flow["text"].get<std::string>());
            EXPECT_EQ(P::batteryFlowIcon(watts, info.externalConnected), flow["icon"].get<std::string>());
        }
    }
}

BatteryInfo onAdapter(std::optional<int> percent) {
    BatteryInfo info;
    info.present = true;
    info.installed = true;
    info.externalConnected = true;
    info.percent = percent;
    return info;
}

TEST(BatteryInfoTest, ChargeStatusRulesInOrder) {
    const std::int64_t heldBit = 0x1000000;
    struct Case {
        const char* name;
        BatteryInfo info;
        std::optional<int> limit;
        bool enabled;
        ChargeStatus expected;
    };
    std::vector<Case> cases;
    cases.push_back({"at the limit", onAdapter(80), 80, true, ChargeStatus::holding(80)});
    {
        auto info = onAdapter(79);
        info.notChargingReason = heldBit;
        cases.push_back({"below but held by the charger", info, 80, true, ChargeStatus::holding(80)});
        info.notChargingReason = heldBit >> 1;
        cases.push_back({"another reason bit", info, 80, true, ChargeStatus::notCharging()});
    }
    cases.push_back({"below the limit", onAdapter(79), 80, true, ChargeStatus::notCharging()});
    cases.push_back({"limit 0", onAdapter(79), 0, true, ChargeStatus::notCharging()});
    cases.push_back({"limit disabled", onAdapter(79), 80, false, ChargeStatus::notCharging()});
    cases.push_back({"no percent", onAdapter(std::nullopt), 80, true, ChargeStatus::notCharging()});
    cases.push_back({"full before the limit", onAdapter(100), 80, true, ChargeStatus::charged()});
    {
        auto info = onAdapter(50);
        info.fullyCharged = true;
        cases.push_back({"fully charged flag", info, 80, true, ChargeStatus::charged()});
        info.fullyCharged = false;
        info.isCharging = true;
        cases.push_back({"charging wins over the limit", info, 40, true, ChargeStatus::charging()});
        info.installed = false;
        cases.push_back({"not installed", info, 40, true, ChargeStatus::noBattery()});
    }
    {
        auto info = onAdapter(50);
        info.externalConnected = false;
        info.amperage = 0;
        cases.push_back({"zero current on battery", info, 80, true, ChargeStatus::onBattery()});
        info.amperage = -1;
        cases.push_back({"draining on battery", info, 80, true, ChargeStatus::discharging()});
    }
    cases.push_back({"empty reading", BatteryInfo(), 80, true, ChargeStatus::noBattery()});

    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ChargeStatus status = c.info.chargeStatus(c.limit, c.enabled);
        EXPECT_EQ(statusName(status), statusName(c.expected));
        EXPECT_EQ(status, c.expected);
    }
}

TEST(BatteryInfoTest, HealthNeedsBothCapacities) {
    BatteryInfo info;
    EXPECT_FALSE(info.healthPercent());
    info.fullChargeCapacity = 4500;
    EXPECT_FALSE(info.healthPercent());
    info.designCapacity = 0;
    EXPECT_FALSE(info.healthPercent());
    info.designCapacity = 3;
    EXPECT_DOUBLE_EQ(*info.healthPercent(), 150000.0);
    info.fullChargeCapacity = 2;
    EXPECT_DOUBLE_EQ(*info.healthPercent(), 66.7);
}

TEST(PowerFlowPresentationTest, DeadBandAndTexts) {
    auto tr = [](const std::string& key) { return "<" + key + ">"; };
    struct Case {
        std::optional<double> watts;
        bool external;
        const char* wattsText;
        std::optional<std::string> state;
        const char* text;
        const char* icon;
    };
    const Case cases[] = {
        {std::nullopt, true, "—", std::nullopt, "—", "battery.0"},
        {0.05, true, "0.0 W", "<power.bypassed>", "0.0 W (<power.bypassed>)", "powerplug.fill"},
        {-0.05, true, "0.0 W", "<power.bypassed>", "0.0 W (<power.bypassed>)", "powerplug.fill"},
        {0.0, false, "0.0 W", std::nullopt, "0.0 W", "battery.100"},
        {0.06, false, "+0.1 W", "<state.charging>", "+0.1 W (<state.charging>)", "battery.100.bolt"},
        {-0.06, true, "-0.1 W", "<state.discharging>", "-0.1 W (<state.discharging>)", "battery.25"},
        {65.25, true, "+65.2 W", "<state.charging>", "+65.2 W (<state.charging>)", "battery.100.bolt"},
        {-18.0, false, "-18.0 W", "<state.discharging>", "-18.0 W (<state.discharging>)", "battery.25"},
    };
    namespace P = PowerFlowPresentation;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.watts ? std::to_string(*c.watts) : "nil");
        EXPECT_EQ(P::batteryFlowWattsText(c.watts), c.wattsText);
        EXPECT_EQ(P::batteryFlowStateText(c.watts, c.external, tr), c.state);
        EXPECT_EQ(P::batteryFlowText(c.watts, c.external, tr), c.text);
        EXPECT_EQ(P::batteryFlowIcon(c.watts, c.external), c.icon);
    }
}

// The figures the registry gives are small, but the formatter takes any double: a huge one must
// come out whole, not as a clipped buffer.
TEST(PowerFlowPresentationTest, HugeFiguresAreWrittenOutInFull) {
    namespace P = PowerFlowPresentation;
    const char* digits = "0123456789";
    // 1e300 has 301 integer digits.
    std::string text = P::batteryFlowWattsText(1e300);
    EXPECT_EQ(text.substr(0, 2), "+1");
    EXPECT_EQ(text.find_first_not_of(digits, 1), 302u) << text;
    EXPECT_EQ(text.substr(302), ".0 W");
    // The largest double has 309.
    text = P::batteryFlowText(-std::numeric_limits<double>::max(), true);
    EXPECT_EQ(text.substr(0, 8), "-1797693");
    EXPECT_EQ(text.find_first_not_of(digits, 1), 310u) << text;
    EXPECT_EQ(text.substr(310), ".0 W (state.discharging)");
}

class FakeRegistry : public BatteryRegistry {
public:
    std::optional<json> battery;
    std::optional<json> pack;
    bool throwOnPack = false;

    std::optional<json> smartBatteryProperties() override { return battery; }
    std::optional<json> batteryPackProperties() override {
        if (throwOnPack) throw std::runtime_error("pack unreadable");
        return pack;
    }
};

TEST(BatteryInfoTest, ReadBatteryTreatsUnreadableEntriesAsNoBattery) {
    FakeRegistry registry;
    EXPECT_FALSE(readBattery(registry).present);

    registry.battery = json::array({1, 2});
    EXPECT_FALSE(readBattery(registry).present);

    registry.battery = json{{"CurrentCapacity", 50}, {"MaxCapacity", 100}};
    registry.pack = json("not a dictionary");
    auto info = readBattery(registry);
    EXPECT_TRUE(info.present);
    EXPECT_EQ(info.percent, 50);
    EXPECT_FALSE(readBatteryPackProperties(registry));

    registry.pack = json{{"Temperature", 2500}};
    EXPECT_EQ(readBattery(registry).temperatureCelsius, 25.0);

    // A pack that cannot be read loses only the pack's figures.
    registry.throwOnPack = true;
    info = readBattery(registry);
    EXPECT_EQ(info.percent, 50);
    EXPECT_FALSE(info.temperatureCelsius);
}

} // namespace
} // namespace brisel
