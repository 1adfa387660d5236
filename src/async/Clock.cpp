#include "Clock.h"

#include "MainThread.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTimer>

#include <climits>
#include <cmath>
#include <ctime>
#include <mutex>

namespace brisel {

int timerMilliseconds(double seconds) {
    if (std::isnan(seconds) || seconds <= 0) return 0;
    const double milliseconds = std::ceil(seconds * 1000);
    return milliseconds >= static_cast<double>(INT_MAX) ? INT_MAX : static_cast<int>(milliseconds);
}

namespace {

// A QTimer owned by the main thread. The handle may be dropped on any thread; the timer itself is
// created and deleted on the main thread.
class MainLoopTimer : public Timer {
public:
    MainLoopTimer(int milliseconds, bool repeat, std::function<void()> fire) {
        auto shared = std::make_shared<Shared>();
        shared_ = shared;
        auto start = [shared, milliseconds, repeat, fire = std::move(fire)] {
            std::lock_guard guard(shared->lock);
            if (shared->stopped) return;
            auto* timer = new QTimer(QCoreApplication::instance());
            timer->setTimerType(Qt::PreciseTimer);
            timer->setSingleShot(!repeat);
            timer->setInterval(milliseconds);
            QObject::connect(timer, &QTimer::timeout, timer, [fire] { fire(); });
            timer->start();
            shared->timer = timer;
        };
        if (isMainThread())
            start();
        else
            postToMain(std::move(start));
    }

    ~MainLoopTimer() override {
        auto stop = [shared = shared_] {
            std::lock_guard guard(shared->lock);
            shared->stopped = true;
            // The handle may be dropped from the timer's own callback: let Qt delete it later.
            if (shared->timer) {
                shared->timer->stop();
                shared->timer->deleteLater();
            }
        };
        if (isMainThread())
            stop();
        else
            postToMain(std::move(stop));
    }

private:
    struct Shared {
        std::mutex lock;
        bool stopped = false;
        QPointer<QTimer> timer;
    };
    std::shared_ptr<Shared> shared_;
};

class SystemClock : public Clock {
public:
    double monotonicSeconds() const override {
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
    }
    WallTime wallTime() const override { return std::chrono::system_clock::now(); }
    int localHour() const override {
        const std::time_t now = std::chrono::system_clock::to_time_t(wallTime());
        std::tm local{};
        localtime_r(&now, &local);
        return local.tm_hour;
    }
    std::unique_ptr<Timer> singleShot(double seconds, std::function<void()> fire) override {
        return std::make_unique<MainLoopTimer>(timerMilliseconds(seconds), false, std::move(fire));
    }
    std::unique_ptr<Timer> repeating(double seconds, std::function<void()> fire) override {
        return std::make_unique<MainLoopTimer>(timerMilliseconds(seconds), true, std::move(fire));
    }
};

} // namespace

std::shared_ptr<Clock> Clock::system() {
    static const std::shared_ptr<Clock> clock = std::make_shared<SystemClock>();
    return clock;
}

} // namespace brisel
