#pragma once

#include "KeepAwakeController.h"
#include "async/Task.h"

#include <functional>
#include <memory>
#include <optional>

namespace brisel {

class SerialQueue;

// Runs every assertion call on the one serial queue "com.brisel.assertions", in the order the
// calls were made, and hands each result back to the awaiting task on the main thread. The
// controller is made on the queue by the first call.
class KeepAwakeWorker {
public:
    static constexpr const char* queueLabel = "com.brisel.assertions";

    using ControllerFactory = std::function<std::unique_ptr<KeepAwakeControlling>()>;

    explicit KeepAwakeWorker(ControllerFactory makeController);
    // The default factory: a `KeepAwakeController` over these assertions.
    explicit KeepAwakeWorker(std::shared_ptr<PowerAssertions> assertions);
    // Releases whatever is still held, on the queue, after the calls already queued.
    ~KeepAwakeWorker();
    KeepAwakeWorker(const KeepAwakeWorker&) = delete;
    KeepAwakeWorker& operator=(const KeepAwakeWorker&) = delete;

    Task<bool> setSystemAwake(bool on);
    Task<bool> setDisplayAwake(bool on);
    Task<bool> release();
    Task<std::optional<bool>> systemIsActive();
    Task<std::optional<bool>> displayIsActive();

    struct Core;

private:
    std::shared_ptr<Core> core_;
};

} // namespace brisel
