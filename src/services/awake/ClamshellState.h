#pragma once

#include <optional>

namespace brisel {

class PowerRootDomain;

struct ClamshellState {
    bool closed = false;
    bool causesSleep = true; // closing the lid puts the machine to sleep

    bool operator==(const ClamshellState&) const = default;
};

// The lid state from the power-management root domain; nullopt when there is no root domain or
// its clamshell state cannot be read. An unreadable causes-sleep flag counts as true. Blocking:
// runs on the hardware queue.
std::optional<ClamshellState> readClamshellState(PowerRootDomain& rootDomain);

} // namespace brisel
