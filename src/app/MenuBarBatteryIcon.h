#pragma once

// The small glyph in the tray: an upright battery with a plus-shaped terminal, and a bolt inside
// while charging. Drawn in code at three pixel densities, black on transparent (the label tints
// it), and kept per icon state for the life of the process.

#include <QImage>

#include <cstddef>
#include <optional>
#include <vector>

namespace brisel::MenuBarBatteryIcon {

struct State {
    bool hasBattery = false;
    std::optional<int> percent; // 0...100; nothing without a battery
    bool showsBolt = false;

    bool operator==(const State&) const = default;
};

struct StateHash {
    std::size_t operator()(const State& state) const;
};

// One image per scale 1, 2 and 3 (18, 36 and 54 pixels, each 18 × 18 logical); a scale that could
// not be drawn is left out.
struct Images {
    std::vector<QImage> scales;
};

inline constexpr int canvas = 18;

State state(bool present, bool installed, std::optional<int> percent, bool externalConnected, bool isCharging,
            bool chargeOverridePresented);

// The cached images of the state, drawn on first use. Safe from any thread; the same state always
// gives the very same object, which lives as long as the process.
const Images& image(const State& state);

} // namespace brisel::MenuBarBatteryIcon
