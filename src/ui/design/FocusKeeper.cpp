#include "ui/design/FocusKeeper.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QWidget>

namespace brisel {

namespace {

bool canHoldFocus(const QWidget* widget) {
    return widget->isEnabled() && widget->isVisible();
}

} // namespace

FocusKeeper::FocusKeeper(QWidget* view) : QObject(view), view_(view), spot_(new QWidget(view)) {
    spot_->setObjectName("kept-focus");
    spot_->setFocusPolicy(Qt::ClickFocus); // never reached by Tab
    spot_->setAttribute(Qt::WA_TransparentForMouseEvents);
    spot_->hide();
    spot_->installEventFilter(this);
}

bool FocusKeeper::keep() {
    // Qt asks on a Tab press too; then the focused control is still usable. When the whole view
    // goes, focus moves on as Qt has it.
    QWidget* control = view_->window()->focusWidget();
    if (!control || canHoldFocus(control) || !canHoldFocus(view_) || !view_->isAncestorOf(control))
        return false;
    release();
    control_ = control;
    control_->installEventFilter(this);
    spot_->setGeometry(QRect(control->mapTo(view_, QPoint(0, 0)), control->size()));
    spot_->setAccessibleName(control->accessibleName().isEmpty() ? control->property("text").toString()
                                                                 : control->accessibleName());
    spot_->show();
    spot_->setFocus(Qt::OtherFocusReason);
    return true;
}

bool FocusKeeper::eventFilter(QObject* watched, QEvent* event) {
    if (watched == spot_ && event->type() == QEvent::KeyPress) {
        // Tab goes on from the control's place in the chain.
        const int key = static_cast<QKeyEvent*>(event)->key();
        if ((key == Qt::Key_Tab || key == Qt::Key_Backtab) && control_) QWidget::setTabOrder(control_, spot_);
    } else if (watched == spot_ && event->type() == QEvent::FocusOut) {
        // The user moved on; a window that lost activation, or an open menu, keeps the wait.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) release();
    } else if (watched == control_ &&
               (event->type() == QEvent::EnabledChange || event->type() == QEvent::Show)) {
        returnFocus();
    }
    return QObject::eventFilter(watched, event);
}

void FocusKeeper::returnFocus() {
    if (!control_ || !canHoldFocus(control_)) return;
    // Focus may have moved without the spot hearing of it (in a window that is not active).
    if (view_->window()->focusWidget() == spot_) control_->setFocus(Qt::OtherFocusReason);
    release();
}

void FocusKeeper::release() {
    if (control_) control_->removeEventFilter(this);
    control_ = nullptr;
    if (!spot_->hasFocus()) spot_->hide();
}

} // namespace brisel
