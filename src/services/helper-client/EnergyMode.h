#pragma once

#include <array>
#include <optional>

namespace brisel {

// The system energy modes; the values are the ones the power-management tool's "powermode"
// setting takes.
enum class EnergyMode {
    automatic = 0,
    lowPower = 1,
    highPower = 2,
};

inline constexpr std::array<EnergyMode, 3> allEnergyModes = {EnergyMode::automatic, EnergyMode::lowPower,
                                                             EnergyMode::highPower};

constexpr int rawValue(EnergyMode mode) {
    return static_cast<int>(mode);
}

// Nothing outside 0...2.
constexpr std::optional<EnergyMode> energyModeFromRawValue(int value) {
    if (value < 0 || value > 2) return std::nullopt;
    return static_cast<EnergyMode>(value);
}

// "energyMode.auto", "energyMode.low", "energyMode.high".
const char* localizationKey(EnergyMode mode);
// The symbol shown for the mode: "sparkles", "leaf.fill", "bolt.fill".
const char* iconName(EnergyMode mode);

} // namespace brisel
