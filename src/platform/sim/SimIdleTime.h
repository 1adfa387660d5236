#pragma once

#include "platform/IdleTime.h"
#include "platform/sim/SimMachine.h"

namespace brisel {

// The simulated machine's "idleSeconds", passed on unchecked. Fault facility: "idleTime" (a
// failure answers not-a-number, as an unusable system answer would).
class SimIdleTime : public IdleTime {
public:
    explicit SimIdleTime(SimMachine machine = SimMachine()) : machine_(std::move(machine)) {}

    double secondsSinceLastInput() override;

private:
    SimMachine machine_;
};

} // namespace brisel
