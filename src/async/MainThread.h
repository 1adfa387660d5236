#pragma once

#include <atomic>
#include <functional>

namespace brisel {

// Queues `fn` to run on a later turn of the main (Qt application) event loop. Safe to call from
// any thread; calls posted from one thread run in the order they were posted. Without an
// application (the program is ending) the call is dropped.
void postToMain(std::function<void()> fn);

// True while a call posted with `postToMain` has not run yet.
bool mainCallsPending();

// True on the thread that runs the application's event loop.
bool isMainThread();

// Main-thread checks for state that has no lock of its own (a task's state). On in debug builds;
// the test main switches them on for every test. A failed check writes one line naming `what` to
// standard error and aborts.
void setMainThreadChecks(bool on);

namespace detail {
extern std::atomic<bool> mainThreadChecks;
[[noreturn]] void mainThreadViolation(const char* what);
} // namespace detail

inline void assertMainThread(const char* what) {
    if (detail::mainThreadChecks.load(std::memory_order_relaxed) && !isMainThread())
        detail::mainThreadViolation(what);
}

} // namespace brisel
