#pragma once

#include "async/MainThread.h"

#include <atomic>
#include <coroutine>
#include <memory>
#include <optional>
#include <utility>

namespace brisel {

// `co_await awaitCompletion<R>(start)`: calls `start(completion)` and resumes the awaiting
// coroutine on the main thread with the value the completion receives. The completion may run on
// any thread; only its first call counts, so a platform call that answers twice cannot resume the
// coroutine twice.
template <typename R, typename Start> struct CompletionAwaiter {
    Start start;
    std::optional<R> value;

    bool await_ready() const noexcept { return false; }
    void await_suspend(std::coroutine_handle<> handle) {
        auto fired = std::make_shared<std::atomic<bool>>(false);
        start([this, handle, fired](R result) {
            if (fired->exchange(true)) return;
            value.emplace(std::move(result));
            postToMain([handle] { handle.resume(); });
        });
    }
    R await_resume() { return std::move(*value); }
};

template <typename R, typename Start> CompletionAwaiter<R, Start> awaitCompletion(Start start) {
    return CompletionAwaiter<R, Start>{std::move(start), std::nullopt};
}

} // namespace brisel
