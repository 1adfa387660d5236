#include "ui/design/ThemeFill.h"

#include <QLinearGradient>

namespace brisel {

QBrush ThemeFill::brush(const QPalette& palette, const QRectF& rect) const {
    if (!bottom) return top.resolve(palette);
    QLinearGradient gradient(rect.topLeft(), rect.bottomLeft());
    gradient.setColorAt(0, top.resolve(palette));
    gradient.setColorAt(1, bottom->resolve(palette));
    return gradient;
}

} // namespace brisel
