#pragma once

#include "platform/ProcessUsage.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace brisel {

// How an application presents itself: a regular application has windows and a launcher entry; an
// accessory (agent) runs without one; prohibited never shows any user interface.
enum class ActivationPolicy { regular, accessory, prohibited };

struct RunningApplication {
    std::int32_t processIdentifier = 0;
    std::optional<std::string> bundleIdentifier;
    std::optional<std::string> localizedName;
    ActivationPolicy activationPolicy = ActivationPolicy::regular;
    bool terminated = false;
    // The process's times when the lister read them anyway, in the absolute time units of the same
    // platform's `ProcessUsage`; handing them to its `read` spares reading them again.
    std::optional<ProcessTimes> times;
    bool operator==(const RunningApplication&) const = default;
};

// The user's running applications, in the order the system lists them.
class RunningApplications {
public:
    virtual ~RunningApplications() = default;

    virtual std::vector<RunningApplication> list() = 0;
    // This application's own bundle identifier, so that it can leave itself out.
    virtual std::optional<std::string> ownBundleIdentifier() = 0;
    // A readable image file with the icon of the running application with that process identifier.
    virtual std::optional<std::string> iconFile(std::int32_t pid) = 0;
};

} // namespace brisel
