#pragma once

#include "platform/PowerAssertions.h"
#include "platform/sim/SimMachine.h"

namespace brisel {

// Power assertions held in the simulated machine's "assertions.held", so `brisel-sim show` lists
// what the app holds. Fault facilities: "assertions" for every call, and "assertions.<type>"
// (for example "assertions.PreventUserIdleSystemSleep") for the calls on assertions of one type.
// Releasing an assertion the machine no longer holds (after `brisel-sim reset`) succeeds.
// Each assertion records the process that holds it; as on the real system, those of a process
// that ended (crashed or killed) are gone the next time the machine is read.
class SimPowerAssertions : public PowerAssertions {
public:
    explicit SimPowerAssertions(SimMachine machine = SimMachine()) : machine_(std::move(machine)) {}

    std::optional<AssertionID> create(const std::string& type, int level, const std::string& name) override;
    bool release(AssertionID id) override;
    std::optional<nlohmann::json> properties(AssertionID id) override;

    // Removes from a machine state the held assertions whose holder no longer runs: its process
    // has ended, is a zombie, or its process id now belongs to a process started later. An entry
    // without a recorded holder stays.
    static void dropEndedHolders(nlohmann::json& state);

private:
    // The held assertion with this id, or nullopt.
    std::optional<nlohmann::json> held(AssertionID id) const;
    // Both fault switches for a call on an assertion of `type`.
    bool failed(const std::string& type) const;

    SimMachine machine_;
};

} // namespace brisel
