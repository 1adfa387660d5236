#include "ui/design/BriselPanelBackdrop.h"

#include "ui/design/BriselLiquidGlassBackdrop.h"

#include <QPainter>

namespace brisel {

BriselPanelBackdrop::BriselPanelBackdrop(ViewContext context, QWidget* parent) : QWidget(parent), context_(context) {
    context_.observe(this, [this] { update(); });
}

void BriselPanelBackdrop::paint(QPainter& painter, const QRectF& rect, const Appearance& appearance,
                                const QPalette& palette) {
    if (appearance.glass())
        BriselLiquidGlassBackdrop::paint(painter, rect, appearance.dark, palette);
    else
        painter.fillRect(rect, palette.color(QPalette::Window));
}

void BriselPanelBackdrop::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paint(painter, rect(), context_.currentAppearance(), palette());
}

} // namespace brisel
