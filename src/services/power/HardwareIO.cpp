#include "HardwareIO.h"

#include "async/MainThread.h"

#include <QCoreApplication>
#include <QTimer>

#include <chrono>
#include <cmath>
#include <limits>
#include <thread>

namespace brisel {

struct HardwareIO::Core {
    std::mutex lock;
    bool occupied = false;       // an operation runs or waits on the queue
    bool recoveryNeeded = false; // a caller was refused meanwhile
    std::function<void()> recoveryHandler;
    TimeoutScheduler scheduler;
};

namespace {

void mainThreadTimer(double seconds, std::function<void()> fire) {
    // Qt timers take whole milliseconds in an int; longer waits are cut to about 24 days.
    const double milliseconds = std::isfinite(seconds) ? std::ceil(seconds * 1000) : 0;
    const int delay = std::isnan(seconds) ? 0
                      : !std::isfinite(seconds) || milliseconds > std::numeric_limits<int>::max()
                          ? std::numeric_limits<int>::max()
                          : std::max(0, static_cast<int>(milliseconds));
    auto start = [delay, fire = std::move(fire)] {
        QTimer::singleShot(delay, Qt::PreciseTimer, QCoreApplication::instance(), fire);
    };
    if (isMainThread())
        start();
    else
        postToMain(std::move(start));
}

} // namespace

HardwareIO::HardwareIO(std::string label, TimeoutScheduler scheduler)
    : label_(std::move(label)), core_(std::make_shared<Core>()),
      // The queue's thread may be stuck in a call that never returns; whoever lets go of the queue
      // last must not wait for it, so the join happens on a thread of its own.
      queue_(new SerialQueue(label_),
             [](SerialQueue* queue) { std::thread([queue] { delete queue; }).detach(); }) {
    core_->scheduler = scheduler ? std::move(scheduler) : TimeoutScheduler(&mainThreadTimer);
}

HardwareIO::~HardwareIO() {
    // An operation may outlive the queue; its end must not call back into an owner that is gone.
    std::lock_guard guard(core_->lock);
    core_->recoveryHandler = nullptr;
}

void HardwareIO::onRecovery(std::function<void()> handler) {
    std::lock_guard guard(core_->lock);
    core_->recoveryHandler = std::move(handler);
}

bool HardwareIO::admit(Core& core) {
    std::lock_guard guard(core.lock);
    if (core.occupied) {
        core.recoveryNeeded = true;
        return false;
    }
    core.occupied = true;
    return true;
}

void HardwareIO::finish(Core& core, bool callerGaveUp) {
    std::function<void()> handler;
    {
        std::lock_guard guard(core.lock);
        core.occupied = false;
        if (core.recoveryNeeded || callerGaveUp) handler = core.recoveryHandler;
        core.recoveryNeeded = false;
    }
    if (handler) handler();
}

void HardwareIO::scheduleTimeout(Core& core, double seconds, std::function<void()> fire) {
    core.scheduler(seconds, std::move(fire));
}

} // namespace brisel
