#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace brisel {

// A random (version 4) universally unique identifier, as stored in onboarding.json.
struct Uuid {
    std::array<std::uint8_t, 16> bytes{};

    static Uuid random();
    // The 36-character form: five groups of 8, 4, 4, 4 and 12 hexadecimal digits joined by
    // hyphens, digits in either case. Anything else gives no value.
    static std::optional<Uuid> fromString(std::string_view text);
    // The 36-character form in upper case.
    std::string toString() const;

    bool operator==(const Uuid&) const = default;
};

} // namespace brisel
