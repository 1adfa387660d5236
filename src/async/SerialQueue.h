#pragma once

#include "MainThread.h"

#include <chrono>
#include <coroutine>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <type_traits>
#include <utility>
#include <variant>

namespace brisel {

namespace detail {

// Carries a callable's value or exception from a worker back to a coroutine on the main thread.
template <typename R> struct Outcome {
    using Stored = std::conditional_t<std::is_void_v<R>, std::monostate, R>;
    std::optional<Stored> value;
    std::exception_ptr error;

    template <typename Fn> void capture(Fn& fn) {
        try {
            if constexpr (std::is_void_v<R>) {
                fn();
                value.emplace();
            } else {
                value.emplace(fn());
            }
        } catch (...) {
            error = std::current_exception();
        }
    }
    R take() {
        if (error) std::rethrow_exception(error);
        if constexpr (!std::is_void_v<R>) return std::move(*value);
    }
};

// Awaitable that hands `fn` to `submit` (which runs it on some other thread) and resumes the
// awaiting coroutine on the main thread with the outcome.
template <typename Fn, typename Submit> struct OffMainAwaiter {
    using R = std::invoke_result_t<Fn&>;
    Fn fn;
    Submit submit;
    Outcome<R> outcome;

    bool await_ready() const noexcept { return false; }
    void await_suspend(std::coroutine_handle<> handle) {
        submit([this, handle] {
            outcome.capture(fn);
            postToMain([handle] { handle.resume(); });
        });
    }
    R await_resume() { return outcome.take(); }
};

} // namespace detail

// One worker thread that runs submitted work in submission order (a serial dispatch queue).
// Destroying the queue never waits: its thread goes on with the work already queued (a job that
// hangs keeps only that thread), then ends. Work queued here must therefore hold what it touches
// (shared state, copies), never the object that owns the queue.
class SerialQueue {
public:
    explicit SerialQueue(std::string label);
    ~SerialQueue();
    SerialQueue(const SerialQueue&) = delete;
    SerialQueue& operator=(const SerialQueue&) = delete;

    const std::string& label() const { return label_; }

    // Queues `work` and returns at once. Nobody receives what it throws: that goes to the
    // process-wide handler (UnhandledException.h) and the queue goes on.
    void async(std::function<void()> work);

    // `co_await queue.run(fn)`: runs fn on the worker and resumes on the main thread with its
    // value, or rethrows its exception there. Name the lambda first (`auto job = [..]{..};
    // co_await queue.run(job);`): GCC 12 destroys a lambda written inside a co_await expression
    // twice. A test scans the sources for that pattern.
    template <typename Fn> auto run(Fn fn) {
        auto submit = [this](std::function<void()> work) { async(std::move(work)); };
        return detail::OffMainAwaiter<Fn, decltype(submit)>{std::move(fn), submit, {}};
    }

    // True on this queue's worker thread.
    bool isCurrent() const { return std::this_thread::get_id() == worker_; }

    struct Shared;

private:
    std::string label_;
    std::shared_ptr<Shared> shared_; // also held by the thread
    std::thread::id worker_;
};

// Runs `work` on the shared thread pool, off the main thread.
void runDetachedAsync(std::function<void()> work);

// Waits until no work handed to a queue or to the thread pool is waiting or running, at most
// `timeout`; true when all of it ended. Queue threads outlive their queues, so a program calls
// this before it exits: a job still running while static objects are destroyed would crash.
bool waitForBackgroundWork(std::chrono::milliseconds timeout);

// Ends the program with `status` once background work has ended. When a job is still running
// after `timeout` (a call that hangs), output is flushed and the process ends at once, without
// destroying static objects under that job's feet.
int finishProcess(int status, std::chrono::milliseconds timeout = std::chrono::seconds(5));

// `co_await runDetached(fn)`: like SerialQueue::run, on the shared thread pool.
template <typename Fn> auto runDetached(Fn fn) {
    auto submit = [](std::function<void()> work) { runDetachedAsync(std::move(work)); };
    return detail::OffMainAwaiter<Fn, decltype(submit)>{std::move(fn), submit, {}};
}

} // namespace brisel
