#include "app/MenuBarLabel.h"

#include "localization/Localizer.h"
#include "model/AppModel.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace brisel {

namespace {

constexpr qreal kSpacing = 4;

const QImage& glyphFor(const MenuBarBatteryIcon::State& state, int scale) {
    static const QImage none;
    const auto& images = MenuBarBatteryIcon::image(state).scales;
    if (images.empty()) return none;
    for (const QImage& image : images) {
        if (image.devicePixelRatio() >= scale) return image;
    }
    return images.back();
}

qreal advance(const QFontMetricsF& metrics, QChar c, qreal digit) {
    return c.isDigit() ? digit : metrics.horizontalAdvance(c);
}

} // namespace

MenuBarLabel MenuBarLabel::of(const AppModel& model, const Localizer& localizer, QColor tint) {
    const BatteryInfo& battery = model.battery();
    MenuBarLabel label;
    label.state = MenuBarBatteryIcon::state(battery.present, battery.installed, battery.percent,
                                            battery.externalConnected, battery.isCharging,
                                            model.chargeOverridePresented());
    const QString percentage = QString::fromStdString(model.menuBarText());
    if (!model.iconOnly()) label.text = percentage;
    label.description = percentage;
    if (label.state.showsBolt)
        label.description += QLatin1Char(' ') + localizer.tr(QStringLiteral("state.charging"));
    label.tint = tint.rgba();
    return label;
}

QImage MenuBarLabel::render(const QFont& font, int scale) const {
    const QFontMetricsF metrics(font);
    const qreal digit = metrics.horizontalAdvance(QLatin1Char('0'));
    qreal textWidth = 0;
    for (QChar c : text)
        textWidth += advance(metrics, c, digit);
    const qreal width = MenuBarBatteryIcon::canvas + (text.isEmpty() ? 0 : kSpacing + std::ceil(textWidth));

    QImage image(static_cast<int>(std::ceil(width * scale)), MenuBarBatteryIcon::canvas * scale,
                 QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    image.setDevicePixelRatio(scale);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, true);

    // The glyph is black on transparent: keep its shape, take the tint's colour.
    QImage glyph = glyphFor(state, scale).copy();
    if (!glyph.isNull()) {
        QPainter tinting(&glyph);
        tinting.setCompositionMode(QPainter::CompositionMode_SourceIn);
        tinting.fillRect(glyph.rect(), QColor::fromRgba(tint));
        tinting.end();
        painter.drawImage(QRectF(0, 0, MenuBarBatteryIcon::canvas, MenuBarBatteryIcon::canvas), glyph);
    }

    painter.setFont(font);
    painter.setPen(QColor::fromRgba(tint));
    const qreal baseline = (MenuBarBatteryIcon::canvas + metrics.ascent() - metrics.descent()) / 2;
    qreal x = MenuBarBatteryIcon::canvas + kSpacing;
    for (QChar c : text) {
        const qreal cell = advance(metrics, c, digit);
        painter.drawText(QPointF(x + (cell - metrics.horizontalAdvance(c)) / 2, baseline), QString(c));
        x += cell;
    }
    return image;
}

} // namespace brisel
