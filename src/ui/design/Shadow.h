#pragma once

#include <QColor>
#include <QMarginsF>

class QPainter;
class QPainterPath;

namespace brisel {

// A soft drop shadow. QPainter cannot blur, so it is drawn as three copies of the shape, each
// grown a further third of `radius` and fainter than the last, moved down by `dy`. The shape itself
// is left out, so a translucent surface over it is not darkened.
struct Shadow {
    QColor color;
    double radius = 0;
    double dy = 0;

    // Paints the shadow of `shape` (call before filling the shape).
    void paint(QPainter& painter, const QPainterPath& shape) const;
    // How far the shadow reaches beyond the shape on each side.
    QMarginsF reach() const;

    bool operator==(const Shadow&) const = default;
};

} // namespace brisel
