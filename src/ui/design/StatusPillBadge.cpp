#include "ui/design/StatusPillBadge.h"

#include "ui/design/BriselColors.h"
#include "ui/design/BriselThemeTokens.h"
#include "ui/design/BriselTypography.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace brisel {

namespace {
constexpr double dotSize = 6;
constexpr double spacing = 5;
constexpr double padX = 10;
constexpr double padY = 3.5;
// Room for the capsule's shadow, outside the capsule.
const QMargins shadowRoom(1, 1, 1, 2);
} // namespace

StatusPillBadge::StatusPillBadge(ViewContext context, QString text, QColor color, std::optional<BriselTheme> theme,
                                 QWidget* parent)
    : QWidget(parent), context_(context), text_(std::move(text)), color_(color), theme_(theme) {
    setContentsMargins(shadowRoom);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAccessibleName(text_);
    context_.observe(this, [this] { update(); });
}

void StatusPillBadge::setText(const QString& text) {
    if (text == text_) return;
    text_ = text;
    setAccessibleName(text_);
    updateGeometry();
    update();
}

void StatusPillBadge::setColor(const QColor& color) {
    if (color == color_) return;
    color_ = color;
    update();
}

void StatusPillBadge::setTheme(std::optional<BriselTheme> theme) {
    if (theme == theme_) return;
    theme_ = theme;
    update();
}

Appearance StatusPillBadge::appearance() const {
    Appearance appearance = context_.currentAppearance();
    if (theme_) appearance.theme = *theme_;
    return appearance;
}

QSize StatusPillBadge::sizeHint() const {
    const QFontMetricsF metrics(BriselTypography::controlValue());
    const double width = padX + dotSize + spacing + metrics.horizontalAdvance(text_) + padX;
    const double height = padY + std::max(dotSize, metrics.height()) + padY;
    return QSize(int(std::ceil(width)), int(std::ceil(height))).grownBy(shadowRoom);
}

void StatusPillBadge::paintEvent(QPaintEvent*) {
    const Appearance look = appearance();
    const BriselThemeTokens& tokens = BriselThemeTokens::of(look.theme);
    const QRectF pill = QRectF(contentsRect());
    QPainterPath capsule;
    capsule.addRoundedRect(pill, pill.height() / 2, pill.height() / 2);

    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (look.glass()) Shadow{withOpacity(Qt::black, look.dark ? 0.12 : 0.04), 1.5, 1}.paint(painter, capsule);
    const QColor fill = look.reduceTransparency ? palette().color(QPalette::Base) : tokens.badgeFill(look.dark).resolve(palette());
    painter.fillPath(capsule, fill);
    painter.strokePath(capsule, QPen(tokens.badgeStroke(look.dark).resolve(palette()), tokens.badgeStrokeWidth()));

    const double dotY = pill.center().y() - dotSize / 2;
    painter.setPen(Qt::NoPen);
    painter.setBrush(color_);
    painter.drawEllipse(QRectF(pill.left() + padX, dotY, dotSize, dotSize));
    painter.setFont(BriselTypography::controlValue());
    painter.setPen(BriselColors::primary(palette()));
    const QRectF textRect(pill.left() + padX + dotSize + spacing, pill.top(), pill.width() - 2 * padX - dotSize - spacing,
                          pill.height());
    painter.drawText(textRect, Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine, text_);
}

} // namespace brisel
