#pragma once

#include <string>

namespace brisel {

// The power-management feature query and the system's low-power-mode flag.
class PowerFeatures {
public:
    virtual ~PowerFeatures() = default;

    // Whether the named feature ("LowPowerMode", "HighPowerMode") is available for the current
    // power source. False when the query fails.
    virtual bool isFeatureAvailable(const std::string& feature) = 0;

    // The process-wide flag that says low power mode is on. False when it cannot be read.
    virtual bool isLowPowerModeEnabled() = 0;
};

} // namespace brisel
