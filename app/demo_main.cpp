#include "app/run_window.h"
#include "device/sim/demo_cameras.h"

// Dovrane with the simulated cameras attached instead of real ones.
int main(int argc, char** argv) {
    return RunWindow(argc, argv,
                     []() -> std::unique_ptr<DevicePlatform> { return CreateDemoPlatform(); });
}
