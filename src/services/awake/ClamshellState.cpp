#include "ClamshellState.h"

#include "platform/PowerRootDomain.h"

#include <cstdint>
#include <exception>
#include <string_view>

namespace brisel {

namespace {

// A registry flag: a boolean as is, a number as non-zero; anything else is unreadable.
std::optional<bool> readFlag(const nlohmann::json& props, std::string_view key) {
    auto it = props.find(key);
    if (it == props.end()) return std::nullopt;
    if (it->is_boolean()) return it->get<bool>();
    if (it->is_number_float()) return it->get<double>() != 0.0;
    if (it->is_number_unsigned()) return it->get<std::uint64_t>() != 0;
    if (it->is_number_integer()) return it->get<std::int64_t>() != 0;
    return std::nullopt;
}

} // namespace

std::optional<ClamshellState> readClamshellState(PowerRootDomain& rootDomain) {
    std::optional<nlohmann::json> props;
    try {
        props = rootDomain.properties();
    } catch (const std::exception&) {
        return std::nullopt;
    }
    if (!props || !props->is_object()) return std::nullopt;
    auto closed = readFlag(*props, "AppleClamshellState");
    if (!closed) return std::nullopt;
    return ClamshellState{*closed, readFlag(*props, "AppleClamshellCausesSleep").value_or(true)};
}

} // namespace brisel
