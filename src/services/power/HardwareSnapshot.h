#pragma once

#include "services/helper-client/EnergyMode.h"
#include "services/power/BatteryInfo.h"

#include <memory>
#include <optional>
#include <vector>

namespace brisel {

class BatteryRegistry;
class HelperManager;
class PowerRootDomain;

// What one poll of the hardware read.
struct HardwareSnapshot {
    BatteryInfo battery;
    std::optional<bool> clamshellClosed;      // nothing when the lid state cannot be read
    std::optional<bool> clamshellCausesSleep; // nothing together with the above
    bool supportsLimit = false;               // the system's charge-limit service is available
    std::vector<int> availableLimits;         // empty when unsupported
    std::optional<int> currentLimit;          // nothing when unsupported or unreadable
    bool limitEnabled = false;                // false when unsupported or unreadable
    bool supportsTemporaryFullCharge = false; // false when unsupported
    std::vector<EnergyMode> availableEnergyModes;
    std::optional<EnergyMode> energyMode; // nothing when unreadable
};

// Where a snapshot is read from: the platform's registry and root domain and the application's
// helper manager. The charge-limit service is reached through the PowerUI bridge, which the
// application points at the platform's power framework beforehand.
struct HardwareSources {
    std::shared_ptr<BatteryRegistry> battery;
    std::shared_ptr<PowerRootDomain> rootDomain;
    const HelperManager* helper = nullptr; // must outlive the sources' use
};

// Reads, in this order: charge-limit support, the current limit (when supported), the lid, the
// battery, the offered limits and temporary-full support (when supported), the energy modes and
// the current one. Blocking, all-or-nothing: run it as one operation of the hardware queue.
HardwareSnapshot readHardwareSnapshot(const HardwareSources& sources);

} // namespace brisel
