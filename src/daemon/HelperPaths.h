#pragma once

#include "shared/helper-protocol/HelperSocketPath.h"

#include <string_view>

namespace brisel {

// The fixed places the root helper and the power-tool stand-in work with (the helper's socket is in
// HelperSocketPath.h, shared with the app). They are compiled in on purpose: the helper takes no
// options and reads no environment, so nobody can point a root process at another socket or
// another program. Both locations are writable by root only.

// The power-management tool the helper runs (the stand-in built from tools/power-tool).
inline constexpr std::string_view kPowerToolPath = "/usr/local/libexec/brisel/brisel-power-tool";

// The one system-wide file in which the stand-in keeps its settings; readable by every user.
inline constexpr std::string_view kPowerToolStatePath = "/var/lib/brisel/power-tool.state";

} // namespace brisel
