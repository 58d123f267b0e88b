#include <unistd.h>

#include "device/linux/uevent.h"

std::unique_ptr<DeviceEventSource> CreateSystemEventSource() {
    if (::access("/run/udev/control", F_OK) == 0) {
        return CreateUdevEventSource();
    }
    return CreateKernelEventSource();
}
