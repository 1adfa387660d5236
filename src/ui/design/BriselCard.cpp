#include "ui/design/BriselCard.h"

#include "ui/design/BriselThemeTokens.h"

#include <QPainter>
#include <QPainterPath>

namespace brisel {

BriselCard::BriselCard(ViewContext context, QWidget* parent) : QWidget(parent), context_(context) {
    setContentsMargins(shadowMargins());
    context_.observe(this, [this] {
        update();
        appearanceChanged();
    });
}

void BriselCard::setAppearanceOverride(const AppearanceOverride& override) {
    if (override == override_) return;
    override_ = override;
    update();
    appearanceChanged();
}

Appearance BriselCard::appearance() const {
    return override_.applyTo(context_.currentAppearance());
}

QMargins BriselCard::shadowMargins() {
    // The widest reach of any card shadow (liquid glass, reduce transparency off).
    const QMarginsF reach = BriselThemeTokens::of(BriselTheme::liquidGlass).cardShadow(true, false).reach();
    return reach.toMargins();
}

void BriselCard::paint(QPainter& painter, const QRectF& shape, const Appearance& appearance, const QPalette& palette) {
    const BriselThemeTokens& tokens = BriselThemeTokens::of(appearance.theme);
    const bool dark = appearance.dark;
    const bool reduce = appearance.reduceTransparency;
    QPainterPath path;
    path.addRoundedRect(shape, tokens.cornerRadius(), tokens.cornerRadius());
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    tokens.cardShadow(dark, reduce).paint(painter, path);
    painter.fillPath(path, tokens.cardFill(dark, reduce).brush(palette, shape));
    painter.strokePath(path, QPen(tokens.cardStroke(dark, reduce).resolve(palette), tokens.strokeWidth()));
    painter.restore();
}

void BriselCard::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paint(painter, QRectF(rect()).marginsRemoved(QMarginsF(shadowMargins())), appearance(), palette());
}

} // namespace brisel
