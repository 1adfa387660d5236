#include "async/MainThread.h"
#include "async/SerialQueue.h"
#include "async/UnhandledException.h"

#include <gtest/gtest.h>

#ifdef BRISEL_TEST_WIDGETS
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QCoreApplication>
using TestApplication = QCoreApplication;
#endif

#include <cstdlib>

#ifdef __SANITIZE_ADDRESS__
// Under X, Qt's D-Bus thread keeps a buffer of libdbus's connection until the process ends; the
// tests that run on an X server would report it as a leak of ours.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libdbus-1.so\n";
}
#endif

int main(int argc, char** argv) {
    // Widget tests never need a display.
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    TestApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    brisel::setMainThreadChecks(true);
    // An exception nobody received fails the test that was running.
    brisel::setUnhandledExceptionHandler([](std::exception_ptr error, std::string_view where) {
        ADD_FAILURE() << "unhandled exception in " << where << ": " << brisel::describeException(error);
    });
    // Work of queues whose owners are gone may still run; let it end before the process does.
    return brisel::finishProcess(RUN_ALL_TESTS());
}
