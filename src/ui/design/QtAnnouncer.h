#pragma once

#include "ui/design/Announcer.h"

class QLabel;
class QWidget;

namespace brisel {

// Announces through the key window (the open popup, else the active window): the text becomes the
// accessible name of a zero-sized label in that window, which then raises an alert. Without either
// nothing is announced.
class QtAnnouncer : public Announcer {
public:
    void announce(const QString& text) override;

    // The window's announcement label, created on first use.
    static QLabel* announcementLabel(QWidget* window);
};

} // namespace brisel
