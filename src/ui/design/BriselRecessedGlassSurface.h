#pragma once

#include "ui/design/Appearance.h"

#include <QRectF>

class QPainter;
class QPalette;

namespace brisel {

// The recessed well behind grouped rows (gauges, the limit bar, segmented pickers); no shadow.
class BriselRecessedGlassSurface {
public:
    static constexpr double defaultCornerRadius = 9;

    static void paint(QPainter& painter, const QRectF& rect, const Appearance& appearance, const QPalette& palette,
                      double cornerRadius = defaultCornerRadius, bool capsule = false);
};

} // namespace brisel
