#pragma once

#include "platform/PowerFramework.h"
#include "platform/sim/SimMachine.h"

namespace brisel {

// The charge-limit framework of the simulated machine, over "chargeLimit":
// - the image loads when "available" is set, and has the client class when "clientAvailable" is;
// - the client always answers the queries; it answers "setMCLLimit:error:", "disableMCL:" and
//   "temporarilyDisableMCL:" only while "operations.setLimit", ".disableLimit" and
//   ".temporaryFull" are set;
// - it reads "limit", "enabled" and "limits" (elements that are not whole numbers do not answer
//   "intValue"), and writes them back: setting a limit switches it on (off for 0) and disabling
//   switches it off, both ending a temporary full charge; charging to full sets
//   "temporaryFullActive".
// Fault facilities, checked on every message: "powerui" (fail: the message fails with an error
// object carrying the failure text; the queries without an error answer NO), "powerui.exception"
// (fail: the message raises an exception with the failure text as its reason) and
// "powerui.exceptionWithoutReason" (fail: it raises one without a reason).
class SimPowerFramework : public PowerFrameworkLoader {
public:
    explicit SimPowerFramework(SimMachine machine = SimMachine()) : machine_(std::move(machine)) {}

    bool open(const std::string& path, int mode) override;
    std::shared_ptr<SmartChargeClientClass> classNamed(const std::string& name) override;

private:
    SimMachine machine_;
    bool opened_ = false;
};

} // namespace brisel
