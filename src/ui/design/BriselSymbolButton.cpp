#include "ui/design/BriselSymbolButton.h"

#include "ui/design/BriselColors.h"
#include "ui/design/SymbolPainter.h"

#include <cmath>

namespace brisel {

namespace {
// Room around the symbol: a bigger target than the glyph, and space for the focus ring.
constexpr double padding = 4;
} // namespace

BriselSymbolButton::BriselSymbolButton(ViewContext context, QString symbol, double size, int weight, QWidget* parent)
    : BriselScaleButton(context, parent), symbol_(std::move(symbol)), size_(size), weight_(weight) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void BriselSymbolButton::setSymbolColor(std::optional<QColor> color) {
    if (color == color_) return;
    color_ = color;
    update();
}

QSize BriselSymbolButton::sizeHint() const {
    const int side = int(std::ceil(size_ + 2 * padding));
    return {side, side};
}

void BriselSymbolButton::paintLabel(QPainter& painter, const QRectF& rect) {
    const QRectF square(rect.center().x() - size_ / 2, rect.center().y() - size_ / 2, size_, size_);
    SymbolPainter::paint(painter, square, symbol_, color_.value_or(BriselColors::secondary(palette())), weight_);
}

} // namespace brisel
