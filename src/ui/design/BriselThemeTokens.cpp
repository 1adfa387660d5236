#include "ui/design/BriselThemeTokens.h"

#include "ui/design/ClassicTokens.h"
#include "ui/design/LiquidGlassTokens.h"

namespace brisel {

const BriselThemeTokens& BriselThemeTokens::of(BriselTheme theme) {
    static const LiquidGlassTokens liquidGlass;
    static const ClassicTokens classic;
    if (theme == BriselTheme::classic) return classic;
    return liquidGlass;
}

} // namespace brisel
