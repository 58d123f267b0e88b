#include "app/run_window.h"

#include <QApplication>

#include "app/ostrel.h"

int RunWindow(int argc, char** argv, PlatformKind kind) {
    QApplication app(argc, argv);
    qRegisterMetaType<data_info>("data_info");
    const std::unique_ptr<DevicePlatform> platform = CreatePlatform(kind);
    Ostrel window(*platform);
    window.show();
    return app.exec();
}
