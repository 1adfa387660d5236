#pragma once

#include "async/Task.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace brisel {

class OnlineDisplays;

enum class DisplaySleepResult { requested, unavailable, failed };

// "display.requested", "display.unavailable", "display.failed".
const char* statusKey(DisplaySleepResult result);

// Puts the displays to sleep at once through the power-management tool's "displaysleepnow".
namespace DisplaySleep {

inline constexpr double toolTimeout = 5.0;

// The platform's displays and power-management tool.
struct Environment {
    std::shared_ptr<OnlineDisplays> displays;
    std::string powerTool;
    double timeout = toolTimeout;
};

// Runs `requestNow` on a detached thread; the caller only awaits.
Task<DisplaySleepResult> request(Environment environment);

// Unavailable when no display is online (or the query fails), without running the tool;
// otherwise the tool's outcome. Blocks up to the time-out.
DisplaySleepResult requestNow(const Environment& environment);

// Failed for a non-zero status or any output besides white space; requested otherwise.
DisplaySleepResult commandResult(std::int32_t status, std::string_view output);

} // namespace DisplaySleep

} // namespace brisel
