#pragma once

#include "ui/design/Appearance.h"

#include <QRectF>

class QPainter;
class QPalette;

namespace brisel {

// The pill behind small buttons and pop-up controls, hovered or highlighted.
class BriselControlPillSurface {
public:
    static constexpr double defaultCornerRadius = 7;

    struct State {
        bool hovered = false;
        bool highlighted = false;
    };

    // Under glass rendering the pill is always a capsule and `cornerRadius` is not used.
    static void paint(QPainter& painter, const QRectF& rect, const Appearance& appearance, const QPalette& palette,
                      State state, double cornerRadius = defaultCornerRadius);
};

} // namespace brisel
