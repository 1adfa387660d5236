#pragma once

// The small glyph of the tray: an upright battery with a plus-shaped terminal, and a bolt inside
// while charging. Drawn in code at three pixel densities, black on transparent, and kept per icon
// state for the life of the process. The tray's icon (MenuBarLabel) draws the same parts itself, at
// the size the tray asks for.

#include <QImage>
#include <QPainterPath>
#include <QRectF>

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

// The glyph's parts in points of the canvas, from its top left, y growing downwards: the terminal
// and the body's frame (even-odd, so the hole stays empty), the hole inside the frame, and the bolt.
QPainterPath outline();
inline constexpr QRectF hole{6, 8, 6, 7};
QPainterPath boltPath();

State state(bool present, bool installed, std::optional<int> percent, bool externalConnected, bool isCharging,
            bool chargeOverridePresented);

// The cached images of the state, drawn on first use. Safe from any thread; the same state always
// gives the very same object, which lives as long as the process.
const Images& image(const State& state);

} // namespace brisel::MenuBarBatteryIcon
