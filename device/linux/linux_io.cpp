#include "device/linux/linux_io.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>

namespace {

// A signal may interrupt a request before the driver acted on it; it is safe to repeat.
int Ioctl(int fd, unsigned long request, void* arg) {
    int result = 0;
    do {
        result = ::ioctl(fd, request, arg);
    } while (result < 0 && errno == EINTR);
    return result < 0 ? errno : 0;
}

}  // namespace

LinuxDeviceIo SystemDeviceIo() {
    LinuxDeviceIo io;
    io.open = [](const std::string& path) {
        const int fd = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
        return fd < 0 ? -errno : fd;
    };
    io.close = [](int fd) { ::close(fd); };
    io.queryCap = [](int fd, v4l2_capability* caps) { return Ioctl(fd, VIDIOC_QUERYCAP, caps); };
    io.xuQuery = [](int fd, uvc_xu_control_query* query) {
        return Ioctl(fd, UVCIOC_CTRL_QUERY, query);
    };
    return io;
}
