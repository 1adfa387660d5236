#include "platform/sim/SimBatteryRegistry.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace brisel {

using nlohmann::json;

namespace {

std::int64_t milli(double value) {
    return std::llround(value * 1000.0);
}

} // namespace

std::optional<json> SimBatteryRegistry::smartBatteryEntry(const json& state) {
    if (!SimMachine::field(state, "/battery/present", true)) return std::nullopt;
    auto f = [&](std::string_view pointer, auto fallback) {
        return SimMachine::field(state, pointer, fallback);
    };

    bool connected = f("/adapter/connected", false);
    std::int64_t amperage = f("/battery/amperage", std::int64_t{0});
    json entry = {
        {"BatteryInstalled", f("/battery/installed", true)},
        {"ExternalConnected", connected},
        {"IsCharging", f("/battery/charging", false)},
        {"FullyCharged", f("/battery/fullyCharged", false)},
        {"CurrentCapacity", std::llround(std::clamp(f("/battery/percent", 0.0), 0.0, 100.0))},
        {"MaxCapacity", 100},
        {"CycleCount", f("/battery/cycleCount", std::int64_t{0})},
        {"DesignCapacity", f("/battery/designCapacity", std::int64_t{0})},
        {"BatteryData",
         {{"DesignCapacity", f("/battery/designCapacity", std::int64_t{0})},
          {"FullChargeCapacity", f("/battery/maxCapacity", std::int64_t{0})}}},
        {"Voltage", f("/battery/voltage", std::int64_t{0})},
        {"Amperage", amperage},
        {"InstantAmperage", amperage},
        {"TimeRemaining", f("/battery/timeRemaining", std::int64_t{-1})},
        {"ChargerData", {{"NotChargingReason", f("/battery/notChargingReason", std::int64_t{0})}}},
        {"PowerTelemetryData",
         {{"SystemPowerIn", milli(f("/power/systemPowerInWatts", 0.0))},
          {"SystemLoad", milli(f("/power/systemLoadWatts", 0.0))},
          {"BatteryPower", milli(f("/power/batteryPowerWatts", 0.0))}}},
    };
    if (connected) {
        json adapter = {{"Watts", f("/adapter/watts", std::int64_t{0})},
                        {"Name", f("/adapter/name", std::string())},
                        {"AdapterVoltage", f("/adapter/voltage", std::int64_t{0})},
                        {"Current", f("/adapter/current", std::int64_t{0})}};
        entry["AdapterDetails"] = adapter;
        entry["AppleRawAdapterDetails"] = json::array({adapter});
    }
    return entry;
}

std::optional<json> SimBatteryRegistry::batteryPackEntry(const json& state) {
    if (!SimMachine::field(state, "/battery/present", true)) return std::nullopt;
    std::int64_t current = SimMachine::field(state, "/battery/currentCapacity", std::int64_t{0});
    std::int64_t max = SimMachine::field(state, "/battery/maxCapacity", std::int64_t{0});
    std::int64_t temperature =
        std::llround(SimMachine::field(state, "/battery/temperatureCelsius", 0.0) * 100.0);
    return json{{"AppleRawCurrentCapacity", current},
                {"AppleRawMaxCapacity", max},
                {"Temperature", temperature},
                {"VirtualTemperature", temperature},
                {"BatteryData", {{"RemainingCapacity", current}, {"FullChargeCapacity", max}}}};
}

std::optional<json> SimBatteryRegistry::smartBatteryProperties() {
    if (machine_.gate("battery")) return std::nullopt;
    return smartBatteryEntry(machine_.state());
}

std::optional<json> SimBatteryRegistry::batteryPackProperties() {
    if (machine_.gate("battery")) return std::nullopt;
    return batteryPackEntry(machine_.state());
}

} // namespace brisel
