#pragma once

// The main-thread coroutine task.
//
// A `Task<T>` is started when the coroutine is called, but its body first runs on a later turn of
// the main event loop, so the starter can always store the handle before the body may clear it.
// The task runs to completion whether or not anybody keeps the handle. Any number of coroutines
// may await it, also after it finished (the result, or the exception, is kept); awaiters are
// resumed by posting to the event loop, never inline, so long chains do not grow the stack.
// Cancellation is cooperative: `cancel()` raises a flag that the body reads with
// `co_await taskCancelled()`.
//
// A task's exception that nobody ever received (no awaiter, no `result()`) is handed to the
// process-wide handler (UnhandledException.h) when the last handle and the body let go of the
// task. Awaiting an empty (default-constructed) task throws std::logic_error in the awaiting body.
// Task state has no lock: bodies finish and are awaited on the main thread only, which
// `assertMainThread` checks where it is switched on (debug builds, tests).
//
// Write task bodies as free or member functions taking inputs by value; a capturing lambda
// coroutine dies at its first suspension and its captures dangle. Never write a lambda inside a
// co_await expression: GCC 12 destroys it twice (name it in a statement of its own first).

#include "MainThread.h"
#include "UnhandledException.h"

#include <atomic>
#include <coroutine>
#include <exception>
#include <memory>
#include <optional>
#include <stdexcept>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

namespace brisel {

namespace detail {

template <typename T> struct TaskState {
    using Stored = std::conditional_t<std::is_void_v<T>, std::monostate, T>;
    std::optional<Stored> value;
    std::exception_ptr error;
    bool done = false;
    bool errorSeen = false; // an awaiter or result() received the error
    std::atomic<bool> cancelled{false};
    std::vector<std::coroutine_handle<>> waiters;

    TaskState() = default;
    TaskState(const TaskState&) = delete;
    TaskState& operator=(const TaskState&) = delete;
    ~TaskState() {
        if (error && !errorSeen) reportUnhandledException(error, "task");
    }

    void finish() {
        assertMainThread("a task finished");
        done = true;
        auto pending = std::move(waiters);
        for (auto handle : pending)
            postToMain([handle] { handle.resume(); });
    }
};

struct PostedStart {
    bool await_ready() const noexcept { return false; }
    void await_suspend(std::coroutine_handle<> handle) const {
        postToMain([handle] { handle.resume(); });
    }
    void await_resume() const noexcept {}
};

template <typename T> struct PromiseBase {
    std::shared_ptr<TaskState<T>> state = std::make_shared<TaskState<T>>();

    PostedStart initial_suspend() noexcept { return {}; }
    // The frame frees itself at the end; the shared state outlives it for the awaiters.
    std::suspend_never final_suspend() noexcept { return {}; }
    void unhandled_exception() {
        state->error = std::current_exception();
        state->finish();
    }
    bool isCancelled() const { return state->cancelled.load(); }
};

} // namespace detail

// What every task handle offers, whatever its result type.
template <typename T> class TaskHandle {
public:
    bool isValid() const { return state_ != nullptr; }
    bool isDone() const { return state_ && state_->done; }
    void cancel() const {
        if (state_) state_->cancelled = true;
    }
    bool isCancelled() const { return state_ && state_->cancelled; }

    // The kept result of a finished task; rethrows the body's exception. Asking an unfinished
    // (or empty) task is a programming error and throws std::logic_error rather than reading an
    // empty result.
    decltype(auto) result() const {
        if (!isDone()) throw std::logic_error("result() of a task that has not finished");
        return take(*state_);
    }

    auto operator co_await() const {
        struct Awaiter {
            std::shared_ptr<detail::TaskState<T>> state;
            bool await_ready() const {
                if (!state) throw std::logic_error("co_await on an empty task");
                assertMainThread("a task was awaited");
                return state->done;
            }
            void await_suspend(std::coroutine_handle<> handle) { state->waiters.push_back(handle); }
            T await_resume() const { return T(take(*state)); }
        };
        return Awaiter{state_};
    }

    bool operator==(const TaskHandle& other) const { return state_ == other.state_; }

protected:
    TaskHandle() = default;
    explicit TaskHandle(std::shared_ptr<detail::TaskState<T>> state) : state_(std::move(state)) {}

private:
    static decltype(auto) take(detail::TaskState<T>& state) {
        if (state.error) {
            state.errorSeen = true;
            std::rethrow_exception(state.error);
        }
        if constexpr (!std::is_void_v<T>) return static_cast<const T&>(*state.value);
    }

    std::shared_ptr<detail::TaskState<T>> state_;
};

template <typename T = void> class Task : public TaskHandle<T> {
public:
    struct promise_type : detail::PromiseBase<T> {
        Task get_return_object() { return Task(this->state); }
        template <typename U> void return_value(U&& value) {
            this->state->value.emplace(std::forward<U>(value));
            this->state->finish();
        }
    };

    Task() = default;

private:
    explicit Task(std::shared_ptr<detail::TaskState<T>> state) : TaskHandle<T>(std::move(state)) {}
};

template <> class Task<void> : public TaskHandle<void> {
public:
    struct promise_type : detail::PromiseBase<void> {
        Task get_return_object() { return Task(this->state); }
        void return_void() {
            this->state->value.emplace();
            this->state->finish();
        }
    };

    Task() = default;

private:
    explicit Task(std::shared_ptr<detail::TaskState<void>> state) : TaskHandle<void>(std::move(state)) {}
};

// `co_await taskCancelled()` inside a task body: whether that task was cancelled. Does not suspend.
struct taskCancelled {
    bool cancelled = false;
    bool await_ready() const noexcept { return false; }
    template <typename Promise> bool await_suspend(std::coroutine_handle<Promise> handle) noexcept {
        cancelled = handle.promise().isCancelled();
        return false;
    }
    bool await_resume() const noexcept { return cancelled; }
};

// A task with nothing to do: it ends on its posted start, for calls that refuse or have no work.
inline Task<void> nothingToDo() {
    co_return;
}

} // namespace brisel
