#pragma once

#include <QObject>
#include <QPointer>

class QScrollArea;
class QWidget;

namespace brisel {

// Scrolls a scroll area to the control in it that the keyboard focus moved to, while the area is
// shown: Tab from outside the area, a wrap round the window, focus handed back to a control whose
// work ended. Focus a window gives back when it is activated, or that comes back from a popup or
// the menu bar, is not followed: where an opened window stands is its host's choice. When the area
// loses room (a banner shown above it) and that pushes the focused control out of view, it scrolls
// the control back in. Made as a child of the area, so it goes with it.
class FocusFollower : public QObject {
public:
    explicit FocusFollower(QScrollArea& area);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void follow(QWidget* control);
    void followSettled();

    QScrollArea& area_;
    QPointer<QWidget> followed_; // the control focus last moved to, until it moves on
    bool queued_ = false;
};

} // namespace brisel
