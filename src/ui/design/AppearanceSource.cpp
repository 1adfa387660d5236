#include "ui/design/AppearanceSource.h"

#include "platform/UserDefaults.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPalette>

namespace brisel {

namespace {

bool defaultsFlag(const UserDefaults& defaults, const char* key) {
    const auto text = defaults.string(key);
    return text && (*text == "true" || *text == "1");
}

} // namespace

AppearanceSource::AppearanceSource(QObject* parent) : QObject(parent) {
    current_.dark = isDark(QGuiApplication::palette());
    if (qApp) qApp->installEventFilter(this);
}

void AppearanceSource::setTheme(BriselTheme theme) {
    Appearance next = current_;
    next.theme = theme;
    update(next);
}

void AppearanceSource::setReduceMotion(bool on) {
    Appearance next = current_;
    next.reduceMotion = on;
    update(next);
}

void AppearanceSource::setReduceTransparency(bool on) {
    Appearance next = current_;
    next.reduceTransparency = on;
    update(next);
}

void AppearanceSource::loadAccessibilityDefaults(const UserDefaults& defaults) {
    // Linux has no system-wide reduce-motion or reduce-transparency setting, so both are off
    // unless the user defaults say otherwise.
    Appearance next = current_;
    next.reduceMotion = defaultsFlag(defaults, "ReduceMotion");
    next.reduceTransparency = defaultsFlag(defaults, "ReduceTransparency");
    update(next);
}

bool AppearanceSource::isDark(const QPalette& palette) {
    return palette.color(QPalette::Window).lightness() < 128;
}

bool AppearanceSource::eventFilter(QObject* watched, QEvent* event) {
    if (watched == qApp && event->type() == QEvent::ApplicationPaletteChange) {
        Appearance next = current_;
        next.dark = isDark(QGuiApplication::palette());
        update(next);
    }
    return false;
}

void AppearanceSource::update(Appearance next) {
    if (next == current_) return;
    current_ = next;
    emit changed();
}

} // namespace brisel
