#include "ui/design/BriselLiquidGlassBackdrop.h"

#include <QLinearGradient>
#include <QPainter>

namespace brisel {

BriselLiquidGlassBackdrop::BriselLiquidGlassBackdrop(ViewContext context, QWidget* parent)
    : QWidget(parent), context_(context) {
    context_.observe(this, [this] { update(); });
}

void BriselLiquidGlassBackdrop::paint(QPainter& painter, const QRectF& rect, bool dark, const QPalette& palette) {
    painter.fillRect(rect, palette.color(QPalette::Window));
    QLinearGradient gradient(rect.topLeft(), rect.bottomLeft());
    if (dark) {
        gradient.setColorAt(0, QColor::fromRgbF(0.12f, 0.13f, 0.15f, 0.66f));
        gradient.setColorAt(1, QColor::fromRgbF(0.1f, 0.11f, 0.13f, 0.66f));
    } else {
        gradient.setColorAt(0, QColor::fromRgbF(0.965f, 0.971f, 0.98f, 0.32f));
        gradient.setColorAt(1, QColor::fromRgbF(0.945f, 0.955f, 0.967f, 0.32f));
    }
    painter.fillRect(rect, gradient);
}

void BriselLiquidGlassBackdrop::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paint(painter, rect(), context_.currentAppearance().dark, palette());
}

} // namespace brisel
