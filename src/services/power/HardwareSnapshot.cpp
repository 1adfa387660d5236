#include "HardwareSnapshot.h"

#include "services/awake/ClamshellState.h"
#include "services/helper-client/HelperManager.h"
#include "services/powerui-bridge/PowerUI.h"

namespace brisel {

HardwareSnapshot readHardwareSnapshot(const HardwareSources& sources) {
    HardwareSnapshot snapshot;
    snapshot.supportsLimit = PowerUI::isSupported();
    if (snapshot.supportsLimit) {
        if (const std::optional<PowerUI::CurrentLimit> current = PowerUI::current()) {
            snapshot.currentLimit = current->limit;
            snapshot.limitEnabled = current->enabled;
        }
    }
    if (const std::optional<ClamshellState> lid = readClamshellState(*sources.rootDomain)) {
        snapshot.clamshellClosed = lid->closed;
        snapshot.clamshellCausesSleep = lid->causesSleep;
    }
    snapshot.battery = readBattery(*sources.battery);
    if (snapshot.supportsLimit) {
        snapshot.availableLimits = PowerUI::availableLimits();
        snapshot.supportsTemporaryFullCharge = PowerUI::supportsTemporaryFullCharge();
    }
    snapshot.availableEnergyModes = sources.helper->availableEnergyModes();
    snapshot.energyMode = sources.helper->powerModeFromPmset();
    return snapshot;
}

} // namespace brisel
