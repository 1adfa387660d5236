#pragma once

#include "platform/BatteryRegistry.h"
#include "platform/sim/SimMachine.h"

namespace brisel {

// The battery entries of the simulated machine, keyed as the registry keys them: the
// smart-battery entry carries the percentage as "CurrentCapacity" of "MaxCapacity" 100, the flags,
// voltage and current, capacities in "BatteryData", the adapter and the power telemetry
// (milliwatts); the pack entry carries the raw capacities (mAh) and the temperature (0.01 degree).
// A machine without a battery has neither entry. Fault facility: "battery" (a failure makes both
// entries unreadable).
class SimBatteryRegistry : public BatteryRegistry {
public:
    explicit SimBatteryRegistry(SimMachine machine = SimMachine()) : machine_(std::move(machine)) {}

    std::optional<nlohmann::json> smartBatteryProperties() override;
    std::optional<nlohmann::json> batteryPackProperties() override;

    // The two entries for a machine state; nullopt without a battery.
    static std::optional<nlohmann::json> smartBatteryEntry(const nlohmann::json& state);
    static std::optional<nlohmann::json> batteryPackEntry(const nlohmann::json& state);

private:
    SimMachine machine_;
};

} // namespace brisel
