#include "EnergyMode.h"

namespace brisel {

const char* localizationKey(EnergyMode mode) {
    switch (mode) {
    case EnergyMode::automatic:
        return "energyMode.auto";
    case EnergyMode::lowPower:
        return "energyMode.low";
    case EnergyMode::highPower:
        return "energyMode.high";
    }
    return "energyMode.auto";
}

const char* iconName(EnergyMode mode) {
    switch (mode) {
    case EnergyMode::automatic:
        return "sparkles";
    case EnergyMode::lowPower:
        return "leaf.fill";
    case EnergyMode::highPower:
        return "bolt.fill";
    }
    return "sparkles";
}

} // namespace brisel
