#pragma once

#include <QObject>
#include <QPointer>

#include <vector>

class QWidget;

namespace brisel {

// Keeps keyboard focus in place when the control holding it is disabled or hidden, as a control
// is while the work it started runs. Qt would hand focus on down the chain, where the next Space
// acts on something the user never aimed at (folds a section, leaves the wizard). Instead focus
// waits on a bare spot where the control stands, which is no control, so Space acts on nothing, and
// Tab goes on from the control's place; it goes back to the control as soon as the control can take
// it again, unless the user moved focus meanwhile. When the view shows a state in which the control
// is gone, focus goes to a control that this state newly shows in its place (one of its row that
// the view did not show before the work); a control that stood there all along is no stand-in, as
// pressing it would act against the user's choice. Without one the spot stays, nameless, so focus
// rests on no control. While a popup has the keyboard, all of this waits until it closes.
//
// A view owns one, calls settle() after each sync, and asks it first in focusNextPrevChild(), which
// Qt calls on the way up from a control it is about to pass focus on from:
//     return keeper_->keep() || QWidget::focusNextPrevChild(next);
class FocusKeeper : public QObject {
public:
    explicit FocusKeeper(QWidget* view);

    // True when focus stayed where the focused control stands because the control can no longer
    // hold it; false (the caller moves on) for a Tab press, or when the view itself goes.
    bool keep();
    // The view shows a new state: a control that went for good gives up the wait.
    void settle();
    // The view is about to hide `part` (it shows another page): focus on a control in it waits on
    // the spot, and the next settle() finds the control gone. Qt's page stack would hand it to the
    // new page's first control, or to one hidden there since it last had focus.
    void beforeHiding(const QWidget& part);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void hold(QWidget* control);
    void waitFor(QWidget* control);
    void returnFocus();
    void release();
    bool putOff();
    QWidget* standIn() const;

    QWidget* view_;
    QWidget* spot_;                           // holds focus meanwhile
    QPointer<QWidget> control_;               // the control focus goes back to
    QPointer<QWidget> place_;                 // the control whose place the spot stands in
    QPointer<QWidget> popup_;                 // has the keyboard; the hand-over waits for it to close
    std::vector<const QWidget*> shownBefore_; // the Tab stops of the last sync before the wait
};

} // namespace brisel
