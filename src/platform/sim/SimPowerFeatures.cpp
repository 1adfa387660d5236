#include "platform/sim/SimPowerFeatures.h"

namespace brisel {

bool SimPowerFeatures::isFeatureAvailable(const std::string& feature) {
    if (machine_.gate("powerFeatures")) return false;
    if (feature == "LowPowerMode") return machine_.get<bool>("/energyMode/lowPowerSupported", true);
    if (feature == "HighPowerMode") return machine_.get<bool>("/energyMode/highPowerSupported", false);
    return false;
}

bool SimPowerFeatures::isLowPowerModeEnabled() {
    if (machine_.gate("powerFeatures")) return false;
    return machine_.get<bool>("/energyMode/systemLowPowerMode", false);
}

} // namespace brisel
