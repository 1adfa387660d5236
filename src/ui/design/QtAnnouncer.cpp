#include "ui/design/QtAnnouncer.h"

#include "ui/design/BriselAccessibleWidget.h"

#include <QAccessible>
#include <QApplication>
#include <QEvent>
#include <QStringList>
#include <QWidget>

#include <algorithm>

namespace brisel {

namespace {

const char* const elementName = "brisel-announcement";

// An open popup (the tray's panel) never becomes the active window.
QWidget* keyWindow() {
    if (QWidget* popup = QApplication::activePopupWidget()) return popup;
    return QApplication::activeWindow();
}

} // namespace

QtAnnouncer::QtAnnouncer(std::shared_ptr<Clock> clock) : clock_(std::move(clock)) {}

void QtAnnouncer::announce(const QString& text) {
    if (text.isEmpty() || !qApp) return;
    due_.push_back({nullptr, text});
    schedule();
}

void QtAnnouncer::announceShown(QWidget& source, const QString& text) {
    // The newest text of a view replaces what it had to say.
    std::erase_if(due_, [&](const Due& due) { return due.source == &source; });
    due_.push_back({&source, text});
    watch(source.window());
    schedule();
}

void QtAnnouncer::watch(QWidget* window) {
    if (windows_.contains(window)) return;
    windows_[window];
    window->installEventFilter(this);
    connect(window, &QObject::destroyed, this, [this](QObject* gone) { windows_.erase(gone); });
}

QtAnnouncer::WindowState& QtAnnouncer::stateOf(QWidget* window) {
    watch(window);
    return windows_[window];
}

bool QtAnnouncer::eventFilter(QObject* watched, QEvent* event) {
    const auto found = windows_.find(watched);
    if (found == windows_.end()) return false;
    WindowState& window = found->second;
    const double now = clock_->monotonicSeconds();
    switch (event->type()) {
    case QEvent::Show:
        // Restored from the minimised state, a window is not opening.
        if (event->spontaneous()) break;
        // A popup is the key window as soon as it is open: it is never activated.
        window = {now, now, static_cast<QWidget*>(watched)->windowType() == Qt::Popup};
        break;
    case QEvent::WindowActivate:
        window.since = now;
        window.activated = true;
        schedule();
        break;
    case QEvent::Hide:
        // Shown again with its window, a named element would be read out again.
        if (shownElement_ && shownElement_->window() == watched) shownElement_->hide();
        break;
    default:
        break;
    }
    return false;
}

// When the next view's turn comes: once its window has settled; for a window that is still
// coming up, a look every `settleSeconds` until it is active.
void QtAnnouncer::schedule() {
    const double now = clock_->monotonicSeconds();
    QWidget* key = keyWindow();
    double wait = -1;
    for (const Due& due : due_) {
        QWidget* window = due.source ? due.source->window() : key;
        const auto found = windows_.find(window);
        double left = 0;
        if (window && found != windows_.end()) {
            const WindowState& state = found->second;
            left = window == key || state.activated ? state.since + settleSeconds - now : settleSeconds;
        }
        wait = wait < 0 ? std::max(left, 0.0) : std::min(wait, std::max(left, 0.0));
    }
    if (wait >= 0) timer_ = clock_->singleShot(wait, [this] { speak(); });
}

void QtAnnouncer::speak() {
    timer_.reset();
    const double now = clock_->monotonicSeconds();
    QWidget* key = keyWindow();
    if (key) stateOf(key).activated = true;
    QStringList texts;
    std::vector<Due> waiting;
    for (Due& due : due_) {
        QWidget* window = due.source ? due.source->window() : key;
        // A view's failure is said only while the view still shows it.
        if (!window ||
            (due.source && (!due.source->isVisible() || Announcer::shownFailure(*due.source) != due.text)))
            continue;
        const WindowState& state = stateOf(window);
        if (window != key) {
            // A window that is coming up speaks once it is active; one in the background never.
            if (!state.activated && now < state.opened + openingSeconds) waiting.push_back(std::move(due));
            continue;
        }
        if (now < state.since + settleSeconds) {
            waiting.push_back(std::move(due));
            continue;
        }
        if (!texts.contains(due.text)) texts << due.text;
        if (due.source) saidFailure(*due.source);
    }
    due_ = std::move(waiting);
    if (!texts.isEmpty()) speakIn(key, texts);
    schedule();
}

void QtAnnouncer::speakIn(QWidget* window, const QStringList& texts) {
    watch(window);
    // One element speaks one text at a time: what came together is said together.
    QWidget* element = announcementElement(window);
    element->hide();
    element->setAccessibleName(texts.join('\n'));
    element->show();
    shownElement_ = element;
    hideTimer_ = clock_->singleShot(shownSeconds, [this] {
        if (shownElement_) shownElement_->hide();
    });
}

QWidget* QtAnnouncer::announcementElement(QWidget* window) {
    if (auto* existing = window->findChild<QWidget*>(elementName, Qt::FindDirectChildrenOnly))
        return existing;
    auto* element = new QWidget(window);
    element->setObjectName(elementName);
    element->setGeometry(0, 0, 0, 0);
    element->setAttribute(Qt::WA_TransparentForMouseEvents);
    element->hide();
    BriselAccessibleWidget::setRole(element, QAccessible::Notification);
    return element;
}

} // namespace brisel
