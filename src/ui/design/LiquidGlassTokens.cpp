#include "ui/design/LiquidGlassTokens.h"

namespace brisel {

ThemeFill LiquidGlassTokens::cardFill(bool dark, bool reduceTransparency) const {
    if (reduceTransparency) return {ThemeColor::controlBackground(1), std::nullopt};
    if (dark) return {ThemeColor::white(0.075), ThemeColor::white(0.045)};
    return {ThemeColor::white(0.6), ThemeColor::white(0.4)};
}

ThemeColor LiquidGlassTokens::cardStroke(bool dark, bool reduceTransparency) const {
    if (reduceTransparency) return ThemeColor::primary(dark ? 0.18 : 0.12);
    return ThemeColor::primary(dark ? 0.1 : 0.075);
}

Shadow LiquidGlassTokens::cardShadow(bool dark, bool reduceTransparency) const {
    if (reduceTransparency) return {withOpacity(Qt::black, 0.06), 1, 1};
    return {withOpacity(Qt::black, dark ? 0.24 : 0.065), 5, 2};
}

ThemeColor LiquidGlassTokens::badgeFill(bool dark) const {
    return ThemeColor::white(dark ? 0.07 : 0.22);
}

ThemeColor LiquidGlassTokens::badgeStroke(bool dark) const {
    return ThemeColor::primary(dark ? 0.14 : 0.10);
}

} // namespace brisel
