#include "device/sim/sim_xu_model.h"

#include <thread>

#include "device/sim/sim_xu_protocol.h"

namespace {

// A request's turnaround: the device answers `latency` after the request arrived, its own work
// included, as a real device's control transfer takes its time whatever the firmware does.
class Turnaround {
  public:
    Turnaround(std::chrono::nanoseconds latency, SimWait wait)
        : until_(latency.count() > 0 ? std::chrono::steady_clock::now() + latency
                                     : std::chrono::steady_clock::time_point{}),
          wait_(wait) {}
    ~Turnaround() {
        if (until_.time_since_epoch().count() == 0) {
            return;
        }
        if (wait_ == SimWait::kSleep) {
            std::this_thread::sleep_until(until_);
        }
        while (std::chrono::steady_clock::now() < until_) {
        }
    }
    Turnaround(const Turnaround&) = delete;
    Turnaround& operator=(const Turnaround&) = delete;

  private:
    const std::chrono::steady_clock::time_point until_;
    const SimWait wait_;
};

}  // namespace

SimXuModel::SimXuModel(const SimXuConfig& config)
    : config_(config), displayVersion_(config.displayVersion), handshakeAnswer_(kSimHelloAnswer) {}

Status SimXuModel::Set(uint32_t node, uint32_t selector, const uint8_t* data, uint32_t length) {
    std::lock_guard<std::mutex> lock(mutex_);
    const Turnaround turnaround(latency_, wait_);
    SimTraffic entry{
        SimDirection::kSet, node, selector, length, {}, kSOk, 0, std::chrono::steady_clock::now()};
    if (data != nullptr) {
        entry.bytes.assign(data, data + length);
    }
    Status injected = kSOk;
    entry.status = Admit(SimDirection::kSet, selector, length, &injected);
    if (Succeeded(entry.status) && data == nullptr) {
        entry.status = ProtocolError(selector, "set without data");
    }
    if (Succeeded(entry.status)) {
        entry.status = OnSet(selector, data);
    }
    if (Succeeded(entry.status) && injected != kSOk) {
        entry.status = injected;
    }
    const Status status = entry.status;
    Log(std::move(entry));
    return status;
}

Status SimXuModel::Get(uint32_t node, uint32_t selector, uint8_t* data, uint32_t length) {
    std::lock_guard<std::mutex> lock(mutex_);
    const Turnaround turnaround(latency_, wait_);
    SimTraffic entry{
        SimDirection::kGet, node, selector, length, {}, kSOk, 0, std::chrono::steady_clock::now()};
    Status injected = kSOk;
    entry.status = Admit(SimDirection::kGet, selector, length, &injected);
    if (Succeeded(entry.status) && data == nullptr) {
        entry.status = ProtocolError(selector, "get without buffer");
    }
    if (Succeeded(entry.status)) {
        entry.status = OnGet(selector, data);
    }
    if (Succeeded(entry.status)) {
        entry.bytes.assign(data, data + length);
        if (injected != kSOk) {
            entry.status = injected;
        }
    }
    const Status status = entry.status;
    Log(std::move(entry));
    return status;
}

Status SimXuModel::GetLen(uint32_t node, uint32_t selector, uint32_t* size) {
    std::lock_guard<std::mutex> lock(mutex_);
    const Turnaround turnaround(latency_, wait_);
    SimTraffic entry{SimDirection::kSizeQuery,        node, selector, 0, {}, kSOk, 0,
                     std::chrono::steady_clock::now()};
    entry.status = Admit(SimDirection::kSizeQuery, selector, 0, nullptr);
    if (Succeeded(entry.status)) {
        const auto fault = sizeQueryFaults_.find(selector);
        if (fault != sizeQueryFaults_.end()) {
            entry.status = fault->second;
        } else {
            entry.reportedSize = zeroSizeQueries_.count(selector) ? 0 : ControlOf(selector)->size;
            if (size != nullptr) {
                *size = entry.reportedSize;
            }
        }
    }
    const Status status = entry.status;
    Log(std::move(entry));
    return status;
}

std::optional<SimXuModel::Control> SimXuModel::ControlOf(uint32_t selector) const {
    switch (selector) {
        case kCtlInit:
        case kCtlBegin:
        case kCtlEnd:
            return Control{1, true, false};
        case kCtlHandshake:
            return Control{1, true, true};
        case kCtlVersion:
            return Control{2, false, true};
        case kCtlHeader:
            return Control{kSimHeaderSize, true, false};
        case kCtlData:
            return Control{config_.packetLength, true, true};
        case kCtlDisplayVersion:
            return Control{config_.displayVersionSize, true, true};
        default:
            return std::nullopt;
    }
}

