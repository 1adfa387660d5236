#pragma once

#include <cstdint>
#include <string>
#include <type_traits>
#include <utility>
#include <variant>

namespace brisel {

// The failure of a helper request, a power-tool change or an administrator script.
struct HelperError {
    // A plain text (a daemon reply such as "err lease-required", a fixed text of the client or the
    // trimmed output of a failed script), or the localisation key "error.helperNotRunning". The
    // localiser translates the key and hands any other text back unchanged.
    std::string message;
    // 0 for protocol and validation failures; the runner's status for a failed administrator script.
    std::int32_t status = 0;

    // The user dismissed the administrator prompt: status 1 and a message that carries the
    // scripting tool's cancel text ("User canceled") or its error number (-128). Such a failure is
    // not an error worth showing.
    bool isUserCancellation() const {
        return status == 1 && (message.find("User canceled") != std::string::npos ||
                               message.find("-128") != std::string::npos);
    }

    bool operator==(const HelperError&) const = default;
};

// Success with a value (none for `HelperResult<void>`) or a `HelperError`.
template <typename T = void> class HelperResult {
public:
    using Value = std::conditional_t<std::is_void_v<T>, std::monostate, T>;

    HelperResult(Value value) : content_(std::in_place_index<0>, std::move(value)) {}
    HelperResult(HelperError error) : content_(std::in_place_index<1>, std::move(error)) {}

    static HelperResult success() requires std::is_void_v<T> { return HelperResult(std::monostate{}); }

    bool ok() const { return content_.index() == 0; }
    explicit operator bool() const { return ok(); }
    // Only on success.
    const Value& value() const { return std::get<0>(content_); }
    // Only on failure.
    const HelperError& error() const { return std::get<1>(content_); }

    bool operator==(const HelperResult&) const = default;

private:
    std::variant<Value, HelperError> content_;
};

} // namespace brisel
