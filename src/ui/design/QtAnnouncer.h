#pragma once

#include "async/Clock.h"
#include "ui/design/Announcer.h"

#include <QObject>
#include <QPointer>

#include <map>
#include <memory>
#include <vector>

class QWidget;

namespace brisel {

// Announces through the key window (the open popup, else the active window): a zero-sized element
// of that window with the notification role is hidden, named with the text and shown again, which
// screen readers speak (Qt's Linux bridge drops alert events), and hidden again a moment later, so
// a window shown again replays nothing.
//
// Nothing is said while a window is still coming up: views report their failures while they are
// being shown, and a screen reader drops what arrives among the events of a window being built. A
// window that was shown or activated speaks `settleSeconds` later; a failure that appears in a
// window the user already works in is said on the next turn. A failure is said only if, by then,
// its view is still shown with that text in the key window; one of a window that opens is kept
// until the window is active. The texts due together are said once each, together.
class QtAnnouncer : public QObject, public Announcer {
    Q_OBJECT

public:
    static constexpr double settleSeconds = 0.5;
    static constexpr double shownSeconds = 1.0;   // how long the element stays shown once named
    static constexpr double openingSeconds = 5.0; // how long a window that opens may take to come up

    explicit QtAnnouncer(std::shared_ptr<Clock> clock = Clock::system());

    void announce(const QString& text) override;

    // The window's announcement element, created on first use.
    static QWidget* announcementElement(QWidget* window);

protected:
    void announceShown(QWidget& source, const QString& text) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Due {
        QPointer<QWidget> source; // null: a plain announcement, said in any key window
        QString text;
    };
    struct WindowState {
        double since = -1e300;  // when it was last shown or activated
        double opened = -1e300; // when it was last shown
        bool activated = true;  // it was the key window since it was last shown
    };

    void watch(QWidget* window);
    WindowState& stateOf(QWidget* window);
    void schedule();
    void speak();
    void speakIn(QWidget* window, const QStringList& texts);

    std::shared_ptr<Clock> clock_;
    std::vector<Due> due_;
    std::map<const QObject*, WindowState> windows_;
    std::unique_ptr<Timer> timer_;
    QPointer<QWidget> shownElement_;
    std::unique_ptr<Timer> hideTimer_;
};

} // namespace brisel
