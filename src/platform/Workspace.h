#pragma once

#include <string>

namespace brisel {

// The panes of the system settings the application points the user to.
enum class SettingsPaneKind {
    lockScreen,    // when the screen turns off and locks
    loginItems,    // the applications started at login
    notifications, // one application's notifications
};

struct SettingsPane {
    SettingsPaneKind kind;
    std::string applicationId; // whose notifications; empty for the other panes
    bool operator==(const SettingsPane&) const = default;
};

// Opening applications and the system settings. Applications are named by their macOS bundle path (for example
// "/System/Applications/Utilities/Activity Monitor.app"); an implementation maps the ones it knows.
class Workspace {
public:
    virtual ~Workspace() = default;

    // Launches the application asynchronously and hands it `parameters` (a text the application
    // reads at launch). Returns 0 when the launch was started, else a non-zero error status.
    virtual int openApplication(const std::string& applicationPath, const std::string& parameters) = 0;

    // Launches the application without parameters. Nobody waits for the outcome, so a failure is
    // not reported.
    virtual void openApplication(const std::string& applicationPath) = 0;

    // Opens the system settings on `pane`; whether an opening was started.
    virtual bool openSettingsPane(const SettingsPane& pane) = 0;
};

} // namespace brisel
