#include "download/request_recorder.h"

#include "device/command_set.h"

struct RequestRecorder::Log {
    uint32_t packetLength = 0;
    uint32_t packet = 0;
    uint32_t packets = 0;
    std::optional<FailedRequest> failure;

    void Note(const KsPropertyNode& request, const void* data, uint32_t length, Status status,
              uint32_t returned, const XuControl& control) {
        const bool get = (request.flags & kKsPropertyTypeGet) != 0;
        if (get && length == 0) {  // a size query answers kMoreData when it works
            if (request.id == kSelData && status == kMoreData) {
                packetLength = returned;
            }
            return;
        }
        if (request.id == kSelHeader && !get && length >= 9 && data != nullptr) {
            const auto* header = static_cast<const uint8_t*>(data);
            const uint32_t count = static_cast<uint32_t>(header[5]) << 24 |
                                   static_cast<uint32_t>(header[6]) << 16 |
                                   static_cast<uint32_t>(header[7]) << 8 | header[8];
            packet = 0;
            packets = packetLength == 0 ? 0 : (count + packetLength - 1) / packetLength;
        }
        const bool isPacket = request.id == kSelData;
        if (isPacket) {
            ++packet;
        }
        if (Failed(status) && !failure) {
            failure = FailedRequest{request.id,
                                    get,
                                    isPacket ? packet : 0,
                                    isPacket ? packets : 0,
                                    status,
                                    control.LastErrorName()};
        }
    }
};

namespace {

class RecordingControl final : public XuControl {
  public:
    RecordingControl(std::unique_ptr<XuControl> control, std::shared_ptr<RequestRecorder::Log> log,
                     const std::atomic<bool>* abort)
        : control_(std::move(control)), log_(std::move(log)), abort_(abort) {}

    Status KsProperty(const KsPropertyNode& request, void* data, uint32_t length,
                      uint32_t* returned) override {
        uint32_t answered = 0;
        const bool aborted = abort_ != nullptr && abort_->load();
        const Status status =
            aborted ? kAborted : control_->KsProperty(request, data, length, &answered);
        if (returned != nullptr) {
            *returned = answered;
        }
        log_->Note(request, data, length, status, answered, *control_);
        return status;
    }

    std::string LastErrorName() const override { return control_->LastErrorName(); }

  private:
    std::unique_ptr<XuControl> control_;
    std::shared_ptr<RequestRecorder::Log> log_;
    const std::atomic<bool>* abort_;
};

}  // namespace

RequestRecorder::RequestRecorder(XuDevice* device, const std::atomic<bool>* abort)
    : device_(device), abort_(abort), log_(std::make_shared<Log>()) {}

Status RequestRecorder::OpenControl(std::unique_ptr<XuControl>* control) {
    if (control == nullptr) {
        return kEPointer;
    }
    std::unique_ptr<XuControl> inner;
    const Status status = device_->OpenControl(&inner);
    if (Failed(status)) {
        return status;
    }
    *control = std::make_unique<RecordingControl>(std::move(inner), log_, abort_);
    return status;
}

Status RequestRecorder::OpenTopology(std::unique_ptr<Topology>* topology) {
    return device_->OpenTopology(topology);
}

std::optional<FailedRequest> RequestRecorder::FirstFailure() const {
    return log_->failure;
}
