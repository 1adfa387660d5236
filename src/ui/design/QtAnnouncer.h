#pragma once

#include "ui/design/Announcer.h"

class QWidget;

namespace brisel {

// Announces through the key window (the open popup, else the active window): a zero-sized element
// of that window with the notification role is hidden, named with the text and shown again, which
// screen readers speak (Qt's Linux bridge drops alert events). Views announce while they are being
// shown, before Qt counts a popup as open, so the key window is picked on the next turn of the
// event loop; a text that several views announce in one turn (the popup's and the dock's row) is
// spoken once. Without a key window then, nothing is announced.
class QtAnnouncer : public Announcer {
public:
    void announce(const QString& text) override;

    // The window's announcement element, created on first use.
    static QWidget* announcementElement(QWidget* window);
};

} // namespace brisel
