#include "platform/sim/SimIdleTime.h"

#include <limits>

namespace brisel {

double SimIdleTime::secondsSinceLastInput() {
    if (machine_.gate("idleTime")) return std::numeric_limits<double>::quiet_NaN();
    return machine_.get<double>("/idleSeconds", 0.0);
}

} // namespace brisel
