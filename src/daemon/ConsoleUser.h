#pragma once

#include <sys/types.h>

#include <optional>
#include <string>

namespace brisel {

// The user at the machine's console, the one non-root user the helper serves: the user of the
// active session on seat0 as systemd-logind records it, or else the owner of the console device.
// (On Linux the console device normally belongs to root, so the owner alone would shut every
// desktop user out.) Nothing when neither can be read.
std::optional<uid_t> consoleUserID(const std::string& seatRecord = "/run/systemd/seats/seat0",
                                   const std::string& consoleDevice = "/dev/console");

} // namespace brisel
