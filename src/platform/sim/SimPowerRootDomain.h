#pragma once

#include "platform/PowerRootDomain.h"
#include "platform/sim/SimMachine.h"

namespace brisel {

// The simulated machine's root domain: "AppleClamshellState" and "AppleClamshellCausesSleep" from
// "lid.closed" and "lid.causesSleep". Fault facility: "clamshell" (a failure means no root domain
// can be read).
class SimPowerRootDomain : public PowerRootDomain {
public:
    explicit SimPowerRootDomain(SimMachine machine = SimMachine()) : machine_(std::move(machine)) {}

    std::optional<nlohmann::json> properties() override;

private:
    SimMachine machine_;
};

} // namespace brisel
