#pragma once

#include "ui/design/Appearance.h"

#include <optional>

namespace brisel {

// Values a single view sets for itself; each one that is set wins over the shared appearance.
struct AppearanceOverride {
    std::optional<BriselTheme> theme;
    std::optional<bool> dark;
    std::optional<bool> reduceTransparency;

    Appearance applyTo(Appearance appearance) const {
        if (theme) appearance.theme = *theme;
        if (dark) appearance.dark = *dark;
        if (reduceTransparency) appearance.reduceTransparency = *reduceTransparency;
        return appearance;
    }

    bool operator==(const AppearanceOverride&) const = default;
};

} // namespace brisel
