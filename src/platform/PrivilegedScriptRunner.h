#pragma once

#include <cstdint>
#include <string>

namespace brisel {

// What a script run with administrator privileges came back with: the scripting tool's exit status
// (negative for the process runner's own failures) and its combined output, untrimmed.
struct PrivilegedScriptResult {
    std::int32_t status = 0;
    std::string output;

    bool operator==(const PrivilegedScriptResult&) const = default;
};

// Runs a shell script as root after the user approves the system's administrator prompt. The
// script is handed over as one argument, never spliced into another script's source. Blocks until
// the user has answered the prompt and the script has ended, however long that takes.
class PrivilegedScriptRunner {
public:
    virtual ~PrivilegedScriptRunner() = default;

    virtual PrivilegedScriptResult run(const std::string& script) = 0;
};

} // namespace brisel
