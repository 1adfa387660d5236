#include "ui/design/BriselOpticalSurface.h"

#include "ui/design/Shadow.h"
#include "ui/design/ThemeColor.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace brisel {

QColor BriselOpticalSurface::ultraThinMaterial(bool dark) {
    return withOpacity(Qt::white, dark ? 0.08 : 0.35);
}

void BriselOpticalSurface::paint(QPainter& painter, const QPainterPath& shape, const QColor& tint, bool dark) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    Shadow{withOpacity(Qt::black, dark ? 0.2 : 0.07), 2, 1}.paint(painter, shape);
    painter.fillPath(shape, ultraThinMaterial(dark));
    painter.fillPath(shape, tint);
    const QRectF box = shape.boundingRect();
    QLinearGradient rim(box.topLeft(), box.bottomRight());
    rim.setColorAt(0, withOpacity(Qt::white, dark ? 0.44 : 0.88));
    rim.setColorAt(1, withOpacity(Qt::white, dark ? 0.1 : 0.24));
    painter.strokePath(shape, QPen(QBrush(rim), 0.75));
    painter.restore();
}

} // namespace brisel
