#include <gtest/gtest.h>

#ifdef BRISEL_TEST_WIDGETS
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QCoreApplication>
using TestApplication = QCoreApplication;
#endif

#include <cstdlib>

int main(int argc, char** argv) {
    // Widget tests never need a display.
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    TestApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
