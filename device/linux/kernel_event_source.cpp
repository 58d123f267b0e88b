#include <linux/netlink.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <memory>

#include "device/linux/uevent.h"

namespace {

constexpr uint32_t kKernelGroup = 1;
constexpr size_t kMessageLimit = 8192;  // the kernel's uevents stay below 2 KiB

class KernelEventSource final : public DeviceEventSource {
  public:
    ~KernelEventSource() override {
        notifier_.reset();
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }

    bool Start(Sink sink) override {
        fd_ =
            ::socket(AF_NETLINK, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, NETLINK_KOBJECT_UEVENT);
        if (fd_ < 0) {
            return false;
        }
        sockaddr_nl address{};
        address.nl_family = AF_NETLINK;
        address.nl_groups = kKernelGroup;
        if (::bind(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) < 0) {
            return false;
        }
        sink_ = std::move(sink);
        notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { Drain(); });
        return true;
    }

  private:
    void Drain() {
        char buffer[kMessageLimit];
        for (;;) {
            sockaddr_nl sender{};
            iovec part{buffer, sizeof buffer};
            msghdr message{};
            message.msg_name = &sender;
            message.msg_namelen = sizeof sender;
            message.msg_iov = &part;
            message.msg_iovlen = 1;
            const ssize_t length = ::recvmsg(fd_, &message, 0);
            if (length < 0) {
                return;  // drained (EAGAIN) or broken; the notifier tells when more arrives
            }
            // Only the kernel (port 0) speaks on this group; anything else is forged.
            const bool truncated = (message.msg_flags & MSG_TRUNC) != 0;
            if (sender.nl_pid != 0 || truncated) {
                continue;
            }
            if (const std::optional<UEvent> event =
                    ParseKernelUevent(buffer, static_cast<size_t>(length))) {
                sink_(*event);
            }
        }
    }

    int fd_ = -1;
    Sink sink_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace

std::unique_ptr<DeviceEventSource> CreateKernelEventSource() {
    return std::make_unique<KernelEventSource>();
}
