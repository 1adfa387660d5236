#include "RunUntil.h"

#include "MainThread.h"
#include "SerialQueue.h"

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

bool runUntilIdle(std::chrono::milliseconds timeout) {
    // Jobs first: a job posts its continuation before it counts as ended, so once none is left
    // every continuation is already counted as pending.
    return runUntil([] { return waitForBackgroundWork(std::chrono::milliseconds(0)) && !mainCallsPending(); },
                    timeout);
}

void spinEventLoop(std::chrono::milliseconds duration) {
    runUntil([] { return false; }, duration);
}

} // namespace brisel
