#pragma once

// The system calls the Linux backend makes on device nodes, as replaceable functions so tests
// can stand in for the kernel. Each answers 0 (or a descriptor) on success and the errno
// otherwise, so no caller has to read the global errno.

#include <linux/uvcvideo.h>
#include <linux/videodev2.h>

#include <functional>
#include <string>

struct LinuxDeviceIo {
    // Opens a node read-write, non-blocking and close-on-exec: a descriptor, or -errno.
    std::function<int(const std::string& path)> open;
    std::function<void(int fd)> close;
    // VIDIOC_QUERYCAP.
    std::function<int(int fd, v4l2_capability* caps)> queryCap;
    // UVCIOC_CTRL_QUERY.
    std::function<int(int fd, uvc_xu_control_query* query)> xuQuery;
};

LinuxDeviceIo SystemDeviceIo();
