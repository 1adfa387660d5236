#pragma once

#include "ui/design/BriselThemeTokens.h"

namespace brisel {

class ClassicTokens : public BriselThemeTokens {
public:
    BriselTheme theme() const override { return BriselTheme::classic; }
    double cornerRadius() const override { return 10; }
    double strokeWidth() const override { return 1; }
    double badgeStrokeWidth() const override { return 1; }
    ThemeFill cardFill(bool dark, bool reduceTransparency) const override;
    ThemeColor cardStroke(bool dark, bool reduceTransparency) const override;
    Shadow cardShadow(bool dark, bool reduceTransparency) const override;
    ThemeColor badgeFill(bool dark) const override;
    ThemeColor badgeStroke(bool dark) const override;
};

} // namespace brisel
