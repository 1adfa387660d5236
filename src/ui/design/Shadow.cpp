#include "ui/design/Shadow.h"

#include <QPainter>
#include <QPainterPath>
#include <QPainterPathStroker>

#include <algorithm>
#include <deque>

namespace brisel {

namespace {
// Alpha share of the innermost, middle and outermost copy.
constexpr double copyWeights[] = {0.5, 0.3, 0.2};
constexpr double spreadPerRadius = 0.6;

// The clip and the grown copies of one shape. Growing a path takes path unions, which cost far more
// than the painting itself; every paint of a card would otherwise grow its shape again.
struct ShadowPaths {
    QPainterPath shape;
    double spread = 0;
    double dy = 0;
    QPainterPath clip;
    QPainterPath copies[3];
};

const ShadowPaths& shadowPaths(const QPainterPath& shape, double spread, double dy) {
    // The shapes of the cards on screen, most recent first; painting happens on one thread.
    static std::deque<ShadowPaths> made;
    constexpr std::size_t kept = 32;
    for (auto it = made.begin(); it != made.end(); ++it) {
        if (it->spread != spread || it->dy != dy || it->shape != shape) continue;
        if (it != made.begin()) {
            ShadowPaths found = std::move(*it);
            made.erase(it);
            made.push_front(std::move(found));
        }
        return made.front();
    }
    ShadowPaths paths{shape, spread, dy, {}, {}};
    QPainterPath outside;
    outside.addRect(shape.boundingRect().adjusted(-spread - 1, -spread - 1 + dy, spread + 1, spread + 1 + dy));
    paths.clip = outside.subtracted(shape);
    for (int i = 0; i < 3; ++i) {
        QPainterPath copy = shape.translated(0, dy);
        const double grow = spread * (i + 1) / 3.0;
        if (grow > 0) {
            QPainterPathStroker stroker;
            stroker.setWidth(2 * grow);
            stroker.setJoinStyle(Qt::RoundJoin);
            copy = copy.united(stroker.createStroke(copy));
        }
        paths.copies[i] = copy;
    }
    made.push_front(std::move(paths));
    if (made.size() > kept) made.pop_back();
    return made.front();
}

} // namespace

void Shadow::paint(QPainter& painter, const QPainterPath& shape) const {
    if (color.alpha() == 0) return;
    const ShadowPaths& paths = shadowPaths(shape, radius * spreadPerRadius, dy);
    painter.save();
    painter.setPen(Qt::NoPen);
    painter.setClipPath(paths.clip, Qt::IntersectClip);
    for (int i = 0; i < 3; ++i) {
        QColor c = color;
        c.setAlphaF(float(color.alphaF() * copyWeights[i]));
        painter.setBrush(c);
        painter.drawPath(paths.copies[i]);
    }
    painter.restore();
}

QMarginsF Shadow::reach() const {
    const double spread = radius * spreadPerRadius;
    return {spread, std::max(0.0, spread - dy), spread, spread + std::max(0.0, dy)};
}

} // namespace brisel
