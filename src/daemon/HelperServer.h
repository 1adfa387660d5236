#pragma once

#include "HelperConfig.h"

namespace brisel {

// Runs the helper: restores sleep, listens on the socket, serves one request per connection and
// ends the process on SIGTERM or SIGINT (status 0) or on a start-up failure (status 1, with one
// message on standard error). Must be called before the process starts any thread of its own, so
// that every thread inherits the blocked termination signals.
[[noreturn]] void runHelperServer(const HelperConfig& config);

} // namespace brisel
