#pragma once

#include <cstdint>
#include <optional>

namespace brisel {

// What one hardware reading says about a charge-to-full override of the limit.
struct ChargeOverrideInputs {
    std::optional<std::uint64_t> darwinState; // the override notification's state; nullopt when unreadable
    std::optional<int> limit;                 // percent, as the charge-limit service reports it
    bool limitEnabled = false;
    bool externalConnected = false;
    bool isCharging = false;
    std::optional<int> percent;

    bool operator==(const ChargeOverrideInputs&) const = default;
};

enum class ChargeOverrideEvidence {
    none,
    packOnly, // the battery keeps charging past the limit (weak)
    darwin,   // the system's override notification is set (strong)
};

enum class ChargeOverrideSignal { none, inferred, confirmed };

inline bool isActive(ChargeOverrideSignal signal) {
    return signal != ChargeOverrideSignal::none;
}

namespace ChargeOverrideDetector {
ChargeOverrideEvidence evidence(const ChargeOverrideInputs& inputs);
}

// Trusts the weak evidence only after it has held, uninterrupted, for `requiredPackHold` seconds.
// Times are seconds on the caller's monotonic clock.
struct ChargeOverrideDebouncer {
    static constexpr double requiredPackHold = 10.0;

    std::optional<double> packHoldStartedAt;

    ChargeOverrideSignal update(const ChargeOverrideInputs& inputs, double now);
};

} // namespace brisel
