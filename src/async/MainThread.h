#pragma once

#include <functional>

namespace brisel {

// Queues `fn` to run on a later turn of the main (Qt application) event loop. Safe to call from
// any thread; calls posted from one thread run in the order they were posted.
void postToMain(std::function<void()> fn);

// True on the thread that runs the application's event loop.
bool isMainThread();

} // namespace brisel
