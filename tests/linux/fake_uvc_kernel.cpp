#include "tests/linux/fake_uvc_kernel.h"

#include <linux/usb/video.h>
#include <sys/file.h>

#include <cerrno>

namespace {

// A device that vanished reads as ENODEV; any other refusal as a stalled request.
int ErrnoOf(Status status) {
    return status == kSimDeviceGone ? ENODEV : EPIPE;
}

}  // namespace

LinuxDeviceIo FakeUvcKernel::Io() {
    LinuxDeviceIo io;
    io.open = [this](const std::string& path) {
        const auto node = nodes.find(path);
        if (node == nodes.end()) {
            return -ENOENT;
        }
        if (node->second.openErrno != 0) {
            return -node->second.openErrno;
        }
        ++opens;
        open_[nextFd_] = path;
        return nextFd_++;
    };
    io.close = [this](int fd) { closes += open_.erase(fd) == 1 ? 1 : 0; };
    io.queryCap = [this](int fd, v4l2_capability* caps) {
        const Node& node = nodes.at(open_.at(fd));
        if (node.queryCapErrno != 0) {
            return node.queryCapErrno;
        }
        // uvcvideo reports the union of its nodes in capabilities, the node's own in
        // device_caps.
        *caps = v4l2_capability{};
        caps->capabilities = V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_META_CAPTURE | V4L2_CAP_STREAMING |
                             V4L2_CAP_DEVICE_CAPS;
        caps->device_caps = node.deviceCaps;
        return 0;
    };
    io.xuQuery = [this](int fd, uvc_xu_control_query* query) { return Query(fd, query); };
    io.lock = [this](int fd, int operation) {
        const bool held = !nodes.at(open_.at(fd)).heldBy.empty();
        return held && (operation & LOCK_UN) == 0 ? EWOULDBLOCK : 0;
    };
    io.lockHolder = [this](int fd) { return nodes.at(open_.at(fd)).heldBy; };
    return io;
}

int FakeUvcKernel::Query(int fd, uvc_xu_control_query* query) {
    const auto path = open_.find(fd);
    if (path == open_.end()) {
        return EBADF;
    }
    Node& node = nodes.at(path->second);
    const auto unit = node.units.find(query->unit);
    if (unit == node.units.end()) {
        return ENOENT;
    }
    SimXuModel& model = *unit->second;
    Status status = kSOk;
    switch (query->query) {
        case UVC_GET_LEN: {
            if (query->size != 2) {
                return ENOBUFS;
            }
            uint32_t size = 0;
            status = model.GetLen(query->unit, query->selector, &size);
            query->data[0] = static_cast<uint8_t>(size & 0xFF);
            query->data[1] = static_cast<uint8_t>(size >> 8);
            break;
        }
        case UVC_GET_CUR:
            status = model.Get(query->unit, query->selector, query->data, query->size);
            break;
        case UVC_SET_CUR:
            status = model.Set(query->unit, query->selector, query->data, query->size);
            break;
        default:
            return EINVAL;
    }
    return Failed(status) ? ErrnoOf(status) : 0;
}
