#include "ui/design/ClassicTokens.h"

namespace brisel {

ThemeFill ClassicTokens::cardFill(bool dark, bool reduceTransparency) const {
    return {ThemeColor::controlBackground(dark && !reduceTransparency ? 0.75 : 1), std::nullopt};
}

ThemeColor ClassicTokens::cardStroke(bool dark, bool) const {
    return ThemeColor::primary(dark ? 0.09 : 0.07);
}

Shadow ClassicTokens::cardShadow(bool dark, bool) const {
    return {withOpacity(Qt::black, dark ? 0.12 : 0.04), 2, 1};
}

ThemeColor ClassicTokens::badgeFill(bool dark) const {
    return ThemeColor::primary(dark ? 0.06 : 0.04);
}

ThemeColor ClassicTokens::badgeStroke(bool dark) const {
    return ThemeColor::primary(dark ? 0.14 : 0.08);
}

} // namespace brisel
