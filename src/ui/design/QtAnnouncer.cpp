#include "ui/design/QtAnnouncer.h"

#include "ui/design/BriselAccessibleWidget.h"

#include <QAccessible>
#include <QApplication>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <utility>

namespace brisel {

namespace {

const char* const elementName = "brisel-announcement";

// The texts announced in this turn, in order, each once; the key window speaks them next turn.
QStringList& pending() {
    static QStringList texts;
    return texts;
}

void speakPending() {
    const QStringList texts = std::exchange(pending(), {});
    // An open popup (the tray's panel) never becomes the active window.
    QWidget* window = QApplication::activePopupWidget();
    if (!window) window = QApplication::activeWindow();
    if (!window || texts.isEmpty()) return;
    // One element speaks one text at a time: what came together is said together.
    QWidget* element = QtAnnouncer::announcementElement(window);
    element->hide();
    element->setAccessibleName(texts.join('\n'));
    element->show();
}

} // namespace

void QtAnnouncer::announce(const QString& text) {
    if (text.isEmpty() || !qApp || pending().contains(text)) return;
    if (pending().isEmpty()) QTimer::singleShot(0, qApp, &speakPending);
    pending() << text;
}

QWidget* QtAnnouncer::announcementElement(QWidget* window) {
    if (auto* existing = window->findChild<QWidget*>(elementName, Qt::FindDirectChildrenOnly))
        return existing;
    auto* element = new QWidget(window);
    element->setObjectName(elementName);
    element->setGeometry(0, 0, 0, 0);
    element->setAttribute(Qt::WA_TransparentForMouseEvents);
    BriselAccessibleWidget::setRole(element, QAccessible::Notification);
    return element;
}

} // namespace brisel
