#pragma once

#include <QColor>

class QPainter;
class QPainterPath;

namespace brisel {

// The layered glass of the selection lens and the glass control pill: a translucent material, the
// tint, a light rim brighter at the top-leading corner, and a small shadow.
class BriselOpticalSurface {
public:
    static void paint(QPainter& painter, const QPainterPath& shape, const QColor& tint, bool dark);
    // The stand-in for a blurred thin material.
    static QColor ultraThinMaterial(bool dark);
};

} // namespace brisel