// Everything a request must pass before the device acts on it: presence, the control's
// existence, direction and exact size, and any injected fault.
Status SimXuModel::Admit(SimDirection direction, uint32_t selector, uint32_t length,
                         Status* injected) {
    if (requestsLeft_) {
        if (*requestsLeft_ == 0) {
            return kSimDeviceGone;
        }
        if (--*requestsLeft_ == 0 && onGone_) {
            onGone_();
        }
    }
    const std::optional<Control> control = ControlOf(selector);
    if (!control) {
        return ProtocolError(selector, "no such control");
    }
    if (direction == SimDirection::kSizeQuery) {
        return kSOk;
    }
    if (!(direction == SimDirection::kSet ? control->settable : control->gettable)) {
        return ProtocolError(selector, direction == SimDirection::kSet ? "control is read-only"
                                                                       : "control is write-only");
    }
    if (length != control->size) {
        return ProtocolError(selector, "length " + std::to_string(length) +
                                           " but the control holds " +
                                           std::to_string(control->size));
    }
    *injected = TakeRequestFault(selector);
    return Failed(*injected) ? *injected : kSOk;
}

Status SimXuModel::TakeRequestFault(uint32_t selector) {
    Status status = kSOk;
    for (RequestFault& fault : requestFaults_) {
        if (fault.selector == selector && fault.remaining > 0 && --fault.remaining == 0) {
            status = fault.status;
        }
    }
    return status;
}

Status SimXuModel::ProtocolError(uint32_t selector, const std::string& what) {
    errors_.push_back("selector " + std::to_string(selector) + ": " + what);
    return kSimStall;
}

void SimXuModel::Log(SimTraffic entry) {
    if (logEnabled_) {
        traffic_.push_back(std::move(entry));
    }
}

void SimXuModel::FailRequest(uint32_t selector, uint32_t nth, Status status) {
    std::lock_guard<std::mutex> lock(mutex_);
    requestFaults_.push_back({selector, nth, status});
}

void SimXuModel::SetHandshakeAnswer(uint8_t answer) {
    std::lock_guard<std::mutex> lock(mutex_);
    handshakeAnswer_ = answer;
}

void SimXuModel::FailSizeQuery(uint32_t selector, Status status) {
    std::lock_guard<std::mutex> lock(mutex_);
    sizeQueryFaults_[selector] = status;
}

void SimXuModel::ZeroSizeQuery(uint32_t selector) {
    std::lock_guard<std::mutex> lock(mutex_);
    zeroSizeQueries_.insert(selector);
}

void SimXuModel::CorruptReadBack(uint32_t offset) {
    std::lock_guard<std::mutex> lock(mutex_);
    corruptOffset_ = offset;
}

void SimXuModel::VanishAfter(uint32_t requests) {
    std::lock_guard<std::mutex> lock(mutex_);
    requestsLeft_ = requests;
}

void SimXuModel::SetLatency(std::chrono::nanoseconds latency, SimWait wait) {
    std::lock_guard<std::mutex> lock(mutex_);
    latency_ = latency;
    wait_ = wait;
}

void SimXuModel::SetResetHandler(std::function<void()> onReset) {
    std::lock_guard<std::mutex> lock(mutex_);
    onReset_ = std::move(onReset);
}

void SimXuModel::SetGoneHandler(std::function<void()> onGone) {
    std::lock_guard<std::mutex> lock(mutex_);
    onGone_ = std::move(onGone);
}

bool SimXuModel::Restart() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (receivedVersion_ && restart_ == SimRestart::kNewFirmware) {
        displayVersion_ = *receivedVersion_;
    }
    return restart_ != SimRestart::kNever;
}

void SimXuModel::SetRestart(SimRestart restart) {
    std::lock_guard<std::mutex> lock(mutex_);
    restart_ = restart;
}

void SimXuModel::SetTrafficLogEnabled(bool enabled) {
    std::lock_guard<std::mutex> lock(mutex_);
    logEnabled_ = enabled;
}

std::vector<uint8_t> SimXuModel::Memory(uint8_t kind, uint32_t address, uint32_t length) const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<uint8_t> bytes(length, 0xFF);
    const auto found = memory_.find(kind);
    if (found != memory_.end()) {
        found->second.Read(address, bytes.data(), length);
    }
    return bytes;
}

uint32_t SimXuModel::ResetCount() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return resets_;
}

std::vector<SimTraffic> SimXuModel::Traffic() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return traffic_;
}

void SimXuModel::ClearTraffic() {
    std::lock_guard<std::mutex> lock(mutex_);
    traffic_.clear();
}

std::vector<std::string> SimXuModel::ProtocolErrors() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return errors_;
}

bool SimXuModel::Initialised() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return initialised_;
}

bool SimXuModel::SessionOpen() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return session_;
}

bool SimXuModel::TransferOpen() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return transfer_.stage != Stage::kNone;
}
