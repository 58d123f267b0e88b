#include "app/run_window.h"

#include <QApplication>

#include "app/ostrel.h"

int RunWindow(int argc, char** argv, const PlatformFactory& makePlatform) {
    QApplication app(argc, argv);
    qRegisterMetaType<data_info>("data_info");
    const std::unique_ptr<DevicePlatform> platform = makePlatform();
    Ostrel window(*platform);
    window.show();
    return app.exec();
}
