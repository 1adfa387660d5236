#include "HelperCapabilities.h"

#include <charconv>
#include <vector>

namespace brisel {

const std::string HelperCapabilities::response =
    "ok protocol=1 version=2 capabilities=lease_disablesleep,set_disablesleep,set_powermode";

namespace {

std::vector<std::string_view> split(std::string_view text, char separator) {
    std::vector<std::string_view> pieces;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(separator, start);
        if (end == std::string_view::npos) end = text.size();
        if (end > start) pieces.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return pieces;
}

// A decimal integer: an optional "+" or "-" and at least one digit, nothing else, within 64 bits.
std::optional<std::int64_t> integer(std::string_view text) {
    std::string_view digits = text;
    if (!digits.empty() && (digits.front() == '+' || digits.front() == '-')) digits.remove_prefix(1);
    if (digits.empty() || digits.find_first_not_of("0123456789") != std::string_view::npos)
        return std::nullopt;
    // from_chars takes a minus sign but not a plus sign.
    const std::string_view parsed = text.front() == '+' ? digits : text;
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(parsed.data(), parsed.data() + parsed.size(), value);
    if (error != std::errc{} || end != parsed.data() + parsed.size()) return std::nullopt;
    return value;
}

std::optional<std::string_view> after(std::string_view word, std::string_view prefix) {
    if (!word.starts_with(prefix)) return std::nullopt;
    return word.substr(prefix.size());
}

} // namespace

std::optional<HelperCapabilities> HelperCapabilities::parse(std::string_view reply) {
    const std::vector<std::string_view> words = split(reply, ' ');
    if (words.size() != 4 || words[0] != "ok") return std::nullopt;
    const auto protocolText = after(words[1], "protocol=");
    const auto versionText = after(words[2], "version=");
    const auto featuresText = after(words[3], "capabilities=");
    if (!protocolText || !versionText || !featuresText) return std::nullopt;
    const auto protocol = integer(*protocolText);
    if (!protocol || *protocol != 1) return std::nullopt;
    const auto version = integer(*versionText);
    if (!version || *version < 1) return std::nullopt;
    HelperCapabilities capabilities;
    capabilities.protocolVersion = *protocol;
    capabilities.componentVersion = *version;
    for (std::string_view feature : split(*featuresText, ','))
        capabilities.features.emplace(feature);
    return capabilities;
}

bool HelperCapabilities::supports(bool lid, bool energy) const {
    if (lid && (!features.contains("lease_disablesleep") || !features.contains("set_disablesleep")))
        return false;
    if (energy && !features.contains("set_powermode")) return false;
    return true;
}

} // namespace brisel
