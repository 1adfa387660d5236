#pragma once

// The one place an exception goes that nobody can receive: a task that failed and was never
// awaited nor asked for its result, or a job handed to a queue with `async()` that threw.

#include <exception>
#include <functional>
#include <string>
#include <string_view>

namespace brisel {

// Receives the exception and where it happened ("task", or "queue <label>"). May be called on any
// thread; must not throw.
using UnhandledExceptionHandler = std::function<void(std::exception_ptr error, std::string_view where)>;

// Installs the process-wide handler and returns the one before. An empty handler restores the
// default, which writes one line to standard error.
UnhandledExceptionHandler setUnhandledExceptionHandler(UnhandledExceptionHandler handler);

// Hands `error` to the installed handler.
void reportUnhandledException(std::exception_ptr error, std::string_view where) noexcept;

// The exception's what() text, or a fixed text for anything that is not a std::exception.
std::string describeException(std::exception_ptr error);

} // namespace brisel
