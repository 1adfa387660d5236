#pragma once

#include "platform/Workspace.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace brisel {

// Opens applications on a Linux desktop. The only application it knows is the activity monitor,
// which it maps to the desktop's system monitor: the first of gnome-system-monitor,
// plasma-systemmonitor, mate-system-monitor, ksysguard, xfce4-taskmanager and lxtask found on the
// PATH, opened on its process list where it has an option for that. The parameters are not
// passed on: none of these monitors accepts a process to select.
//
// Settings panes open in the desktop's settings tool: the first of GNOME's, Plasma's and Xfce's
// tools for the pane found on the PATH. None of them can show one application's notifications, so
// the notifications pane opens on the list of all applications.
class LinuxWorkspace final : public Workspace {
public:
    // Finds a program on the PATH; starts a program detached, reporting whether it started.
    using Finder = std::function<std::optional<std::string>(const std::string& program)>;
    using Launcher =
        std::function<bool(const std::string& executable, const std::vector<std::string>& arguments)>;

    // Empty functions select the PATH search and a detached posix_spawn.
    explicit LinuxWorkspace(Finder find = {}, Launcher launch = {});

    int openApplication(const std::string& applicationPath, const std::string& parameters) override;
    void openApplication(const std::string& applicationPath) override;
    // False when no settings tool for the pane is installed or it does not start.
    bool openSettingsPane(const SettingsPane& pane) override;

    // The status for an application that is not installed (as Launch Services reports it).
    static constexpr int kApplicationNotFound = -10814;
    // The status for an application that was found but could not be started.
    static constexpr int kLaunchFailed = -10810;

    static bool launchDetached(const std::string& executable, const std::vector<std::string>& arguments);

private:
    Finder find_;
    Launcher launch_;
};

} // namespace brisel
