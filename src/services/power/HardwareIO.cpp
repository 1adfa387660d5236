#include "HardwareIO.h"

#include <mutex>

namespace brisel {

struct HardwareIO::Core {
    std::mutex lock;
    bool occupied = false;       // an operation runs or waits on the queue
    bool recoveryNeeded = false; // a caller was refused meanwhile
    std::function<void()> recoveryHandler;
    // Held while the handler runs, so that the owner's release waits for a call under way.
    // Recursive: a handler may itself let go of the queue.
    std::recursive_mutex handlerCall;
    std::shared_ptr<Clock> clock;
};

HardwareIO::HardwareIO(std::string label, std::shared_ptr<Clock> clock)
    : label_(std::move(label)), core_(std::make_shared<Core>()),
      queue_(std::make_shared<SerialQueue>(label_)) {
    core_->clock = std::move(clock);
}

HardwareIO::~HardwareIO() {
    // An operation may outlive the queue; its end must not call back into an owner that is gone.
    std::lock_guard call(core_->handlerCall);
    std::lock_guard guard(core_->lock);
    core_->recoveryHandler = nullptr;
}

void HardwareIO::onRecovery(std::function<void()> handler) {
    std::lock_guard guard(core_->lock);
    core_->recoveryHandler = std::move(handler);
}

bool HardwareIO::admit(Core& core) {
    std::lock_guard guard(core.lock);
    if (core.occupied) {
        core.recoveryNeeded = true;
        return false;
    }
    core.occupied = true;
    return true;
}

void HardwareIO::finish(Core& core, bool callerGaveUp) {
    std::lock_guard call(core.handlerCall);
    std::function<void()> handler;
    {
        std::lock_guard guard(core.lock);
        core.occupied = false;
        if (core.recoveryNeeded || callerGaveUp) handler = core.recoveryHandler;
        core.recoveryNeeded = false;
    }
    if (handler) handler();
}

std::unique_ptr<Timer> HardwareIO::startTimeout(Core& core, double seconds, std::function<void()> fire) {
    return core.clock->singleShot(seconds, std::move(fire));
}

} // namespace brisel
