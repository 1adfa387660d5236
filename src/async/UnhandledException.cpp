#include "UnhandledException.h"

#include <cstdio>
#include <mutex>
#include <utility>

namespace brisel {

namespace {

std::mutex handlerLock;
UnhandledExceptionHandler installed;

void writeToStandardError(std::exception_ptr error, std::string_view where) {
    const std::string line =
        "brisel: unhandled exception in " + std::string(where) + ": " + describeException(error) + "\n";
    std::fputs(line.c_str(), stderr);
}

} // namespace

UnhandledExceptionHandler setUnhandledExceptionHandler(UnhandledExceptionHandler handler) {
    std::lock_guard guard(handlerLock);
    return std::exchange(installed, std::move(handler));
}

void reportUnhandledException(std::exception_ptr error, std::string_view where) noexcept {
    UnhandledExceptionHandler handler;
    {
        std::lock_guard guard(handlerLock);
        handler = installed;
    }
    try {
        if (handler)
            handler(error, where);
        else
            writeToStandardError(error, where);
    } catch (...) {
        // A handler that throws has nowhere to report to either.
    }
}

std::string describeException(std::exception_ptr error) {
    try {
        if (error) std::rethrow_exception(error);
        return "no exception";
    } catch (const std::exception& caught) {
        return caught.what();
    } catch (...) {
        return "an exception that is not a std::exception";
    }
}

} // namespace brisel
