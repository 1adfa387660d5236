#include "platform/LinuxWorkspace.h"

#include "platform/Executables.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <string_view>
#include <thread>

extern char** environ;

namespace brisel {

namespace {

constexpr std::string_view kActivityMonitorPath = "/System/Applications/Utilities/Activity Monitor.app";

struct SystemMonitor {
    const char* program;
    const char* processesTabOption; // nullptr when it has none
};

constexpr std::array<SystemMonitor, 6> kSystemMonitors = {{
    {"gnome-system-monitor", "--show-processes-tab"},
    {"plasma-systemmonitor", nullptr},
    {"mate-system-monitor", "--show-processes-tab"},
    {"ksysguard", nullptr},
    {"xfce4-taskmanager", nullptr},
    {"lxtask", nullptr},
}};

struct SettingsTool {
    SettingsPaneKind pane;
    const char* program;
    const char* argument; // nullptr when it opens on the pane by itself
};

// In order of preference per pane.
constexpr std::array<SettingsTool, 9> kSettingsTools = {{
    {SettingsPaneKind::lockScreen, "gnome-control-center", "privacy"},
    {SettingsPaneKind::lockScreen, "systemsettings", "kcm_screenlocker"},
    {SettingsPaneKind::lockScreen, "xfce4-screensaver-preferences", nullptr},
    {SettingsPaneKind::loginItems, "gnome-session-properties", nullptr},
    {SettingsPaneKind::loginItems, "systemsettings", "kcm_autostart"},
    {SettingsPaneKind::loginItems, "xfce4-session-settings", nullptr},
    {SettingsPaneKind::notifications, "gnome-control-center", "notifications"},
    {SettingsPaneKind::notifications, "systemsettings", "kcm_notifications"},
    {SettingsPaneKind::notifications, "xfce4-notifyd-config", nullptr},
}};

} // namespace

LinuxWorkspace::LinuxWorkspace(Finder find, Launcher launch)
    : find_(find ? std::move(find) : Finder(&findExecutable)),
      launch_(launch ? std::move(launch) : Launcher(&LinuxWorkspace::launchDetached)) {}

int LinuxWorkspace::openApplication(const std::string& applicationPath, const std::string& /*parameters*/) {
    if (applicationPath != kActivityMonitorPath) return kApplicationNotFound;
    for (const auto& monitor : kSystemMonitors) {
        const auto executable = find_(monitor.program);
        if (!executable) continue;
        std::vector<std::string> arguments;
        if (monitor.processesTabOption) arguments.emplace_back(monitor.processesTabOption);
        return launch_(*executable, arguments) ? 0 : kLaunchFailed;
    }
    return kApplicationNotFound;
}

void LinuxWorkspace::openApplication(const std::string& applicationPath) {
    openApplication(applicationPath, std::string());
}

bool LinuxWorkspace::openSettingsPane(const SettingsPane& pane) {
    for (const auto& tool : kSettingsTools) {
        if (tool.pane != pane.kind) continue;
        const auto executable = find_(tool.program);
        if (!executable) continue;
        std::vector<std::string> arguments;
        if (tool.argument) arguments.emplace_back(tool.argument);
        return launch_(*executable, arguments);
    }
    return false;
}

bool LinuxWorkspace::launchDetached(const std::string& executable,
                                    const std::vector<std::string>& arguments) {
    std::vector<std::string> storage;
    storage.push_back(executable);
    storage.insert(storage.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (auto& argument : storage)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    posix_spawnattr_t attributes;
    if (::posix_spawnattr_init(&attributes) != 0) return false;
    // Its own session, so that it outlives us and does not share our terminal's signals.
    ::posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    pid_t pid = 0;
    const int error = ::posix_spawn(&pid, executable.c_str(), nullptr, &attributes, argv.data(), environ);
    ::posix_spawnattr_destroy(&attributes);
    if (error != 0) return false;
    // Reap it whenever it ends, so that it never lingers as a zombie.
    std::thread([pid] {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }).detach();
    return true;
}

} // namespace brisel
