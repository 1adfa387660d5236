#pragma once

#include "ui/design/BriselThemeTokens.h"

namespace brisel {

class LiquidGlassTokens : public BriselThemeTokens {
public:
    BriselTheme theme() const override { return BriselTheme::liquidGlass; }
    double cornerRadius() const override { return 14; }
    double strokeWidth() const override { return 0.75; }
    double badgeStrokeWidth() const override { return 0.75; }
    ThemeFill cardFill(bool dark, bool reduceTransparency) const override;
    ThemeColor cardStroke(bool dark, bool reduceTransparency) const override;
    Shadow cardShadow(bool dark, bool reduceTransparency) const override;
    ThemeColor badgeFill(bool dark) const override;
    ThemeColor badgeStroke(bool dark) const override;
};

} // namespace brisel
