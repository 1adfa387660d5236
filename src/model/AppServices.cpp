#include "AppServices.h"

#include <utility>

namespace brisel::inert {

namespace {

template <typename T> Task<T> answer(T value) {
    co_return value;
}

} // namespace

std::function<Task<std::string>()> statusKey(std::string key) {
    return [key = std::move(key)] { return answer(key); };
}

std::function<Task<std::optional<bool>>()> unknownAssertion() {
    return [] { return answer(std::optional<bool>()); };
}

std::function<Task<DisplaySleepResult>()> failedDisplaySleep() {
    return [] { return answer(DisplaySleepResult::failed); };
}

std::function<Task<std::optional<std::string>>()> noFingerprint() {
    return [] { return answer(std::optional<std::string>()); };
}

std::function<bool()> declined() {
    return [] { return false; };
}

} // namespace brisel::inert
