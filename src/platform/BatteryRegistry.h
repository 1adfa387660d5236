#pragma once

#include <nlohmann/json.hpp>

#include <optional>

namespace brisel {

// The battery's entries in the hardware registry, as property trees (objects, arrays, integers,
// floats, booleans, strings), keyed exactly as the registry keys them.
class BatteryRegistry {
public:
    virtual ~BatteryRegistry() = default;

    // Properties of the smart-battery service ("AppleSmartBattery"); nullopt when there is no such
    // service or its properties cannot be read. Anything but an object counts as unreadable.
    virtual std::optional<nlohmann::json> smartBatteryProperties() = 0;

    // Properties of the battery pack entry ("AppleSmartBatteryPack"); nullopt when absent or
    // unreadable.
    virtual std::optional<nlohmann::json> batteryPackProperties() = 0;
};

} // namespace brisel
