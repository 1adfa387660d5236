#include "ui/design/FocusKeeper.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLayout>
#include <QWidget>

#include <algorithm>

namespace brisel {

namespace {

bool canHoldFocus(const QWidget* widget) {
    return widget->isEnabled() && widget->isVisible();
}

// Would hold focus with its window shown: a closed window takes no control away.
bool inPlace(const QWidget* widget) {
    const QWidget* window = widget->window();
    return widget->isEnabled() && (widget == window || widget->isVisibleTo(window));
}

bool tabStop(const QWidget* widget) {
    return widget && (widget->focusPolicy() & Qt::TabFocus) && !widget->focusProxy();
}

// The layout that holds `widget` itself, `layout` or one within it.
QLayout* holderOf(QLayout* layout, const QWidget* widget) {
    if (!layout || layout->indexOf(widget) >= 0) return layout;
    for (int i = 0; i < layout->count(); ++i)
        if (QLayout* found = holderOf(layout->itemAt(i)->layout(), widget)) return found;
    return nullptr;
}

} // namespace

FocusKeeper::FocusKeeper(QWidget* view) : QObject(view), view_(view), spot_(new QWidget(view)) {
    spot_->setObjectName("kept-focus");
    spot_->setFocusPolicy(Qt::ClickFocus); // never reached by Tab
    spot_->setAttribute(Qt::WA_TransparentForMouseEvents);
    spot_->hide();
    spot_->installEventFilter(this);
    view_->installEventFilter(this);
    // A container disabled as a whole takes focus from the control in it without asking keep().
    // The spot is no such control: the view clearing the focus from it (a page change) hides it,
    // and waiting on it would take it out of this keeper's hands (Tab there would go by the chain).
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget* old, QWidget* now) {
        if (!now && old && old != spot_ && view_->isAncestorOf(old) && !canHoldFocus(old) &&
            canHoldFocus(view_))
            hold(old);
    });
}

bool FocusKeeper::keep() {
    // Qt asks on a Tab press too; then the focused control is still usable. When the whole view
    // goes, focus moves on as Qt has it; a closed window is no such case (it opens again).
    QWidget* control = view_->window()->focusWidget();
    if (!control || inPlace(control) || !inPlace(view_) || !view_->isAncestorOf(control))
        return false;
    hold(control);
    return true;
}

void FocusKeeper::settle() {
    // A control taken away while its window was hidden (a host folding a section as it closes)
    // went without asking keep().
    QWidget* focused = view_->window()->focusWidget();
    if (!control_ && focused && focused != spot_ && view_->isAncestorOf(focused) &&
        !focused->isVisibleTo(view_))
        hold(focused);
    if (!control_) {
        // What a stand-in must not have been: a control shown before the work began.
        shownBefore_.clear();
        for (const QWidget* widget : view_->findChildren<QWidget*>())
            if (tabStop(widget) && widget->isVisibleTo(view_)) shownBefore_.push_back(widget);
        return;
    }
    if (control_->isVisibleTo(view_) || view_->window()->focusWidget() != spot_ || putOff()) return;
    // The control is gone: its work ended, or the state has no place for it.
    QWidget* next = standIn();
    if (next && !next->isEnabled()) return waitFor(next); // came while the work still runs
    if (next) {
        next->setFocus(Qt::OtherFocusReason);
        return release();
    }
    spot_->setAccessibleName(QString()); // a screen reader would read out a control that is gone
    release();
}

void FocusKeeper::beforeHiding(const QWidget& part) {
    QWidget* focused = view_->window()->focusWidget();
    if (focused && focused != spot_ && part.isAncestorOf(focused)) hold(focused);
}

bool FocusKeeper::eventFilter(QObject* watched, QEvent* event) {
    if (watched == spot_ && event->type() == QEvent::KeyPress) {
        // Tab goes on from the control's place in the chain.
        const int key = static_cast<QKeyEvent*>(event)->key();
        if ((key == Qt::Key_Tab || key == Qt::Key_Backtab) && place_) QWidget::setTabOrder(place_, spot_);
    } else if (watched == spot_ && event->type() == QEvent::FocusOut) {
        // The user moved on; a window that lost activation, or an open menu, keeps the wait.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) release();
    } else if (watched == view_ && event->type() == QEvent::Show) {
        // Qt moves no focus from a control hidden while the window was: activation would pass it on
        // down the chain.
        settle();
    } else if (watched == control_ &&
               (event->type() == QEvent::EnabledChange || event->type() == QEvent::Show)) {
        returnFocus();
    } else if (watched == popup_ && event->type() == QEvent::Hide) {
        // The popup closed (Qt has given the keyboard back): the hand-over it held up happens now.
        popup_->removeEventFilter(this);
        popup_ = nullptr;
        if (control_ && view_->window()->focusWidget() == control_ && !canHoldFocus(control_))
            hold(control_); // its work began while the popup was open
        if (control_ && canHoldFocus(control_))
            returnFocus();
        else
            settle();
    }
    return QObject::eventFilter(watched, event);
}

void FocusKeeper::hold(QWidget* control) {
    waitFor(control);
    if (putOff()) return;
    spot_->show();
    spot_->setFocus(Qt::OtherFocusReason);
}

void FocusKeeper::waitFor(QWidget* control) {
    if (control_) control_->removeEventFilter(this);
    control_ = place_ = control;
    control->installEventFilter(this);
    spot_->setGeometry(QRect(control->mapTo(view_, QPoint(0, 0)), control->size()));
    spot_->setAccessibleName(control->accessibleName().isEmpty() ? control->property("text").toString()
                                                                 : control->accessibleName());
}

void FocusKeeper::returnFocus() {
    if (!control_ || !canHoldFocus(control_) || putOff()) return;
    // Focus may have moved without the spot hearing of it (in a window that is not active).
    if (QWidget* focused = view_->window()->focusWidget(); focused == spot_ || focused == control_)
        control_->setFocus(Qt::OtherFocusReason);
    release();
}

void FocusKeeper::release() {
    if (control_) control_->removeEventFilter(this);
    control_ = nullptr;
    if (view_->window()->focusWidget() == spot_) return; // also in a hidden window, to be reopened
    spot_->hide();
    place_ = nullptr;
}

// A popup has the keyboard (a menu, or the tray popup over this window, which still counts as
// active): moving focus here would take the keyboard from it, so the hand-over waits until it
// closes.
bool FocusKeeper::putOff() {
    QWidget* popup = QApplication::activePopupWidget();
    if (!popup || popup == view_->window()) return false;
    if (popup != popup_) {
        if (popup_) popup_->removeEventFilter(this);
        popup_ = popup;
        popup->installEventFilter(this);
    }
    return true;
}

// The control that the new state newly shows in the gone control's place: one of its row that the
// view did not show before the work, after it first. A control that stood there all along is none:
// it is most often the other answer of the same question.
QWidget* FocusKeeper::standIn() const {
    const QWidget* gone = control_;
    QLayout* row = gone->parentWidget() ? holderOf(gone->parentWidget()->layout(), gone) : nullptr;
    if (!row) return nullptr;
    const auto newlyShown = [this](const QWidget* widget) {
        return tabStop(widget) && widget->isVisibleTo(view_) &&
               std::find(shownBefore_.begin(), shownBefore_.end(), widget) == shownBefore_.end();
    };
    const int at = row->indexOf(gone);
    for (int step : {1, -1})
        for (int i = at + step; i >= 0 && i < row->count(); i += step)
            if (QWidget* other = row->itemAt(i)->widget(); newlyShown(other)) return other;
    return nullptr;
}

} // namespace brisel
