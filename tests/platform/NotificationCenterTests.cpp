#include "async/RunUntil.h"
#include "platform/NotificationCenter.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QThread>

#include <memory>
#include <thread>
#include <vector>

namespace brisel {
namespace {

TEST(NotificationCenterTest, DeliversByNameInOrderOfRegistration) {
    NotificationCenter center;
    std::vector<std::string> seen;
    center.addObserver("a", [&](const Notification& n) { seen.push_back("first " + n.name); });
    center.addObserver("b", [&](const Notification& n) { seen.push_back("other " + n.name); });
    center.addObserver("a", [&](const Notification& n) { seen.push_back("second " + n.userInfo.at("tab")); });
    center.post(Notification{"a", {{"tab", "awake"}}});
    EXPECT_EQ(seen, (std::vector<std::string>{"first a", "second awake"}));
}

TEST(NotificationCenterTest, RemovedObserversAreNotCalledEvenDuringADelivery) {
    NotificationCenter center;
    int firstCalls = 0, secondCalls = 0;
    NotificationCenter::Token second = 0;
    center.addObserver("a", [&](const Notification&) {
        ++firstCalls;
        center.removeObserver(second);
    });
    second = center.addObserver("a", [&](const Notification&) { ++secondCalls; });
    center.post("a");
    center.post("a");
    EXPECT_EQ(firstCalls, 2);
    EXPECT_EQ(secondCalls, 0);
}

TEST(NotificationCenterTest, ObserverMayDestroyTheCentreDuringADelivery) {
    auto center = std::make_unique<NotificationCenter>();
    int laterCalls = 0;
    center->addObserver("a", [&](const Notification&) { center.reset(); });
    center->addObserver("a", [&](const Notification&) { ++laterCalls; });
    center->post("a");
    EXPECT_FALSE(center);
    EXPECT_EQ(laterCalls, 0);
}

TEST(NotificationCenterTest, PostsFromOtherThreadsArriveOnTheMainThread) {
    NotificationCenter center;
    std::vector<bool> onMain;
    center.addObserver("event", [&](const Notification&) {
        onMain.push_back(QThread::currentThread() == QCoreApplication::instance()->thread());
    });
    std::thread poster([&] { center.post("event"); });
    poster.join();
    EXPECT_TRUE(onMain.empty()); // not before the event loop runs
    ASSERT_TRUE(runUntil([&] { return onMain.size() == 1; }));
    EXPECT_TRUE(onMain[0]);
}

TEST(NotificationCenterTest, PostsPendingWhenTheCentreGoesAreDropped) {
    int calls = 0;
    {
        NotificationCenter center;
        center.addObserver("event", [&](const Notification&) { ++calls; });
        std::thread poster([&] { center.post("event"); });
        poster.join();
    }
    spinEventLoop(std::chrono::milliseconds(20));
    EXPECT_EQ(calls, 0);
}

} // namespace
} // namespace brisel
