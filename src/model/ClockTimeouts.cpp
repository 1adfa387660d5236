#include "ClockTimeouts.h"

#include <functional>
#include <utility>

namespace brisel {

HardwareIO::TimeoutScheduler timeoutScheduler(std::shared_ptr<Clock> clock) {
    return [clock](double seconds, std::function<void()> fire) {
        // The timer stops when its handle goes, so the handle rides along with its own callback
        // and is let go once it has fired.
        auto handle = std::make_shared<std::unique_ptr<Timer>>();
        auto onTime = [handle, fire = std::move(fire)] {
            fire();
            handle->reset();
        };
        *handle = clock->singleShot(seconds, onTime);
    };
}

} // namespace brisel
