#pragma once

#include "services/config/BriselTheme.h"

namespace brisel {

// Everything a themed view needs to know about how to draw: the theme, the colour scheme and the
// two accessibility preferences.
struct Appearance {
    BriselTheme theme = defaultTheme;
    bool dark = false;
    bool reduceMotion = false;
    bool reduceTransparency = false;

    // Glass rendering; otherwise the liquid-glass theme draws the flat surfaces of the classic one.
    bool glass() const { return theme == BriselTheme::liquidGlass && !reduceTransparency; }

    bool operator==(const Appearance&) const = default;
};

} // namespace brisel
