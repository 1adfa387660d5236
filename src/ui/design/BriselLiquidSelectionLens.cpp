#include "ui/design/BriselLiquidSelectionLens.h"

#include "ui/design/BriselColors.h"
#include "ui/design/BriselOpticalSurface.h"
#include "ui/design/Shadow.h"
#include "ui/design/ThemeColor.h"

#include <QPainter>
#include <QPainterPath>

namespace brisel {

void BriselLiquidSelectionLens::paint(QPainter& painter, const QRectF& rect, const Appearance& appearance,
                                      const QPalette& palette, double cornerRadius) {
    QPainterPath shape;
    shape.addRoundedRect(rect, cornerRadius, cornerRadius);
    if (appearance.glass()) {
        BriselOpticalSurface::paint(painter, shape, Qt::transparent, appearance.dark);
        return;
    }
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    Shadow{withOpacity(Qt::black, 0.08), 2, 1}.paint(painter, shape);
    painter.fillPath(shape, appearance.dark ? QColor::fromRgbF(0.24f, 0.24f, 0.24f) : QColor(Qt::white));
    painter.strokePath(shape, QPen(BriselColors::primary(palette, 0.16), 0.75));
    painter.restore();
}

} // namespace brisel
