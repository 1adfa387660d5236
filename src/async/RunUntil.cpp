#include "RunUntil.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QThread>

namespace brisel {

bool runUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    QDeadlineTimer deadline(timeout);
    while (!done()) {
        if (deadline.hasExpired()) return done();
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        if (!done()) QThread::usleep(200);
    }
    return true;
}

void spinEventLoop(std::chrono::milliseconds duration) {
    runUntil([] { return false; }, duration);
}

} // namespace brisel
