#include "platform/Uptime.h"

#include <time.h>

namespace brisel::platform {

double uptimeSeconds() {
    timespec ts{};
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

} // namespace brisel::platform
