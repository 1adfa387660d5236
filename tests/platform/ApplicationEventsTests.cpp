#include "platform/ApplicationEvents.h"
#include "platform/SystemEvents.h"

#include <QGuiApplication>
#include <QScreen>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace brisel {
namespace {

// The toolkit's signals are emitted by hand: the offscreen platform reports no such changes.
TEST(ApplicationEventsTest, ActivationAndScreenChangesArePostedByNameWhileTheBridgeLives) {
    const std::string active = notification_names::applicationDidBecomeActive;
    const std::string screens = notification_names::applicationDidChangeScreenParameters;
    auto* application = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    ASSERT_NE(application, nullptr);
    QScreen* screen = QGuiApplication::primaryScreen();
    ASSERT_NE(screen, nullptr);

    std::vector<std::string> events;
    auto bridge = std::make_unique<ApplicationEvents>([&events](const std::string& name) { events.push_back(name); });
    emit application->applicationStateChanged(Qt::ApplicationInactive);
    emit application->applicationStateChanged(Qt::ApplicationActive);
    emit application->screenAdded(screen); // already watched: its geometry still counts once
    emit screen->geometryChanged(QRect(0, 0, 640, 480));
    emit application->screenRemoved(screen);
    EXPECT_EQ(events, (std::vector<std::string>{active, screens, screens, screens}));

    bridge.reset();
    emit application->applicationStateChanged(Qt::ApplicationActive);
    emit screen->geometryChanged(QRect(0, 0, 800, 600));
    EXPECT_EQ(events.size(), 4u);
}

} // namespace
} // namespace brisel
