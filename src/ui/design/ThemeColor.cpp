#include "ui/design/ThemeColor.h"

#include <QPalette>

namespace brisel {

QColor withOpacity(QColor color, double opacity) {
    color.setAlphaF(float(color.alphaF() * opacity));
    return color;
}

QColor ThemeColor::resolve(const QPalette& palette) const {
    switch (base) {
    case Base::primary: return withOpacity(palette.color(QPalette::WindowText), opacity);
    case Base::controlBackground: return withOpacity(palette.color(QPalette::Base), opacity);
    case Base::window: return withOpacity(palette.color(QPalette::Window), opacity);
    case Base::fixed: break;
    }
    return withOpacity(fixed, opacity);
}

} // namespace brisel
