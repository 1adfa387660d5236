#pragma once

#include <QObject>

class QScreen;

#include <functional>
#include <string>

namespace brisel {

// The application's own events that the system reports through the GUI toolkit: the application
// became active, and a screen was added, removed or changed its geometry. Hands each to the sink
// by its name (SystemEvents.h), on the main thread, while the bridge lives. Without a GUI
// application (a QCoreApplication) there are no such events and the bridge does nothing.
class ApplicationEvents : public QObject {
public:
    using Sink = std::function<void(const std::string& notificationName)>;

    explicit ApplicationEvents(Sink sink);

private:
    void watch(QScreen* screen);
    void screensChanged();

    Sink sink_;
};

} // namespace brisel
