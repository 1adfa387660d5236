#pragma once

// Every facility of the operating system the services and the model use, in one value. One factory
// builds it (platform/live/PlatformFactory.h); services take the members they need and never make
// a facility themselves, so the whole application can be pointed at another machine in one place.

#include <memory>
#include <string>

namespace brisel {

class BatteryRegistry;
class Clock;
class IdleTime;
class LoginItem;
class NetworkStore;
class NotifyService;
class OnlineDisplays;
class PowerAssertions;
class PowerFeatures;
class PowerFrameworkLoader;
class PowerRootDomain;
class PrivilegedScriptRunner;
class ProcessUsage;
class RunningApplications;
class ScreenLock;
class SleepWakeEvents;
class UserDefaults;
class UserNotificationCenter;
class Workspace;

struct Platform {
    std::shared_ptr<Clock> clock;

    // Power: the battery's registry entry, the root power domain (lid), the charge-limit
    // framework (installed into the charge-limit bridge by the application), power assertions,
    // the notify-style system notifications, the power features and displays.
    std::shared_ptr<BatteryRegistry> battery;
    std::shared_ptr<PowerRootDomain> rootDomain;
    std::shared_ptr<PowerFrameworkLoader> powerFramework;
    std::shared_ptr<PowerAssertions> assertions;
    std::shared_ptr<NotifyService> notify;
    std::shared_ptr<PowerFeatures> powerFeatures;
    std::shared_ptr<OnlineDisplays> displays;
    // The power-management tool run for "-g" and "displaysleepnow".
    std::string powerTool;
    std::shared_ptr<PrivilegedScriptRunner> privilegedRunner;

    // The user's session: network, idle time, screen lock, sleep and wake, notifications.
    std::shared_ptr<NetworkStore> network;
    std::shared_ptr<IdleTime> idleTime;
    std::shared_ptr<ScreenLock> screenLock;
    std::shared_ptr<SleepWakeEvents> sleepWake;
    std::shared_ptr<UserNotificationCenter> userNotifications;

    // Processes, applications and the user's own settings.
    std::shared_ptr<ProcessUsage> processUsage;
    std::shared_ptr<RunningApplications> runningApplications;
    std::shared_ptr<Workspace> workspace;
    std::shared_ptr<LoginItem> loginItem;
    std::shared_ptr<UserDefaults> defaults;
};

} // namespace brisel
