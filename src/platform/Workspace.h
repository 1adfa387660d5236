#pragma once

#include <string>

namespace brisel {

// Opening applications. Applications are named by their macOS bundle path (for example
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
};

} // namespace brisel
