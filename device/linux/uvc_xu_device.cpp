#include "device/linux/uvc_xu_device.h"

#include <linux/usb/video.h>
#include <sys/file.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string>

#include "device/ks_request.h"
#include "device/linux/linux_status.h"
#include "device/linux/uvc_topology.h"

namespace {

// uvc_xu_control_query.selector is 8 bits and wLength 16: no control is larger.
constexpr KsRequestBounds kUvcBounds{0xFF, 0xFFFF};

}  // namespace

struct UvcXuDevice::Node {
    Node(int descriptor, VideoFunction videoFunction, LinuxDeviceIo deviceIo)
        : fd(descriptor),
          function(std::make_shared<const VideoFunction>(std::move(videoFunction))),
          io(std::move(deviceIo)) {}
    ~Node() { io.close(fd); }
    Node(const Node&) = delete;
    Node& operator=(const Node&) = delete;

    // One query; the errno goes to *error and is kept for LastErrno, whichever thread asked.
    Status Query(uint8_t unit, uint8_t selector, uint8_t request, uint8_t* data, uint16_t size,
                 int* error) {
        uvc_xu_control_query query{};
        query.unit = unit;
        query.selector = selector;
        query.query = request;
        query.size = size;
        query.data = data;
        *error = io.xuQuery(fd, &query);
        lastErrno.store(*error);
        return *error == 0 ? kSOk : StatusFromErrno(*error);
    }

    const int fd;
    const std::shared_ptr<const VideoFunction> function;
    const LinuxDeviceIo io;
    std::atomic<int> lastErrno{0};
};

class UvcXuDevice::Control final : public XuControl {
  public:
    explicit Control(std::shared_ptr<Node> node) : node_(std::move(node)) {}

    Status KsProperty(const KsPropertyNode& request, void* data, uint32_t length,
                      uint32_t* returned) override {
        if (returned != nullptr) {
            *returned = 0;
        }
        KsRequest decoded;
        const Status malformed = DecodeKsRequest(request, data, length, kUvcBounds, &decoded);
        if (Failed(malformed)) {
            return malformed;
        }
        const UvcEntity* unit = node_->function->Entity(decoded.node);
        if (unit == nullptr || unit->kind != UvcEntityKind::kExtensionUnit) {
            return kNotFound;
        }
        if (unit->extensionCode != request.set) {
            return kSetNotFound;
        }
        const auto selector = static_cast<uint8_t>(decoded.selector);
        if (decoded.kind == KsRequestKind::kSizeQuery) {
            return SizeQuery(unit->id, selector, returned);
        }
        const bool get = decoded.kind == KsRequestKind::kGet;
        const Status status = Query(unit->id, selector, get ? UVC_GET_CUR : UVC_SET_CUR,
                                    static_cast<uint8_t*>(data), static_cast<uint16_t>(length));
        if (Succeeded(status) && get && returned != nullptr) {
            *returned = length;
        }
        return status;
    }

    std::string LastErrorName() const override {
        const char* name = lastErrno_ == 0 ? nullptr : strerrorname_np(lastErrno_);
        return name == nullptr ? std::string() : std::string(name);
    }

  private:
    // Each channel keeps its own errno: the node's is shared with every other thread's channel.
    Status Query(uint8_t unit, uint8_t selector, uint8_t request, uint8_t* data, uint16_t size) {
        return node_->Query(unit, selector, request, data, size, &lastErrno_);
    }

    Status SizeQuery(uint8_t unit, uint8_t selector, uint32_t* returned) {
        uint8_t size[2] = {};
        const Status status = Query(unit, selector, UVC_GET_LEN, size, sizeof size);
        if (Failed(status)) {
            return status;
        }
        if (returned != nullptr) {
            *returned = static_cast<uint32_t>(size[0] | size[1] << 8);
        }
        return kMoreData;
    }

    std::shared_ptr<Node> node_;
    int lastErrno_ = 0;
};

UvcXuDevice::UvcXuDevice(int fd, VideoFunction function, LinuxDeviceIo io)
    : node_(std::make_shared<Node>(fd, std::move(function), std::move(io))) {}

Status UvcXuDevice::Open(const std::string& devNode, VideoFunction function,
                         const LinuxDeviceIo& io, std::shared_ptr<UvcXuDevice>* device,
                         int* openErrno) {
    const int fd = io.open(devNode);
    if (fd < 0) {
        *openErrno = -fd;
        return StatusFromErrno(-fd);
    }
    *openErrno = 0;
    *device = std::make_shared<UvcXuDevice>(fd, std::move(function), io);
    return kSOk;
}

Status UvcXuDevice::OpenControl(std::unique_ptr<XuControl>* control) {
    if (control == nullptr) {
        return kEPointer;
    }
    *control = std::make_unique<Control>(node_);
    return kSOk;
}

Status UvcXuDevice::OpenTopology(std::unique_ptr<Topology>* topology) {
    if (topology == nullptr) {
        return kEPointer;
    }
    *topology = MakeUvcTopology(node_->function);
    return kSOk;
}

int UvcXuDevice::LastErrno() const {
    return node_->lastErrno.load();
}

bool UvcXuDevice::Busy(int operation, std::string* holder) {
    const int error = node_->io.lock ? node_->io.lock(node_->fd, operation) : 0;
    if (error != EWOULDBLOCK) {
        return false;  // any other answer cannot tell of another job: do not stand in its way
    }
    if (holder != nullptr && node_->io.lockHolder) {
        *holder = node_->io.lockHolder(node_->fd);
    }
    return true;
}

bool UvcXuDevice::ClaimForJob(std::string* holder) {
    if (Busy(LOCK_EX, holder)) {
        return false;
    }
    claimed_ = true;
    return true;
}

void UvcXuDevice::ReleaseJob() {
    if (claimed_ && node_->io.lock) {
        node_->io.lock(node_->fd, LOCK_UN);
    }
    claimed_ = false;
}

bool UvcXuDevice::HeldElsewhere(std::string* holder) {
    if (claimed_) {
        return false;  // a shared lock here would turn this handle's own exclusive one into it
    }
    if (Busy(LOCK_SH, holder)) {
        return true;
    }
    if (node_->io.lock) {
        node_->io.lock(node_->fd, LOCK_UN);
    }
    return false;
}
