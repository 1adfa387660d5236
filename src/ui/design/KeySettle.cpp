#include "ui/design/KeySettle.h"

#include "async/Clock.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

#include <algorithm>
#include <optional>

namespace brisel {

namespace {

KeySettle* current = nullptr;

bool pressesControls(int key) {
    return key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter;
}

} // namespace

KeySettle::KeySettle(std::shared_ptr<Clock> clock) : clock_(std::move(clock)) {
    current = this;
    qApp->installEventFilter(this);
}

KeySettle::~KeySettle() {
    if (current == this) current = nullptr;
}

void KeySettle::settle(const QWidget* widget) {
    if (current && widget) current->start(widget->window());
}

void KeySettle::start(const QWidget* window) {
    std::erase_if(started_, [window](const auto& entry) { return !entry.first || entry.first == window; });
    started_.emplace_back(window, clock_->monotonicSeconds());
    // A key down now was pressed for what came before: its repeats are not for this.
    for (auto& [key, down] : down_)
        if (down == Down::passed) down = Down::carried;
}

bool KeySettle::settling(const QWidget* window) const {
    for (const auto& [shown, since] : started_)
        if (shown == window) return clock_->monotonicSeconds() - since < kSeconds;
    return false;
}

bool KeySettle::drops(const QKeyEvent& event, const QWidget* window) {
    const int key = event.key();
    const double now = clock_->monotonicSeconds();
    const auto found = down_.find(key);
    const std::optional<Down> down = found == down_.end() ? std::nullopt : std::optional(found->second);
    if (event.type() == QEvent::KeyRelease) {
        if (event.isAutoRepeat()) return down != Down::passed;
        if (!down) return false;
        down_.erase(found);
        if (*down != Down::passed) lastUp_ = {key, now};
        // The control that had the press has its release, wherever focus is now.
        return *down == Down::dropped;
    }
    // A press, or the shortcut look-up before it. A key still down since a settle or a dropped
    // press, or back the moment it went up, is held, not pressed again: a repeat (a release and a
    // press at one time) is not always marked as one.
    const bool held =
        down ? *down != Down::passed
             : event.isAutoRepeat() || (lastUp_.first == key && now - lastUp_.second < kRepeatGap);
    if (!held && !settling(window)) {
        down_[key] = Down::passed;
        return false;
    }
    if (!down) down_[key] = Down::dropped;
    return true;
}

bool KeySettle::eventFilter(QObject* watched, QEvent* event) {
    if (!watched->isWidgetType()) return false;
    const auto* widget = static_cast<const QWidget*>(watched);
    switch (event->type()) {
    case QEvent::Show:
    case QEvent::WindowActivate:
        if (widget->isWindow() && widget->windowType() != Qt::Popup && widget->windowType() != Qt::ToolTip)
            start(widget);
        return false;
    case QEvent::ShortcutOverride:
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
        const auto& key = static_cast<const QKeyEvent&>(*event);
        if (!pressesControls(key.key()) || !drops(key, widget->window())) return false;
        event->accept(); // an accepted shortcut override keeps the shortcut from acting
        return true;
    }
    default:
        return false;
    }
}

} // namespace brisel
