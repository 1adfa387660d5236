#pragma once

#include "services/config/BriselTheme.h"
#include "ui/design/Shadow.h"
#include "ui/design/ThemeColor.h"
#include "ui/design/ThemeFill.h"

namespace brisel {

// The numbers and colours a theme draws its cards and badges with. `dark` selects the dark-scheme
// value; anything else is light.
class BriselThemeTokens {
public:
    virtual ~BriselThemeTokens() = default;

    virtual BriselTheme theme() const = 0;
    virtual double cornerRadius() const = 0;
    virtual double strokeWidth() const = 0;
    virtual double badgeStrokeWidth() const = 0;
    virtual ThemeFill cardFill(bool dark, bool reduceTransparency) const = 0;
    virtual ThemeColor cardStroke(bool dark, bool reduceTransparency) const = 0;
    // The card's one shadow.
    virtual Shadow cardShadow(bool dark, bool reduceTransparency) const = 0;
    virtual ThemeColor badgeFill(bool dark) const = 0;
    virtual ThemeColor badgeStroke(bool dark) const = 0;

    // The token set of `theme`, shared for the life of the process.
    static const BriselThemeTokens& of(BriselTheme theme);
};

} // namespace brisel
