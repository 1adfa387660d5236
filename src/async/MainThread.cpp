#include "MainThread.h"

#include <QCoreApplication>
#include <QThread>

namespace brisel {

void postToMain(std::function<void()> fn) {
    QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(fn), Qt::QueuedConnection);
}

bool isMainThread() {
    const auto* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

} // namespace brisel
