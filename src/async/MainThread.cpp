#include "MainThread.h"

#include <QCoreApplication>
#include <QThread>

#include <cstdio>
#include <cstdlib>

namespace brisel {

namespace {
std::atomic<long> pendingCalls{0};
}

void postToMain(std::function<void()> fn) {
    // A queue's thread may finish a job while the program ends: with the application gone nothing
    // could run the call any more.
    auto* app = QCoreApplication::instance();
    if (!app) return;
    ++pendingCalls;
    auto call = [fn = std::move(fn)] {
        --pendingCalls;
        fn();
    };
    QMetaObject::invokeMethod(app, std::move(call), Qt::QueuedConnection);
}

bool mainCallsPending() {
    return pendingCalls.load() > 0;
}

bool isMainThread() {
    const auto* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

namespace detail {

#ifdef NDEBUG
std::atomic<bool> mainThreadChecks{false};
#else
std::atomic<bool> mainThreadChecks{true};
#endif

void mainThreadViolation(const char* what) {
    std::fprintf(stderr, "brisel: %s off the main thread\n", what);
    std::abort();
}

} // namespace detail

void setMainThreadChecks(bool on) {
    detail::mainThreadChecks = on;
}

} // namespace brisel
