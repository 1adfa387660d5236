#include "ui/design/BriselScaleButton.h"

#include "ui/design/BriselColors.h"
#include "ui/design/BriselTypography.h"

#include <QImage>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace brisel {

namespace {
const Spring pressSpring{0.18, 0.72};
constexpr double pressedBrightening = 0.03;
} // namespace

BriselScaleButton::BriselScaleButton(ViewContext context, QWidget* parent, double pressedScale)
    : QAbstractButton(parent), context_(context), pressedScale_(pressedScale),
      scale_(
          1.0, [this](double) { update(); }, this) {
    setFocusPolicy(Qt::StrongFocus);
    connect(this, &QAbstractButton::pressed, this, &BriselScaleButton::pressChanged);
    connect(this, &QAbstractButton::released, this, &BriselScaleButton::pressChanged);
    context_.observe(this, [this] { update(); });
}

void BriselScaleButton::pressChanged() {
    const bool reduceMotion = context_.currentAppearance().reduceMotion;
    const double target = isDown() && !reduceMotion ? pressedScale_ : 1.0;
    scale_.moveTo(target, pressSpring, reduceMotion);
    update();
}

bool BriselScaleButton::clickOnReturn(QAbstractButton& button, QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (!enter || event->isAutoRepeat()) return false;
    button.click();
    event->accept();
    return true;
}

void BriselScaleButton::keyPressEvent(QKeyEvent* event) {
    if (!clickOnReturn(*this, event)) QAbstractButton::keyPressEvent(event);
}

void BriselScaleButton::paintLabel(QPainter& painter, const QRectF& rect) {
    painter.setFont(BriselTypography::controlLabel());
    painter.setPen(BriselColors::primary(palette()));
    painter.drawText(rect, Qt::AlignCenter, text());
}

QPainterPath BriselScaleButton::focusShape() const {
    QPainterPath shape;
    const QRectF r = QRectF(rect()).adjusted(1, 1, -1, -1);
    const double radius = std::min(r.height() / 2, 6.0);
    shape.addRoundedRect(r, radius, radius);
    return shape;
}

void BriselScaleButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    // The label is drawn at the density of what is painted on (a render may be denser than the
    // screen), so it stays sharp.
    const QTransform device = painter.deviceTransform();
    const double ratio = std::max(devicePixelRatioF(), std::hypot(device.m11(), device.m12()));
    QImage label((QSizeF(size()) * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
    label.setDevicePixelRatio(ratio);
    label.fill(Qt::transparent);
    {
        QPainter labelPainter(&label);
        labelPainter.setRenderHint(QPainter::Antialiasing);
        paintLabel(labelPainter, QRectF(rect()));
        if (isDown()) {
            // Brightens what the label drew, and nothing around it.
            labelPainter.setCompositionMode(QPainter::CompositionMode_SourceAtop);
            labelPainter.fillRect(rect(), QColor::fromRgbF(1, 1, 1, float(pressedBrightening)));
        }
    }
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    if (!isEnabled()) painter.setOpacity(0.4);
    const QPointF centre = QRectF(rect()).center();
    painter.translate(centre);
    painter.scale(scale_.value(), scale_.value());
    painter.translate(-centre);
    painter.drawImage(QPointF(0, 0), label);
    painter.resetTransform();
    if (hasFocus()) BriselColors::paintFocusRing(painter, focusShape(), palette());
}

} // namespace brisel
