#pragma once

#include "ConsoleUser.h"
#include "HelperPaths.h"
#include "shared/helper-protocol/BoundedIO.h"

#include <sys/types.h>

#include <functional>
#include <optional>
#include <string>

namespace brisel {

// Everything the helper's server depends on. The shipped brisel-helper runs with these defaults
// and nothing else; only the test host fills in other values.
struct HelperConfig {
    std::string socketPath{kHelperSocketPath};
    std::string toolPath{kPowerToolPath};
    // The non-root user who may talk to the helper, asked anew for every connection.
    std::function<std::optional<uid_t>()> consoleUser = [] { return consoleUserID(); };
    // The monotonic clock, in seconds, on which leases are granted and checked.
    std::function<double()> leaseClock = [] { return BoundedIO::now(); };
    double leaseDuration = 30.0; // seconds one grant or renewal lasts
    double tick = 0.2;           // seconds between lease checks
    double requestTimeout = 3.0; // seconds a client has for its request line
    double replyTimeout = 0.2;   // seconds the reply may take to go out
    double toolTimeout = 5.0;    // seconds one power-tool run may take
    bool requireRoot = true;
};

} // namespace brisel
