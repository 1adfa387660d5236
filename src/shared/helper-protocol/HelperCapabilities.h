#pragma once

// What a helper daemon says it can do, in the one text the daemon answers to "capabilities" and in
// parsed form for the application. Compiled into both programs: standard library only.

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>

namespace brisel {

struct HelperCapabilities {
    std::int64_t protocolVersion = 1;
    std::int64_t componentVersion = 1;
    std::set<std::string> features;

    // The daemon's reply to "capabilities".
    static const std::string response;

    // Parses a reply line the caller has already trimmed; nothing for anything but an "ok" reply
    // with protocol 1, a component version of at least 1 and a (possibly empty) feature list.
    static std::optional<HelperCapabilities> parse(std::string_view reply);

    // Whether the features cover a set-up that needs lid-closed keep-awake and/or energy-mode
    // switching.
    bool supports(bool lid, bool energy) const;

    bool operator==(const HelperCapabilities&) const = default;
};

} // namespace brisel
