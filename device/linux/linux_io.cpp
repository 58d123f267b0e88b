#include "device/linux/linux_io.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <sstream>

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

std::string FlockHolder(int fd, const std::string& procRoot) {
    struct stat node {};
    if (::fstat(fd, &node) != 0) {
        return {};
    }
    std::ifstream locks(procRoot + "/locks");
    std::string line;
    while (std::getline(locks, line)) {
        // "1: FLOCK  ADVISORY  WRITE 4242 00:05:571 0 EOF"; waiters carry "->" and hold nothing.
        std::istringstream fields(line);
        std::string number, type, advisory, mode, file;
        long pid = 0;
        if (line.find("->") != std::string::npos ||
            !(fields >> number >> type >> advisory >> mode >> pid >> file) || type != "FLOCK") {
            continue;
        }
        unsigned major = 0, minor = 0;
        unsigned long inode = 0;
        if (std::sscanf(file.c_str(), "%x:%x:%lu", &major, &minor, &inode) != 3 ||
            inode != node.st_ino || major != ::major(node.st_dev) ||
            minor != ::minor(node.st_dev)) {
            continue;
        }
        std::string name;
        std::ifstream comm(procRoot + "/" + std::to_string(pid) + "/comm");
        std::getline(comm, name);
        return (name.empty() ? std::string("process") : name) + " (pid " + std::to_string(pid) +
               ")";
    }
    return {};
}

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
    io.lock = [](int fd, int operation) {
        int result = 0;
        do {
            result = ::flock(fd, operation | LOCK_NB);
        } while (result < 0 && errno == EINTR);
        return result < 0 ? errno : 0;
    };
    io.lockHolder = [](int fd) { return FlockHolder(fd, "/proc"); };
    return io;
}
