#pragma once

#include <nlohmann/json.hpp>

#include <optional>

namespace brisel {

// The window server's description of the current login session.
class ScreenLock {
public:
    virtual ~ScreenLock() = default;

    // A copy of the current session dictionary, keyed as the system keys it (the screen-lock flag
    // is "CGSSessionScreenIsLocked"); nullopt when there is no session. The value is passed on as
    // the system gave it, so it need not be an object.
    virtual std::optional<nlohmann::json> copySessionDictionary() = 0;
};

} // namespace brisel
