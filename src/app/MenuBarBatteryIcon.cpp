#include "app/MenuBarBatteryIcon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QRectF>

#include <algorithm>
#include <functional>
#include <mutex>
#include <unordered_map>

namespace brisel::MenuBarBatteryIcon {

namespace {

void combine(std::size_t& seed, std::size_t value) {
    seed ^= value + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2);
}

void draw(QPainter& painter, bool bolt) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    painter.drawPath(outline());
    if (bolt) painter.drawPath(boltPath());
}

QImage render(int scale, bool bolt) {
    const int pixels = canvas * scale;
    QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) return image;
    image.fill(Qt::transparent);
    QPainter painter(&image);
    if (!painter.isActive()) return QImage();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.scale(scale, scale);
    draw(painter, bolt);
    painter.end();
    image.setDevicePixelRatio(scale);
    return image;
}

} // namespace

QPainterPath outline() {
    // The plus-shaped terminal, merged into one outline so that the body's even-odd rule does not
    // cut its crossing out.
    QPainterPath terminal;
    terminal.setFillRule(Qt::WindingFill);
    terminal.addRect(QRectF(8, 1, 2, 4));
    terminal.addRect(QRectF(6, 2, 6, 2));
    QPainterPath path = terminal.simplified();
    path.addRoundedRect(QRectF(4, 6, 10, 11), 1.15, 1.15);
    path.addRect(hole);
    return path;
}

QPainterPath boltPath() {
    QPainterPath bolt;
    bolt.addPolygon(
        QPolygonF({{9.7, 8.7}, {7.3, 11.6}, {8.55, 11.6}, {7.7, 14.15}, {10.6, 11.15}, {9.25, 11.15}}));
    bolt.closeSubpath();
    return bolt;
}

std::size_t StateHash::operator()(const State& state) const {
    std::size_t seed = 0;
    combine(seed, std::hash<bool>()(state.hasBattery));
    if (state.percent) {
        combine(seed, 1);
        combine(seed, std::hash<int>()(*state.percent));
    } else {
        combine(seed, 0);
    }
    combine(seed, std::hash<bool>()(state.showsBolt));
    return seed;
}

State state(bool present, bool installed, std::optional<int> percent, bool externalConnected, bool isCharging,
            bool chargeOverridePresented) {
    State result;
    result.hasBattery = present && installed;
    if (result.hasBattery && percent) result.percent = std::clamp(*percent, 0, 100);
    result.showsBolt = result.hasBattery && externalConnected && (isCharging || chargeOverridePresented);
    return result;
}

const Images& image(const State& state) {
    // At most 205 states can arise, so nothing is ever evicted. Drawing happens under the lock, so
    // one state is never drawn twice.
    static std::mutex lock;
    static std::unordered_map<State, Images, StateHash> cache;
    std::lock_guard guard(lock);
    if (auto found = cache.find(state); found != cache.end()) return found->second;
    Images images;
    for (int scale = 1; scale <= 3; ++scale) {
        QImage drawn = render(scale, state.showsBolt);
        if (!drawn.isNull()) images.scales.push_back(std::move(drawn));
    }
    return cache.emplace(state, std::move(images)).first->second;
}

} // namespace brisel::MenuBarBatteryIcon
