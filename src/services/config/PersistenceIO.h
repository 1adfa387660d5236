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

// Borrows the work from the awaiting coroutine's parameter and owns nothing: GCC 12 runs the
// destructor of a brace-initialised temporary inside co_await twice, which would release a
// shared_ptr one time too many.
template <typename R> struct QueuedWorkAwaiter {
    QueuedWork<R>* work;
    bool await_ready() const noexcept { return work->done; }
    void await_suspend(std::coroutine_handle<> handle) { work->waiter = handle; }
    R await_resume() { return work->outcome.take(); }
};

template <typename R> Task<R> awaitQueuedWork(std::shared_ptr<QueuedWork<R>> work) {
    co_return co_await QueuedWorkAwaiter<R>{work.get()};
}

inline Task<void> awaitQueuedVoidWork(std::shared_ptr<QueuedWork<void>> work) {
    co_await QueuedWorkAwaiter<void>{work.get()};
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
        if constexpr (std::is_void_v<R>)
            return detail::awaitQueuedVoidWork(std::move(work));
        else
            return detail::awaitQueuedWork<R>(std::move(work));
    }

private:
    SerialQueue queue_;
};

} // namespace brisel
