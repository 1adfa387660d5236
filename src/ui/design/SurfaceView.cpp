#include "ui/design/SurfaceView.h"

#include <QPainter>

namespace brisel {

SurfaceView::SurfaceView(ViewContext context, Painter painter, QWidget* parent)
    : QWidget(parent), context_(context), painter_(std::move(painter)) {
    context_.observe(this, [this] { update(); });
}

void SurfaceView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter_(painter, QRectF(contentsRect()), context_.currentAppearance(), palette());
}

} // namespace brisel
