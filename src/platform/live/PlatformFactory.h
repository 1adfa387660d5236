#pragma once

#include "platform/Platform.h"

namespace brisel {

// The platform the application runs on here: the simulated portable Mac (the machine of
// BRISEL_SIM_DIR, see docs/simulated-machine.md) for the hardware and the system's services, the
// real Linux pieces for processes, applications, the workspace, the login item and the user
// defaults, the system clock, and the power-tool stand-in. The one place that names the
// simulation; every call builds a fresh set.
Platform makePlatform();

} // namespace brisel
