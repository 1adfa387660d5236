#pragma once

#include <cstdint>
#include <optional>

namespace brisel {

// The window server's list of online displays (active, mirrored or asleep).
class OnlineDisplays {
public:
    virtual ~OnlineDisplays() = default;

    // How many displays are online; nullopt when the query fails.
    virtual std::optional<std::uint32_t> count() = 0;
};

} // namespace brisel
