#pragma once

#include <nlohmann/json.hpp>

#include <optional>

namespace brisel {

// The power-management root domain's registry entry ("IOPMrootDomain"), which carries the lid
// (clamshell) state as "AppleClamshellState" and "AppleClamshellCausesSleep".
class PowerRootDomain {
public:
    virtual ~PowerRootDomain() = default;

    // The entry's properties; nullopt when there is no root domain or it cannot be read.
    virtual std::optional<nlohmann::json> properties() = 0;
};

} // namespace brisel
