#include <QApplication>

#include <gtest/gtest.h>

#include "download/worker.h"

// Widget and cross-thread tests need an application object and the data_info registration,
// as the program's own entry makes them.
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");  // test discovery runs without ctest's env
    }
    QApplication app(argc, argv);
    qRegisterMetaType<data_info>("data_info");
    return RUN_ALL_TESTS();
}
