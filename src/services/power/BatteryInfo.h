#pragma once

#include <nlohmann/json.hpp>

#include <cstdint>
#include <optional>

namespace brisel {

class BatteryRegistry;

// Adapter, system and battery power figures. Watts carry one decimal.
struct PowerFlow {
    std::optional<int> adapterWatts;          // rated adapter watts, 1...500
    std::optional<double> systemPowerInWatts; // entering the system from the adapter
    std::optional<double> systemLoadWatts;    // consumed by the system
    std::optional<double> batteryPowerWatts;  // positive into the battery, negative out of it

    bool hasData() const {
        return adapterWatts || systemPowerInWatts || systemLoadWatts || batteryPowerWatts;
    }
    bool operator==(const PowerFlow&) const = default;
};

// The charge state shown to the user. Only `holding` carries a value (the limit).
struct ChargeStatus {
    enum class Kind { holding, noBattery, charging, charged, notCharging, discharging, onBattery };

    Kind kind = Kind::noBattery;
    int limit = 0; // meaningful for `holding` only; 0 otherwise

    static ChargeStatus holding(int limit) { return {Kind::holding, limit}; }
    static ChargeStatus noBattery() { return {Kind::noBattery, 0}; }
    static ChargeStatus charging() { return {Kind::charging, 0}; }
    static ChargeStatus charged() { return {Kind::charged, 0}; }
    static ChargeStatus notCharging() { return {Kind::notCharging, 0}; }
    static ChargeStatus discharging() { return {Kind::discharging, 0}; }
    static ChargeStatus onBattery() { return {Kind::onBattery, 0}; }

    bool operator==(const ChargeStatus&) const = default;
};

// One reading of the battery. The default value means "no battery could be read".
struct BatteryInfo {
    bool present = false;   // the property tree was read and is not empty
    bool installed = false; // "BatteryInstalled"; a missing key counts as installed
    std::optional<int> percent;
    bool isCharging = false;
    bool externalConnected = false; // on the power adapter
    bool fullyCharged = false;
    std::optional<std::int64_t> cycleCount;
    std::optional<std::int64_t> designCapacity;
    std::optional<std::int64_t> fullChargeCapacity;
    std::optional<std::int64_t> notChargingReason; // the charger's bit mask
    std::optional<std::int64_t> amperage;          // mA, negative while discharging
    std::optional<PowerFlow> powerFlow;
    std::optional<double> hardwarePercent; // from the raw pack capacities, one decimal
    std::optional<double> temperatureCelsius;

    // Full-charge capacity against design capacity, one decimal; may exceed 100.
    std::optional<double> healthPercent() const;

    // The status for the limit the charge-limit service holds now (and whether it is on).
    ChargeStatus chargeStatus(std::optional<int> limit, bool enabled) const;

    bool operator==(const BatteryInfo&) const = default;
};

// Turns the smart-battery property tree (and the optional pack tree) into a reading. Pure.
BatteryInfo parseSmartBattery(const nlohmann::json& props, const std::optional<nlohmann::json>& pack);

// Reads both registry entries and parses them; any failure gives the empty reading. Blocking:
// call it off the main thread (the hardware queue).
BatteryInfo readBattery(BatteryRegistry& registry);

// The pack entry's properties, or nullopt when it is absent or not an object.
std::optional<nlohmann::json> readBatteryPackProperties(BatteryRegistry& registry);

} // namespace brisel
