#pragma once

// The application's verdict on the installed helper daemon.

#include "HelperCapabilities.h"

#include <optional>
#include <utility>

namespace brisel {

class HelperReadiness {
public:
    enum class Kind {
        ready,       // installed, answers, and reported capabilities that parse
        absent,      // neither the launch-daemon property list nor the helper executable exists
        unavailable, // some files exist, but the property list is missing or "ping" is not answered
        outdated,    // answers "ping" but not "capabilities" in a form that parses
    };

    // Absent, the state before anything was inspected.
    HelperReadiness() = default;

    static HelperReadiness ready(HelperCapabilities capabilities) {
        return HelperReadiness(Kind::ready, std::move(capabilities));
    }
    static HelperReadiness absent() { return HelperReadiness(Kind::absent, std::nullopt); }
    static HelperReadiness unavailable() { return HelperReadiness(Kind::unavailable, std::nullopt); }
    static HelperReadiness outdated() { return HelperReadiness(Kind::outdated, std::nullopt); }

    Kind kind() const { return kind_; }
    // The capabilities of a ready helper; nothing in every other case.
    const std::optional<HelperCapabilities>& capabilities() const { return capabilities_; }

    bool operator==(const HelperReadiness&) const = default;

private:
    HelperReadiness(Kind kind, std::optional<HelperCapabilities> capabilities)
        : kind_(kind), capabilities_(std::move(capabilities)) {}

    Kind kind_ = Kind::absent;
    std::optional<HelperCapabilities> capabilities_;
};

} // namespace brisel
