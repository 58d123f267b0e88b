#include "tests/e2e/usbip_server.h"

#include <fcntl.h>
#include <linux/sockios.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <set>
#include <thread>
#include <vector>

#include "tests/e2e/usbip_wire.h"

namespace {

constexpr uint32_t kControlEndpoint = 0;
constexpr uint32_t kStreamingEndpointNumber = 1;

// Writes one line to a sysfs attribute; false with the errno in *error.
bool WriteSysfs(const std::string& path, const std::string& line, int* error) {
    const int fd = open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) {
        *error = errno;
        return false;
    }
    const bool written = write(fd, line.data(), line.size()) == static_cast<ssize_t>(line.size());
    *error = written ? 0 : errno;
    close(fd);
    return written;
}

bool ReadFull(int fd, void* buffer, size_t size) {
    auto* at = static_cast<uint8_t*>(buffer);
    while (size > 0) {
        const ssize_t got = read(fd, at, size);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return false;
        }
        at += got;
        size -= static_cast<size_t>(got);
    }
    return true;
}

bool WriteFull(int fd, const void* buffer, size_t size) {
    const auto* at = static_cast<const uint8_t*>(buffer);
    while (size > 0) {
        // No SIGPIPE when the host has gone: the caller sees the failure instead.
        const ssize_t put = send(fd, at, size, MSG_NOSIGNAL);
        if (put < 0 && errno == EINTR) {
            continue;
        }
        if (put <= 0) {
            return false;
        }
        at += put;
        size -= static_cast<size_t>(put);
    }
    return true;
}

class Session {
  public:
    Session(int fd, UvcCameraFunction& camera) : fd_(fd), camera_(camera) {}

    // False when the connection has gone.
    bool Next(const UsbipCommand& command) {
        if (command.command == kUsbipCmdUnlink) {
            const int32_t status = pending_.erase(command.unlinkSeqnum) > 0 ? -ECONNRESET : 0;
            const UsbipHeaderBytes ret = EncodeRetUnlink(command.seqnum, status);
            return WriteFull(fd_, ret.data(), ret.size());
        }
        std::vector<uint8_t> out;
        if (command.direction == kUsbipDirOut) {
            out.resize(command.transferLength);
            if (!ReadFull(fd_, out.data(), out.size())) {
                return false;
            }
        }
        if (command.endpoint == kControlEndpoint) {
            return Control(command, out);
        }
        if (command.endpoint == kStreamingEndpointNumber && command.direction == kUsbipDirIn) {
            pending_.insert(command.seqnum);
            return true;
        }
        return Reply(command.seqnum, -EPIPE, {});
    }

  private:
    bool Control(const UsbipCommand& command, const std::vector<uint8_t>& out) {
        ControlReply reply = camera_.Control(DecodeSetupPacket(command.setup), out);
        if (reply.stall) {
            return Reply(command.seqnum, -EPIPE, {});
        }
        if (command.direction == kUsbipDirOut) {
            const UsbipHeaderBytes ret = EncodeRetSubmit(command.seqnum, 0, command.transferLength);
            return WriteFull(fd_, ret.data(), ret.size());
        }
        reply.data.resize(std::min<size_t>(reply.data.size(), command.transferLength));
        return Reply(command.seqnum, 0, reply.data);
    }

    bool Reply(uint32_t seqnum, int32_t status, const std::vector<uint8_t>& in) {
        const UsbipHeaderBytes ret =
            EncodeRetSubmit(seqnum, status, static_cast<uint32_t>(in.size()));
        return WriteFull(fd_, ret.data(), ret.size()) && WriteFull(fd_, in.data(), in.size());
    }

    const int fd_;
    UvcCameraFunction& camera_;
    std::set<uint32_t> pending_;
};

}  // namespace

bool AttachToVhci(uint32_t port, uint32_t devid, int* fd, std::string* error) {
    int pair[2];
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, pair) != 0) {
        *error = std::string("socketpair: ") + std::strerror(errno);
        return false;
    }
    const std::string line = std::to_string(port) + " " + std::to_string(pair[1]) + " " +
                             std::to_string(devid) + " " + std::to_string(kUsbSpeedHigh);
    int failure = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!WriteSysfs(std::string(kVhciDirectory) + "/attach", line, &failure) &&
           failure == EBUSY && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    close(pair[1]);  // the kernel holds its own reference now
    if (failure != 0) {
        close(pair[0]);
        *error = "attach to vhci port " + std::to_string(port) + ": " + std::strerror(failure);
        return false;
    }
    *fd = pair[0];
    return true;
}

bool DetachFromVhci(uint32_t port, std::string* error) {
    int failure = 0;
    if (!WriteSysfs(std::string(kVhciDirectory) + "/detach", std::to_string(port), &failure)) {
        *error = "detach vhci port " + std::to_string(port) + ": " + std::strerror(failure);
        return false;
    }
    return true;
}

bool AwaitRepliesRead(int fd, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        // What the peer has not read yet still counts against this end's send buffer.
        int unread = 0;
        if (ioctl(fd, SIOCOUTQ, &unread) != 0 || unread == 0) {
            return true;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

ServeEnd ServeUsbip(int fd, UvcCameraFunction& camera, const std::function<bool()>& keepGoing) {
    Session session(fd, camera);
    while (keepGoing()) {
        pollfd ready{fd, POLLIN, 0};
        const int polled = poll(&ready, 1, 200);
        if (polled < 0 && errno != EINTR) {
            return ServeEnd::kBrokenStream;
        }
        if (polled <= 0) {
            continue;
        }
        UsbipHeaderBytes header;
        if (!ReadFull(fd, header.data(), header.size())) {
            return ServeEnd::kHostClosed;
        }
        UsbipCommand command;
        if (!DecodeUsbipCommand(header, &command)) {
            return ServeEnd::kBrokenStream;
        }
        if (!session.Next(command)) {
            return ServeEnd::kHostClosed;
        }
    }
    return ServeEnd::kStopped;
}
