#include "ui/design/BriselControlPillSurface.h"

#include "ui/design/BriselColors.h"
#include "ui/design/BriselOpticalSurface.h"
#include "ui/design/BriselSemanticColor.h"
#include "ui/design/ThemeColor.h"

#include <QPainter>
#include <QPainterPath>

namespace brisel {

void BriselControlPillSurface::paint(QPainter& painter, const QRectF& rect, const Appearance& appearance,
                                     const QPalette& palette, State state, double cornerRadius) {
    const QColor accent = BriselSemanticColor::electricBlue(appearance.dark);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    if (appearance.glass()) {
        QPainterPath capsule;
        capsule.addRoundedRect(rect, rect.height() / 2, rect.height() / 2);
        BriselOpticalSurface::paint(painter, capsule, state.highlighted ? withOpacity(accent, 0.18) : Qt::transparent,
                                    appearance.dark);
        if (state.hovered) painter.fillPath(capsule, BriselColors::primary(palette, 0.06));
        if (appearance.dark) painter.fillPath(capsule, withOpacity(Qt::black, state.highlighted ? 0.4 : 0.3));
    } else {
        QPainterPath shape;
        shape.addRoundedRect(rect, cornerRadius, cornerRadius);
        painter.fillPath(shape, BriselColors::primary(palette, state.hovered ? 0.1 : 0.06));
        painter.strokePath(shape, QPen(state.highlighted ? withOpacity(accent, 0.55) : BriselColors::primary(palette, 0.14),
                                       0.75));
    }
    painter.restore();
}

} // namespace brisel
