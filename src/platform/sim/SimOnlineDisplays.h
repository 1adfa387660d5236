#pragma once

#include "platform/OnlineDisplays.h"
#include "platform/sim/SimMachine.h"

namespace brisel {

// The simulated machine's "displays" (a negative count reads as none). Fault facility: "displays"
// (a failure means the query failed).
class SimOnlineDisplays : public OnlineDisplays {
public:
    explicit SimOnlineDisplays(SimMachine machine = SimMachine()) : machine_(std::move(machine)) {}

    std::optional<std::uint32_t> count() override;

private:
    SimMachine machine_;
};

} // namespace brisel
