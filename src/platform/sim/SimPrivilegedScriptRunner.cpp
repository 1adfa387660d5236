#include "platform/sim/SimPrivilegedScriptRunner.h"

namespace brisel {

PrivilegedScriptResult SimPrivilegedScriptRunner::run(const std::string&) {
    if (auto failure = machine_.gate("privilegedScripts")) return {1, *failure};
    return {1, unavailableMessage};
}

} // namespace brisel
