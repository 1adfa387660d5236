#pragma once

#include <chrono>
#include <functional>

namespace brisel {

// Spins the main event loop until `done` returns true or `timeout` passes; returns `done()`.
// For tests and for shutdown paths that must wait for posted work.
bool runUntil(const std::function<bool()>& done,
              std::chrono::milliseconds timeout = std::chrono::seconds(10));

// Spins the event loop until no job handed to a queue or to the thread pool is waiting or running
// and no call posted to the main thread waits, or `timeout` passes; true when nothing is left. A
// job's end posts the rest of its task, which may hand over more work: this waits for all of it.
bool runUntilIdle(std::chrono::milliseconds timeout);

// Spins the event loop for the given time, running whatever becomes due.
void spinEventLoop(std::chrono::milliseconds duration);

} // namespace brisel
