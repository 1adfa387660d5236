#pragma once

#include "HelperConfig.h"

namespace brisel {

// Runs the helper: restores sleep, listens on the socket, serves one request per connection and
// ends the process on SIGTERM, SIGINT or SIGHUP (status 0, sleep restored) or on a start-up failure
// (status 1, with one message on standard error), such as a helper already listening on the socket. Must be called before the process starts any thread of its own, so
// that every thread inherits the blocked termination signals.
[[noreturn]] void runHelperServer(const HelperConfig& config);

} // namespace brisel
