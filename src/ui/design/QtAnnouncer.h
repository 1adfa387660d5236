#pragma once

#include "ui/design/Announcer.h"

class QLabel;
class QWidget;

namespace brisel {

// Announces through the active window: the text becomes the accessible name of a zero-sized label
// in that window, which then raises an alert. Without an active window nothing is announced.
class QtAnnouncer : public Announcer {
public:
    void announce(const QString& text) override;

    // The window's announcement label, created on first use.
    static QLabel* announcementLabel(QWidget* window);
};

} // namespace brisel
