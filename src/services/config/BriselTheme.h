#pragma once

// The application's two visual themes. The stored text is the case name; the token sets that draw
// them live with the design system.

#include <array>
#include <optional>
#include <string_view>

namespace brisel {

enum class BriselTheme { liquidGlass, classic };

inline constexpr BriselTheme defaultTheme = BriselTheme::liquidGlass;
inline constexpr std::array<BriselTheme, 2> allBriselThemes{BriselTheme::liquidGlass, BriselTheme::classic};

constexpr std::string_view toString(BriselTheme theme) {
    return theme == BriselTheme::classic ? "classic" : "liquidGlass";
}

// Strict: only the exact stored texts.
constexpr std::optional<BriselTheme> briselThemeFromString(std::string_view text) {
    if (text == "liquidGlass") return BriselTheme::liquidGlass;
    if (text == "classic") return BriselTheme::classic;
    return std::nullopt;
}

// The lenient reading of the `theme` setting: exactly "classic" is classic, anything else the default.
constexpr BriselTheme briselThemeFromKey(std::string_view key) {
    return key == "classic" ? BriselTheme::classic : BriselTheme::liquidGlass;
}

constexpr std::string_view localizationKey(BriselTheme theme) {
    return theme == BriselTheme::classic ? "theme.classic" : "theme.liquidGlass";
}

} // namespace brisel
