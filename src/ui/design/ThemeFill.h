#pragma once

#include "ui/design/ThemeColor.h"

#include <QBrush>
#include <QRectF>

#include <optional>

namespace brisel {

// A card fill: one colour, or a top-to-bottom gradient of two when `bottom` is set.
struct ThemeFill {
    ThemeColor top;
    std::optional<ThemeColor> bottom;

    bool isGradient() const { return bottom.has_value(); }
    QBrush brush(const QPalette& palette, const QRectF& rect) const;

    bool operator==(const ThemeFill&) const = default;
};

} // namespace brisel
