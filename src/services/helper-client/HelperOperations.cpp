#include "HelperOperations.h"

#include "HelperManager.h"

namespace brisel {

HelperOperations HelperOperations::of(const HelperManager& manager) {
    const HelperManager* m = &manager;
    return HelperOperations{
        [m] { return m->isInstalled(); },
        [m](bool preventSleep) { return m->setDisablesleep(preventSleep); },
        [m](int mode) { return m->setPowerModeWithPrivilegedFallback(mode); },
        [m] { return m->install(); },
        [m] { return m->waitForHelper(); },
        [m] { return m->uninstall(); },
        [m] { return m->filesPresent(); },
        [m] { return m->inspectCapabilities(); },
        [m] { return m->sleepDisabledFromPmset(); },
    };
}

} // namespace brisel
