#include "ui/design/SymbolView.h"

#include "ui/design/SymbolPainter.h"

#include <QPainter>

#include <cmath>

namespace brisel {

SymbolView::SymbolView(QString name, double size, int weight, double frameWidth, QWidget* parent)
    : QWidget(parent), name_(std::move(name)), size_(size), weight_(weight), frameWidth_(frameWidth) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void SymbolView::setName(const QString& name) {
    if (name == name_) return;
    name_ = name;
    update();
}

void SymbolView::setColor(const std::optional<QColor>& color) {
    if (color == color_) return;
    color_ = color;
    update();
}

QSize SymbolView::sizeHint() const {
    return {int(std::ceil(frameWidth_)), int(std::ceil(size_))};
}

void SymbolView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRectF square(0, 0, size_, size_);
    SymbolPainter::paint(painter, square.translated(QRectF(rect()).center() - square.center()), name_,
                         color_.value_or(palette().color(QPalette::WindowText)), weight_);
}

} // namespace brisel
