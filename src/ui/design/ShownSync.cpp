#include "ui/design/ShownSync.h"

#include <QEvent>
#include <QWidget>

namespace brisel {

ShownSync::ShownSync(QWidget& view, std::function<void()> sync)
    : QObject(&view), view_(view), sync_(std::move(sync)) {
    view_.installEventFilter(this);
}

void ShownSync::changed() {
    if (!view_.isVisible()) {
        pending_ = true;
        return;
    }
    pending_ = false;
    sync_();
}

bool ShownSync::eventFilter(QObject* watched, QEvent* event) {
    // Sent while the view is being shown, before any paint of it.
    if (watched == &view_ && event->type() == QEvent::Show && pending_) {
        pending_ = false;
        sync_();
    }
    return QObject::eventFilter(watched, event);
}

} // namespace brisel
