#include "ui/design/BriselColors.h"

#include "ui/design/ThemeColor.h"

#include <QPainter>
#include <QPainterPath>
#include <QPalette>

namespace brisel {

QColor BriselColors::primary(const QPalette& palette, double opacity) {
    return withOpacity(palette.color(QPalette::WindowText), opacity);
}

QColor BriselColors::secondaryForeground(const Appearance& appearance, const QColor& color, bool enabled) {
    if (enabled && appearance.theme == BriselTheme::liquidGlass) {
        const float level = appearance.dark ? 0.8f : 0.28f;
        return QColor::fromRgbF(level, level, level);
    }
    return color;
}

void BriselColors::paintFocusRing(QPainter& painter, const QPainterPath& shape, const QPalette& palette) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(palette.color(QPalette::Highlight), 2));
    painter.drawPath(shape);
    painter.restore();
}

} // namespace brisel
