#pragma once

// The one serial queue ("com.brisel.persistence") on which every read and write of config.json
// and onboarding.json runs, in submission order, off the main thread.

#include "async/SerialQueue.h"
#include "async/Task.h"

#include <coroutine>
#include <memory>
#include <type_traits>
#include <utility>

namespace brisel {

namespace detail {

// The outcome of one queued block; `done` and `waiter` are touched on the main thread only.
template <typename R> struct QueuedWork {
    Outcome<R> outcome;
    bool done = false;
    std::coroutine_handle<> waiter;
};

// Borrows the work from the awaiting coroutine's parameter and owns nothing. It is awaited as a
// named local: GCC 12 destroys a brace-initialised temporary written inside co_await twice.
template <typename R> struct QueuedWorkAwaiter {
    QueuedWork<R>* work;
    bool await_ready() const noexcept { return work->done; }
    void await_suspend(std::coroutine_handle<> handle) { work->waiter = handle; }
    R await_resume() { return work->outcome.take(); }
};

// For R = void, `co_return <void expression>` evaluates it and returns nothing.
template <typename R> Task<R> awaitQueuedWork(std::shared_ptr<QueuedWork<R>> work) {
    QueuedWorkAwaiter<R> awaiter{work.get()};
    co_return co_await awaiter;
}

} // namespace detail

class PersistenceIO {
public:
    // The application's one instance, created on first use and never destroyed.
    static PersistenceIO& shared();

    PersistenceIO();
    PersistenceIO(const PersistenceIO&) = delete;
    PersistenceIO& operator=(const PersistenceIO&) = delete;

    // Queues `fn` at once and returns a task that ends, on the main thread, with fn's value or
    // rethrows its exception. The block runs whether or not the task is awaited or cancelled, so
    // blocks run in the order of the calls. Needs the main event loop to deliver the outcome.
    template <typename Fn> auto run(Fn fn) -> Task<std::invoke_result_t<Fn&>> {
        using R = std::invoke_result_t<Fn&>;
        auto work = std::make_shared<detail::QueuedWork<R>>();
        queue_.async([work, fn = std::move(fn)]() mutable {
            work->outcome.capture(fn);
            postToMain([work] {
                work->done = true;
                if (auto waiter = std::exchange(work->waiter, {})) waiter.resume();
            });
        });
        return detail::awaitQueuedWork<R>(std::move(work));
    }

private:
    SerialQueue queue_;
};

} // namespace brisel
