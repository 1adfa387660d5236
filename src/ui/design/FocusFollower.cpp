#include "ui/design/FocusFollower.h"

#include "ui/design/ShownSync.h"

#include <QApplication>
#include <QFocusEvent>
#include <QResizeEvent>
#include <QScrollArea>

namespace brisel {

namespace {

constexpr int focusMargin = 12; // room kept above and below the control

} // namespace

FocusFollower::FocusFollower(QScrollArea& area) : QObject(&area), area_(area) {
    // Focus changes reach the controls, not the area: they are watched application-wide, and only
    // while the area is shown.
    area.installEventFilter(this);
    if (area.isVisible()) qApp->installEventFilter(this);
}

bool FocusFollower::eventFilter(QObject* watched, QEvent* event) {
    // Only the event types below may touch the area: others (children removed) reach it while it
    // is being destroyed, when it is no longer a scroll area.
    if (watched == &area_ && event->type() == QEvent::Show) {
        qApp->installEventFilter(this);
    } else if (watched == &area_ && event->type() == QEvent::Hide) {
        qApp->removeEventFilter(this);
        followed_ = nullptr;
    } else if (event->type() == QEvent::FocusIn && watched->isWidgetType()) {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        auto* control = static_cast<QWidget*>(watched);
        followed_ = nullptr;
        if (area_.widget() && area_.widget()->isAncestorOf(control) && reason != Qt::ActiveWindowFocusReason &&
            reason != Qt::PopupFocusReason && reason != Qt::MenuBarFocusReason)
            follow(control);
    } else if (event->type() == QEvent::Resize && watched == area_.viewport()) {
        // The view lost room (a banner shown above it): a focused control it pushed out comes back.
        const QSize before = static_cast<QResizeEvent*>(event)->oldSize();
        QWidget* focused = QApplication::focusWidget();
        if (focused && area_.widget() && area_.widget()->isAncestorOf(focused) && before.isValid()) {
            const QRect control(focused->mapTo(area_.viewport(), QPoint()), focused->size());
            if (QRect(QPoint(), before).contains(control) && !area_.viewport()->rect().contains(control))
                follow(focused);
        }
    }
    return false;
}

void FocusFollower::follow(QWidget* control) {
    area_.ensureWidgetVisible(control, 0, focusMargin);
    // Focus often moves while a view applies a new state (a control enabled again after its work
    // failed, with a line shown above it): the layouts have not run yet, so the place scrolled to is
    // the control's old one. Look again once the view is done.
    followed_ = control;
    if (queued_) return;
    queued_ = true;
    QMetaObject::invokeMethod(this, &FocusFollower::followSettled, Qt::QueuedConnection);
}

void FocusFollower::followSettled() {
    queued_ = false;
    if (!followed_ || !followed_->hasFocus() || !area_.widget()) return;
    // A layout tells its parent of a new size only when it runs, one level per turn of the event
    // loop: run them all now, then let the area take the content's new height.
    ShownSync::settleLayouts(*area_.widget());
    QEvent request(QEvent::LayoutRequest);
    QCoreApplication::sendEvent(&area_, &request);
    area_.ensureWidgetVisible(followed_, 0, focusMargin);
}

} // namespace brisel
