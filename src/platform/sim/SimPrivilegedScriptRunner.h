#pragma once

#include "platform/PrivilegedScriptRunner.h"
#include "platform/sim/SimMachine.h"

namespace brisel {

// The simulated machine has no administrator prompt, and the scripts it would approve name tools
// and folders of the real system, so no script is ever run: every request ends with status 1 and
// `unavailableMessage`, a string-table key ("administrator scripts are not available on this
// system" in English), which the app shows like any other failed script. Fault facility:
// "privilegedScripts" ("hang" holds the request like a prompt the user leaves open; "fail" answers
// status 1 with the failure text).
class SimPrivilegedScriptRunner : public PrivilegedScriptRunner {
public:
    static constexpr const char* unavailableMessage = "helper.adminScriptsUnavailable";

    explicit SimPrivilegedScriptRunner(SimMachine machine = SimMachine()) : machine_(std::move(machine)) {}

    PrivilegedScriptResult run(const std::string& script) override;

private:
    SimMachine machine_;
};

} // namespace brisel
