#pragma once

#include "ui/design/Appearance.h"

#include <QColor>

class QPainter;
class QPainterPath;
class QPalette;

namespace brisel {

// The palette's colours by the names the design uses, and the secondary-text rule.
class BriselColors {
public:
    static QColor primary(const QPalette& palette, double opacity = 1);
    static QColor secondary(const QPalette& palette) { return primary(palette, 0.55); }
    static QColor tertiary(const QPalette& palette) { return primary(palette, 0.3); }

    // Secondary text on glass is a fixed opaque grey that stays readable over the translucent
    // surfaces; elsewhere (or with `enabled` off) the given colour is used as it is.
    static QColor secondaryForeground(const Appearance& appearance, const QColor& color, bool enabled = true);

    // The keyboard-focus ring custom-drawn controls paint around `shape`.
    static void paintFocusRing(QPainter& painter, const QPainterPath& shape, const QPalette& palette);
};

} // namespace brisel
