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
    // flock(2) with LOCK_NB added: 0, or the errno (EWOULDBLOCK while another open file of the
    // node holds a lock that conflicts).
    std::function<int(int fd, int operation)> lock;
    // Which process holds the flock on the node open as fd, as /proc/locks tells it:
    // "dovrane-cli (pid 4242)"; empty when it cannot tell.
    std::function<std::string(int fd)> lockHolder;
};

LinuxDeviceIo SystemDeviceIo();

// The flock holder of the node open as fd, read from <procRoot>/locks and the holder's comm.
std::string FlockHolder(int fd, const std::string& procRoot);
