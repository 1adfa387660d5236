#include "KeepAwakeWorker.h"

#include "async/SerialQueue.h"

#include <utility>

namespace brisel {

namespace {

// Touched only on the queue.
struct State {
    KeepAwakeWorker::ControllerFactory makeController;
    std::unique_ptr<KeepAwakeControlling> controller;
    bool closed = false; // the worker is gone: later calls must not create new assertions
};

} // namespace

// Shared with the tasks in flight, so a task that starts after the worker is gone still finds
// its queue; the queue's own blocks hold only `state`.
struct KeepAwakeWorker::Core {
    explicit Core(ControllerFactory factory) : queue(queueLabel), state(std::make_shared<State>()) {
        state->makeController = std::move(factory);
    }
    SerialQueue queue;
    std::shared_ptr<State> state;
};

namespace {

// Runs one controller call on the queue. The job and its awaiter are named locals: temporaries
// inside a co_await expression are not reliably kept alive across the suspension by GCC 12.
template <typename R>
Task<R> perform(std::shared_ptr<KeepAwakeWorker::Core> core,
                std::function<R(KeepAwakeControlling&)> operation, R unavailable) {
    std::shared_ptr<State> state = core->state;
    std::function<R()> job = [state, operation, unavailable]() -> R {
        if (state->closed) return unavailable;
        if (!state->controller) state->controller = state->makeController ? state->makeController() : nullptr;
        if (!state->controller) return unavailable;
        return operation(*state->controller);
    };
    auto onQueue = core->queue.run(std::move(job));
    R result = co_await onQueue;
    co_return result;
}

} // namespace

KeepAwakeWorker::KeepAwakeWorker(ControllerFactory makeController)
    : core_(std::make_shared<Core>(std::move(makeController))) {}

KeepAwakeWorker::KeepAwakeWorker(std::shared_ptr<PowerAssertions> assertions)
    : KeepAwakeWorker([assertions]() -> std::unique_ptr<KeepAwakeControlling> {
          return std::make_unique<KeepAwakeController>(assertions);
      }) {}

KeepAwakeWorker::~KeepAwakeWorker() {
    std::shared_ptr<State> state = core_->state;
    core_->queue.async([state] {
        state->closed = true;
        if (!state->controller) return;
        state->controller->release();
        state->controller.reset();
    });
}

Task<bool> KeepAwakeWorker::setSystemAwake(bool on) {
    return perform<bool>(
        core_, [on](KeepAwakeControlling& c) { return c.setSystemAwake(on); }, false);
}

Task<bool> KeepAwakeWorker::setDisplayAwake(bool on) {
    return perform<bool>(
        core_, [on](KeepAwakeControlling& c) { return c.setDisplayAwake(on); }, false);
}

Task<bool> KeepAwakeWorker::release() {
    return perform<bool>(
        core_, [](KeepAwakeControlling& c) { return c.release(); }, false);
}

Task<std::optional<bool>> KeepAwakeWorker::systemIsActive() {
    return perform<std::optional<bool>>(
        core_, [](KeepAwakeControlling& c) { return c.systemIsActive(); }, std::nullopt);
}

Task<std::optional<bool>> KeepAwakeWorker::displayIsActive() {
    return perform<std::optional<bool>>(
        core_, [](KeepAwakeControlling& c) { return c.displayIsActive(); }, std::nullopt);
}

} // namespace brisel
