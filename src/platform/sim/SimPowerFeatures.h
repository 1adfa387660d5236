#pragma once

#include "platform/PowerFeatures.h"
#include "platform/sim/SimMachine.h"

namespace brisel {

// The simulated machine's energy-mode features: "LowPowerMode" and "HighPowerMode" from
// "energyMode.lowPowerSupported" and ".highPowerSupported" (any other feature is unavailable), and
// the low-power flag from "energyMode.systemLowPowerMode". Fault facility: "powerFeatures" (a
// failure answers false to everything, like a failed query).
class SimPowerFeatures : public PowerFeatures {
public:
    explicit SimPowerFeatures(SimMachine machine = SimMachine()) : machine_(std::move(machine)) {}

    bool isFeatureAvailable(const std::string& feature) override;
    bool isLowPowerModeEnabled() override;

private:
    SimMachine machine_;
};

} // namespace brisel
