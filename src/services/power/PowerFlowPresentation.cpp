#include "PowerFlowPresentation.h"

#include <array>
#include <charconv>
#include <limits>

namespace brisel::PowerFlowPresentation {

namespace {

enum class Direction { unknown, in, out, zero };

constexpr double deadBand = 0.05;

Direction directionOf(std::optional<double> watts) {
    if (!watts) return Direction::unknown;
    if (*watts > deadBand) return Direction::in;
    if (*watts < -deadBand) return Direction::out;
    return Direction::zero;
}

// One decimal, always with a point: the process locale must not turn it into a comma. The buffer
// holds every finite double written out in full (up to 309 integer digits), so the conversion
// cannot run short and leave unspecified bytes behind.
std::string oneDecimal(double value) {
    std::array<char, std::numeric_limits<double>::max_exponent10 + 8> buffer{};
    auto result =
        std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::fixed, 1);
    return std::string(buffer.data(), result.ptr);
}

} // namespace

std::string untranslated(const std::string& key) {
    return key;
}

std::string batteryFlowWattsText(std::optional<double> watts) {
    switch (directionOf(watts)) {
    case Direction::unknown:
        return "\u2014";
    case Direction::in:
        return "+" + oneDecimal(*watts) + " W";
    case Direction::out:
        return oneDecimal(*watts) + " W";
    case Direction::zero:
        break;
    }
    return "0.0 W";
}

std::optional<std::string> batteryFlowStateText(std::optional<double> watts, bool externalConnected,
                                                const Translate& tr) {
    switch (directionOf(watts)) {
    case Direction::unknown:
        return std::nullopt;
    case Direction::in:
        return tr("state.charging");
    case Direction::out:
        return tr("state.discharging");
    case Direction::zero:
        break;
    }
    if (externalConnected) return tr("power.bypassed");
    return std::nullopt;
}

std::string batteryFlowText(std::optional<double> watts, bool externalConnected, const Translate& tr) {
    std::string text = batteryFlowWattsText(watts);
    if (auto state = batteryFlowStateText(watts, externalConnected, tr)) text += " (" + *state + ")";
    return text;
}

std::string batteryFlowIcon(std::optional<double> watts, bool externalConnected) {
    switch (directionOf(watts)) {
    case Direction::unknown:
        return "battery.0";
    case Direction::in:
        return "battery.100.bolt";
    case Direction::out:
        return "battery.25";
    case Direction::zero:
        break;
    }
    return externalConnected ? "powerplug.fill" : "battery.100";
}

} // namespace brisel::PowerFlowPresentation
