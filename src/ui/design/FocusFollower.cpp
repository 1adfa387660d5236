#include "ui/design/FocusFollower.h"

#include <QApplication>
#include <QFocusEvent>
#include <QScrollArea>

namespace brisel {

FocusFollower::FocusFollower(QScrollArea& area) : QObject(&area), area_(area) {
    // Focus changes reach the controls, not the area: they are watched application-wide, and only
    // while the area is shown.
    area.installEventFilter(this);
    if (area.isVisible()) qApp->installEventFilter(this);
}

bool FocusFollower::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &area_ && event->type() == QEvent::Show) {
        qApp->installEventFilter(this);
    } else if (watched == &area_ && event->type() == QEvent::Hide) {
        qApp->removeEventFilter(this);
    } else if (event->type() == QEvent::FocusIn && watched->isWidgetType()) {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        auto* control = static_cast<QWidget*>(watched);
        if (area_.widget() && area_.widget()->isAncestorOf(control) && reason != Qt::ActiveWindowFocusReason &&
            reason != Qt::PopupFocusReason && reason != Qt::MenuBarFocusReason)
            area_.ensureWidgetVisible(control, 0, 12);
    }
    return false;
}

} // namespace brisel
