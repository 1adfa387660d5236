#include "ui/design/QtAnnouncer.h"

#include <QAccessible>
#include <QApplication>
#include <QLabel>

namespace brisel {

namespace {
const char* const labelName = "brisel-announcement";
}

void QtAnnouncer::announce(const QString& text) {
    // The key window: an open popup (the tray's panel) never becomes the active window.
    QWidget* window = QApplication::activePopupWidget();
    if (!window) window = QApplication::activeWindow();
    if (!window || text.isEmpty()) return;
    QLabel* label = announcementLabel(window);
    label->setAccessibleName(text);
    // Qt has no announcement event; an alert on a labelled element is what screen readers speak.
    QAccessibleEvent event(label, QAccessible::Alert);
    QAccessible::updateAccessibility(&event);
}

QLabel* QtAnnouncer::announcementLabel(QWidget* window) {
    if (auto* existing = window->findChild<QLabel*>(labelName, Qt::FindDirectChildrenOnly)) return existing;
    auto* label = new QLabel(window);
    label->setObjectName(labelName);
    label->setGeometry(0, 0, 0, 0);
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    label->show();
    return label;
}

} // namespace brisel
