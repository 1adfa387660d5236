#pragma once

#include "ui/design/Appearance.h"

#include <QRectF>

class QPainter;
class QPalette;

namespace brisel {

// The raised lens under the chosen segment of a segmented picker.
class BriselLiquidSelectionLens {
public:
    static constexpr double defaultCornerRadius = 7.5;

    static void paint(QPainter& painter, const QRectF& rect, const Appearance& appearance, const QPalette& palette,
                      double cornerRadius = defaultCornerRadius);
};

} // namespace brisel
