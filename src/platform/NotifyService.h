#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace brisel {

// The system's notify-style notifications: named events with a 64-bit state word.
// Registrations are identified by tokens; a failed registration yields nullopt.
class NotifyService {
public:
    using Token = std::int32_t;

    virtual ~NotifyService() = default;

    // Registers for reading the state of `name`.
    virtual std::optional<Token> registerCheck(const std::string& name) = 0;

    // Registers `handler` to be called each time `name` is posted, on a thread of the service's
    // choosing.
    virtual std::optional<Token> registerDispatch(const std::string& name, std::function<void()> handler) = 0;

    // The current state of the name behind `token`; nullopt when it cannot be read.
    virtual std::optional<std::uint64_t> state(Token token) = 0;

    // Ends a registration; a dispatch handler is not called after this returns.
    virtual void cancel(Token token) = 0;
};

} // namespace brisel
