#include "platform/ApplicationEvents.h"

#include "platform/SystemEvents.h"

#include <QGuiApplication>
#include <QScreen>

namespace brisel {

ApplicationEvents::ApplicationEvents(Sink sink) : sink_(std::move(sink)) {
    auto* application = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (!application) return;
    connect(application, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
        if (state == Qt::ApplicationActive) sink_(notification_names::applicationDidBecomeActive);
    });
    connect(application, &QGuiApplication::screenAdded, this, [this](QScreen* screen) {
        watch(screen);
        screensChanged();
    });
    connect(application, &QGuiApplication::screenRemoved, this, &ApplicationEvents::screensChanged);
    for (QScreen* screen : QGuiApplication::screens())
        watch(screen);
}

void ApplicationEvents::watch(QScreen* screen) {
    // Unique: a screen reported as added again is still watched once.
    if (screen) connect(screen, &QScreen::geometryChanged, this, &ApplicationEvents::screensChanged, Qt::UniqueConnection);
}

void ApplicationEvents::screensChanged() {
    sink_(notification_names::applicationDidChangeScreenParameters);
}

} // namespace brisel
