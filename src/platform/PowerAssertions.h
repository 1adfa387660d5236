#pragma once

#include <nlohmann/json.hpp>

#include <cstdint>
#include <optional>
#include <string>

namespace brisel {

// Named power-management assertions that hold off idle sleep while they are held.
class PowerAssertions {
public:
    using AssertionID = std::uint32_t; // 0 is never a valid identifier

    virtual ~PowerAssertions() = default;

    // Creates an assertion of `type` ("PreventUserIdleSystemSleep", "PreventUserIdleDisplaySleep")
    // at `level` (255 = on) under `name`; nullopt when creation fails.
    virtual std::optional<AssertionID> create(const std::string& type, int level,
                                              const std::string& name) = 0;

    // Releases a held assertion; false when the release fails (the assertion then stays held).
    virtual bool release(AssertionID id) = 0;

    // The assertion's property dictionary (e.g. "AssertLevel", "AssertType", "AssertName");
    // nullopt when it cannot be read.
    virtual std::optional<nlohmann::json> properties(AssertionID id) = 0;
};

} // namespace brisel
