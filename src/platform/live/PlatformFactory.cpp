#include "PlatformFactory.h"

#include "async/Clock.h"
#include "daemon/HelperPaths.h"
#include "platform/DesktopRunningApplications.h"
#include "platform/LinuxWorkspace.h"
#include "platform/ProcfsProcessUsage.h"
#include "platform/UserDefaults.h"
#include "platform/XdgAutostartLoginItem.h"
#include "platform/sim/SimBatteryRegistry.h"
#include "platform/sim/SimIdleTime.h"
#include "platform/sim/SimNetworkStore.h"
#include "platform/sim/SimNotifyService.h"
#include "platform/sim/SimOnlineDisplays.h"
#include "platform/sim/SimPowerAssertions.h"
#include "platform/sim/SimPowerFeatures.h"
#include "platform/sim/SimPowerFramework.h"
#include "platform/sim/SimPowerRootDomain.h"
#include "platform/sim/SimPrivilegedScriptRunner.h"
#include "platform/sim/SimScreenLock.h"
#include "platform/sim/SimSleepWake.h"
#include "platform/sim/SimUserNotificationCenter.h"

namespace brisel {

Platform makePlatform() {
    const std::shared_ptr<Clock> clock = Clock::system();
    const SimMachine machine(SimStore(), clock);
    Platform platform;
    platform.clock = clock;

    platform.battery = std::make_shared<SimBatteryRegistry>(machine);
    platform.rootDomain = std::make_shared<SimPowerRootDomain>(machine);
    platform.powerFramework = std::make_shared<SimPowerFramework>(machine);
    platform.assertions = std::make_shared<SimPowerAssertions>(machine);
    platform.notify = std::make_shared<SimNotifyService>(machine);
    platform.powerFeatures = std::make_shared<SimPowerFeatures>(machine);
    platform.displays = std::make_shared<SimOnlineDisplays>(machine);
    platform.powerTool = std::string(kPowerToolPath);
    platform.privilegedRunner = std::make_shared<SimPrivilegedScriptRunner>(machine);

    platform.network = std::make_shared<SimNetworkStore>(machine);
    platform.idleTime = std::make_shared<SimIdleTime>(machine);
    platform.screenLock = std::make_shared<SimScreenLock>(machine);
    platform.sleepWake = std::make_shared<SimSleepWake>(machine);
    platform.userNotifications = std::make_shared<SimUserNotificationCenter>(machine);

    platform.processUsage = std::make_shared<ProcfsProcessUsage>();
    platform.runningApplications = std::make_shared<DesktopRunningApplications>();
    platform.workspace = std::make_shared<LinuxWorkspace>();
    platform.loginItem = std::make_shared<XdgAutostartLoginItem>();
    platform.defaults = std::make_shared<UserDefaults>();
    return platform;
}

} // namespace brisel
