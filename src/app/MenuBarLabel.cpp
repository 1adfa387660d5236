#include "app/MenuBarLabel.h"

#include "localization/Localizer.h"
#include "model/AppModel.h"

#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QPixmap>

#include <algorithm>
#include <utility>

namespace brisel {

namespace {

// Draws the label at whatever size the tray asks for: a picture made for another size and scaled
// would blur the frame and the level into each other.
class LabelIconEngine : public QIconEngine {
public:
    explicit LabelIconEngine(MenuBarLabel label) : label_(std::move(label)) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode, QIcon::State) override {
        const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        const int side = std::min(rect.width(), rect.height());
        QImage image = label_.render(qRound(side * ratio));
        image.setDevicePixelRatio(ratio);
        // Whole pixels from the edge, so the drawing stays on the pixel grid.
        const QPoint corner(rect.x() + (rect.width() - side) / 2, rect.y() + (rect.height() - side) / 2);
        painter->drawImage(QRect(corner, QSize(side, side)), image);
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        QPixmap pixmap(size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        paint(&painter, QRect(QPoint(), size), mode, state);
        return pixmap;
    }

    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override {
        QList<QSize> sizes;
        for (int pixels : MenuBarLabel::kSizes)
            sizes << QSize(pixels, pixels);
        return sizes;
    }

    QIconEngine* clone() const override { return new LabelIconEngine(label_); }
    QString key() const override { return QStringLiteral("brisel-menu-bar-label"); }

private:
    MenuBarLabel label_;
};

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

QImage MenuBarLabel::render(int pixels) const {
    using namespace MenuBarBatteryIcon;
    QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, true);
    const qreal perPoint = qreal(pixels) / canvas;
    painter.scale(perPoint, perPoint);

    const QColor ink = QColor::fromRgba(tint);
    const QColor halo = ink.lightness() < 128 ? Qt::white : Qt::black;
    const QPainterPath glyph = outline();

    // The halo: at least a pixel around the glyph, and the body's inside.
    QPainterPath silhouette = glyph;
    silhouette.setFillRule(Qt::WindingFill); // the hole lies inside the body in the same direction
    const qreal haloWidth = std::max(1.0, perPoint) / perPoint;
    painter.setPen(QPen(halo, 2 * haloWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(halo);
    painter.drawPath(silhouette);

    painter.setPen(Qt::NoPen);
    painter.fillPath(glyph, ink);
    // The level stands a point clear of the frame, so that it does not read as a thicker frame.
    QPainterPath level;
    if (!text.isEmpty() && state.percent) {
        const QRectF well = hole.adjusted(1, 1, -1, -1);
        level.addRect(well.adjusted(0, well.height() * (100 - *state.percent) / 100.0, 0, 0));
    }
    painter.fillPath(level, ink);
    if (state.showsBolt) {
        // Cut out of the level where it crosses it.
        const QPainterPath bolt = boltPath();
        painter.fillPath(bolt.subtracted(level), ink);
        painter.fillPath(bolt.intersected(level), halo);
    }
    painter.end();
    return image;
}

QIcon MenuBarLabel::icon() const {
    return QIcon(new LabelIconEngine(*this));
}

} // namespace brisel
