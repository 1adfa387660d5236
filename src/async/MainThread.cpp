#include "MainThread.h"

#include <QCoreApplication>
#include <QThread>

#include <cstdio>
#include <cstdlib>

namespace brisel {

void postToMain(std::function<void()> fn) {
    // A queue's thread may finish a job while the program ends: with the application gone nothing
    // could run the call any more.
    if (auto* app = QCoreApplication::instance())
        QMetaObject::invokeMethod(app, std::move(fn), Qt::QueuedConnection);
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
