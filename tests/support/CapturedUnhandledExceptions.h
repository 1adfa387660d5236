#pragma once

#include "async/UnhandledException.h"

#include <mutex>
#include <string>
#include <vector>

namespace brisel::test {

// While it lives, exceptions nobody received are collected ("<where>: <what>") instead of failing
// the test, for tests that expect one; the test main's handler comes back afterwards.
class CapturedUnhandledExceptions {
public:
    CapturedUnhandledExceptions()
        : previous_(setUnhandledExceptionHandler([this](std::exception_ptr error, std::string_view where) {
              std::lock_guard guard(lock_);
              reports_.push_back(std::string(where) + ": " + describeException(error));
          })) {}
    ~CapturedUnhandledExceptions() { setUnhandledExceptionHandler(previous_); }
    CapturedUnhandledExceptions(const CapturedUnhandledExceptions&) = delete;
    CapturedUnhandledExceptions& operator=(const CapturedUnhandledExceptions&) = delete;

    std::vector<std::string> reports() const {
        std::lock_guard guard(lock_);
        return reports_;
    }

private:
    mutable std::mutex lock_;
    std::vector<std::string> reports_;
    UnhandledExceptionHandler previous_;
};

} // namespace brisel::test
