#include "app/run_window.h"
#include "device/native_platform.h"

int main(int argc, char** argv) {
    return RunWindow(argc, argv, CreateNativePlatform);
}
