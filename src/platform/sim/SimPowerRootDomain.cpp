#include "platform/sim/SimPowerRootDomain.h"

namespace brisel {

std::optional<nlohmann::json> SimPowerRootDomain::properties() {
    if (machine_.gate("clamshell")) return std::nullopt;
    nlohmann::json state = machine_.state();
    return nlohmann::json{{"AppleClamshellState", SimMachine::field(state, "/lid/closed", false)},
                          {"AppleClamshellCausesSleep", SimMachine::field(state, "/lid/causesSleep", true)}};
}

} // namespace brisel
