#pragma once

#include "platform/ScreenLock.h"
#include "platform/sim/SimMachine.h"

namespace brisel {

// The session dictionary of the simulated machine: "CGSSessionScreenIsLocked" is present (true)
// only while "screenLocked" is set, as on the real system. Fault facility: "screenLock" (a failure
// means there is no session).
class SimScreenLock : public ScreenLock {
public:
    explicit SimScreenLock(SimMachine machine = SimMachine()) : machine_(std::move(machine)) {}

    std::optional<nlohmann::json> copySessionDictionary() override;

private:
    SimMachine machine_;
};

} // namespace brisel
