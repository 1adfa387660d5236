#pragma once

#include "async/Clock.h"
#include "services/power/HardwareIO.h"

#include <memory>

namespace brisel {

// A hardware queue's time-out scheduler on `clock`: each time-out is a single-shot timer of the
// clock, kept alive until it has fired.
HardwareIO::TimeoutScheduler timeoutScheduler(std::shared_ptr<Clock> clock);

} // namespace brisel
