#pragma once

#include "async/MainThread.h"

#include <coroutine>
#include <cstddef>
#include <deque>

namespace brisel::test {

// Holds coroutines that `co_await` it until the test lets them go on: a deterministic "hang" for a
// substitute's asynchronous call.
class Gate {
public:
    explicit Gate(bool open = true) : open_(open) {}

    void close() { open_ = false; }
    // Lets every held coroutine go on (each on a later event-loop turn); later ones pass.
    void open() {
        open_ = true;
        while (!waiting_.empty())
            releaseOne();
    }
    // Lets the oldest held coroutine go on; the gate stays as it is.
    void releaseOne() {
        if (waiting_.empty()) return;
        auto held = waiting_.front();
        waiting_.pop_front();
        postToMain([held] { held.resume(); });
    }
    std::size_t held() const { return waiting_.size(); }

    auto operator co_await() {
        struct Awaiter {
            Gate* gate;
            bool await_ready() const { return gate->open_; }
            void await_suspend(std::coroutine_handle<> handle) { gate->waiting_.push_back(handle); }
            void await_resume() const {}
        };
        return Awaiter{this};
    }

private:
    bool open_;
    std::deque<std::coroutine_handle<>> waiting_;
};

} // namespace brisel::test
