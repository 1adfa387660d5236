#include "ui/design/BriselRecessedGlassSurface.h"

#include "ui/design/BriselColors.h"
#include "ui/design/ThemeColor.h"

#include <QPainter>
#include <QPainterPath>

namespace brisel {

void BriselRecessedGlassSurface::paint(QPainter& painter, const QRectF& rect, const Appearance& appearance,
                                       const QPalette& palette, double cornerRadius, bool capsule) {
    const bool dark = appearance.dark;
    QColor fill;
    QColor stroke;
    if (appearance.glass()) {
        fill = withOpacity(Qt::black, dark ? 0.15 : 0.035);
        stroke = BriselColors::primary(palette, dark ? 0.1 : 0.065);
    } else {
        fill = BriselColors::primary(palette, dark ? 0.055 : 0.038);
        stroke = BriselColors::primary(palette, dark ? 0.095 : 0.065);
    }
    const double radius = capsule ? rect.height() / 2 : cornerRadius;
    QPainterPath shape;
    shape.addRoundedRect(rect, radius, radius);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(shape, fill);
    painter.strokePath(shape, QPen(stroke, capsule ? 0.8 : 0.75));
    painter.restore();
}

} // namespace brisel
