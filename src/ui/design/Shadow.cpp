#include "ui/design/Shadow.h"

#include <QPainter>
#include <QPainterPath>
#include <QPainterPathStroker>

#include <algorithm>

namespace brisel {

namespace {
// Alpha share of the innermost, middle and outermost copy.
constexpr double copyWeights[] = {0.5, 0.3, 0.2};
constexpr double spreadPerRadius = 0.6;
} // namespace

void Shadow::paint(QPainter& painter, const QPainterPath& shape) const {
    if (color.alpha() == 0) return;
    const double spread = radius * spreadPerRadius;
    painter.save();
    painter.setPen(Qt::NoPen);
    QPainterPath outside;
    outside.addRect(shape.boundingRect().adjusted(-spread - 1, -spread - 1 + dy, spread + 1, spread + 1 + dy));
    painter.setClipPath(outside.subtracted(shape), Qt::IntersectClip);
    for (int i = 0; i < 3; ++i) {
        QPainterPath copy = shape.translated(0, dy);
        const double grow = spread * (i + 1) / 3.0;
        if (grow > 0) {
            QPainterPathStroker stroker;
            stroker.setWidth(2 * grow);
            stroker.setJoinStyle(Qt::RoundJoin);
            copy = copy.united(stroker.createStroke(copy));
        }
        QColor c = color;
        c.setAlphaF(float(color.alphaF() * copyWeights[i]));
        painter.setBrush(c);
        painter.drawPath(copy);
    }
    painter.restore();
}

QMarginsF Shadow::reach() const {
    const double spread = radius * spreadPerRadius;
    return {spread, std::max(0.0, spread - dy), spread, spread + std::max(0.0, dy)};
}

} // namespace brisel
