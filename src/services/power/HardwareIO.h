#pragma once

#include "async/Clock.h"
#include "async/SerialQueue.h"
#include "async/Task.h"

#include <coroutine>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>
#include <variant>

namespace brisel {

// The failure of an operation run through a `HardwareIO` queue.
struct HardwareFailure {
    // A localisation key ("error.hardwarePending", "error.hardwareTimeout") or a failure text.
    std::string message;
    // The operation has not finished, or was not started because another one still runs: a
    // recovery call of the same queue will follow.
    bool awaitingRecovery = false;

    bool operator==(const HardwareFailure&) const = default;
};

template <typename T> using HardwareResult = std::variant<T, HardwareFailure>;

// Runs blocking hardware calls one at a time on a serial queue of their own. The awaiting caller
// gets a result within the time-out even when the call never returns; a second call while one is
// still running is refused at once; and when a call that was refused to someone else, or that
// outlived its caller's time-out, finally ends, the recovery handler runs once so the owner can
// retry. Every caller gets exactly one result.
class HardwareIO {
public:
    static constexpr double defaultTimeout = 4.0;
    static constexpr const char* pendingMessage = "error.hardwarePending";
    static constexpr const char* timeoutMessage = "error.hardwareTimeout";

    // Time-outs run on the clock's single-shot timers.
    explicit HardwareIO(std::string label, std::shared_ptr<Clock> clock = Clock::system());
    // Does not wait for a running operation: the queue's thread ends once it returns. The recovery
    // handler is dropped at once (after a call of it under way on the queue's thread has returned),
    // so that end calls nobody.
    ~HardwareIO();
    HardwareIO(const HardwareIO&) = delete;
    HardwareIO& operator=(const HardwareIO&) = delete;

    const std::string& label() const { return label_; }

    // Replaces the recovery handler. It is called on the queue's thread, outside the queue's state
    // lock; it must not wait for the owner's thread (the owner's release waits for a call under
    // way). Installed handlers hop to the main thread themselves.
    void onRecovery(std::function<void()> handler);

    // Runs `operation` (returning a value) on the queue. The result is its value, or
    // "error.hardwarePending" when another operation occupies the queue (nothing is run or
    // queued), or "error.hardwareTimeout" when it has not finished after `timeout` seconds (its
    // late value is dropped). An exception thrown by the operation becomes a failure carrying
    // its text that awaits no recovery.
    template <typename Fn> auto run(Fn operation, double timeout = defaultTimeout) {
        using R = std::invoke_result_t<Fn&>;
        static_assert(!std::is_void_v<R>, "a hardware operation returns a value");
        return runTask<R>(core_, queue_, std::function<R()>(std::move(operation)), timeout);
    }

    struct Core;

private:
    template <typename R> struct Completion {
        std::mutex lock;
        std::coroutine_handle<> caller;
        std::optional<HardwareResult<R>> result;
        std::unique_ptr<Timer> timeout; // stops when the completion goes

        // Hands the waiting caller out once: to the time-out or to the finished operation.
        std::coroutine_handle<> take() {
            std::lock_guard guard(lock);
            return std::exchange(caller, nullptr);
        }
    };

    template <typename R> struct RunAwaiter {
        std::shared_ptr<Core> core;
        std::shared_ptr<SerialQueue> queue;
        std::function<R()> operation;
        double timeout;
        std::shared_ptr<Completion<R>> completion = std::make_shared<Completion<R>>();
        bool refused = false;

        bool await_ready() {
            refused = !admit(*core);
            return refused;
        }
        void await_suspend(std::coroutine_handle<> caller) {
            completion->caller = caller;
            // Weak: the timer belongs to the completion.
            std::weak_ptr<Completion<R>> weak = completion;
            completion->timeout = startTimeout(*core, timeout, [weak] {
                auto completion = weak.lock();
                if (!completion) return;
                if (auto waiting = completion->take()) {
                    completion->result = HardwareFailure{timeoutMessage, true};
                    postToMain([waiting] { waiting.resume(); });
                }
            });
            queue->async([core = core, completion = completion, operation = std::move(operation)] {
                std::optional<HardwareResult<R>> outcome;
                try {
                    outcome.emplace(std::in_place_index<0>, operation());
                } catch (const std::exception& error) {
                    outcome.emplace(std::in_place_index<1>, HardwareFailure{error.what(), false});
                } catch (...) {
                    outcome.emplace(std::in_place_index<1>,
                                    HardwareFailure{"unknown hardware failure", false});
                }
                auto waiting = completion->take();
                finish(*core, !waiting);
                if (waiting) {
                    completion->result = std::move(outcome);
                    postToMain([waiting] { waiting.resume(); });
                }
            });
            queue.reset();
        }
        HardwareResult<R> await_resume() {
            if (refused) return HardwareFailure{pendingMessage, true};
            return std::move(*completion->result);
        }
    };

    template <typename R>
    static Task<HardwareResult<R>> runTask(std::shared_ptr<Core> core, std::shared_ptr<SerialQueue> queue,
                                           std::function<R()> operation, double timeout) {
        // A named awaiter: GCC 12 may destroy a temporary with non-trivial members twice inside a
        // co_await expression.
        RunAwaiter<R> awaiter{std::move(core), std::move(queue), std::move(operation), timeout};
        HardwareResult<R> result = co_await awaiter;
        co_return result;
    }

    // Marks the queue busy; false (and a recovery owed) when it already is.
    static bool admit(Core& core);
    // Marks it idle after an operation and calls the handler when a recovery is owed.
    static void finish(Core& core, bool callerGaveUp);
    static std::unique_ptr<Timer> startTimeout(Core& core, double seconds, std::function<void()> fire);

    std::string label_;
    std::shared_ptr<Core> core_;
    std::shared_ptr<SerialQueue> queue_;
};

} // namespace brisel
