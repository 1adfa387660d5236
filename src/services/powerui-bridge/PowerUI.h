#pragma once

#include <optional>
#include <string>
#include <vector>

namespace brisel {

// The charge-limit operations the services call, over the C bridge. Blocking: run them on the
// hardware queue, one at a time.
namespace PowerUI {

struct CurrentLimit {
    int limit = 0;
    bool enabled = false;
    bool operator==(const CurrentLimit&) const = default;
};

bool isSupported();
bool supportsTemporaryFullCharge();

// The limits the system offers, ascending; empty on any failure.
std::vector<int> availableLimits();

// The limit held now and whether it is on; nullopt when it cannot be read.
std::optional<CurrentLimit> current();

// Each returns nullopt on success, else the failure text.
std::optional<std::string> set(int limit);
std::optional<std::string> disable();
std::optional<std::string> chargeToFullNow();

} // namespace PowerUI

} // namespace brisel
