#include "device/sim/sim_camera.h"

#include <algorithm>

#include "device/ks_node_types.h"
#include "device/ks_request.h"

namespace {

class SimControl : public XuControl {
  public:
    explicit SimControl(SimCamera& camera) : camera_(camera) {}
    Status KsProperty(const KsPropertyNode& request, void* data, uint32_t length,
                      uint32_t* returned) override {
        return camera_.KsProperty(request, data, length, returned);
    }

  private:
    SimCamera& camera_;
};

class SimTopology : public Topology {
  public:
    explicit SimTopology(const SimCamera& camera) : camera_(camera) {}
    Status NodeCount(uint32_t* count) override { return camera_.NodeCount(count); }
    Status NodeType(uint32_t node, Guid* type) override { return camera_.NodeType(node, type); }

  private:
    const SimCamera& camera_;
};

std::vector<Guid> BuildTopology(const SimCameraConfig& config) {
    std::vector<Guid> types = config.nodeTypes;
    auto makeVendorNode = [&types](uint32_t node) {
        if (types.size() <= node) {
            types.resize(node + 1, kNodeTypeVideoProcessing);
        }
        types[node] = kNodeTypeDevSpecific;
    };
    makeVendorNode(config.xuNode);
    if (config.secondXuNode) {
        makeVendorNode(*config.secondXuNode);
    }
    return types;
}

}  // namespace

std::vector<Guid> SimDefaultNodeTypes() {
    return {kNodeTypeVideoCameraTerminal, kNodeTypeVideoProcessing, kNodeTypeVideoSelector,
            kNodeTypeVideoStreaming, kNodeTypeDevSpecific};
}

SimCamera::SimCamera(SimCameraConfig config)
    : config_(std::move(config)), nodeTypes_(BuildTopology(config_)), model_(config_.xu) {
    if (config_.secondXuNode && *config_.secondXuNode != config_.xuNode) {
        second_ = std::make_unique<SimXuModel>(config_.secondXu);
    }
}

Status SimCamera::OpenControl(std::unique_ptr<XuControl>* control) {
    if (control == nullptr) {
        return kEPointer;
    }
    if (config_.noControl) {
        return kENoInterface;
    }
    *control = std::make_unique<SimControl>(*this);
    return kSOk;
}

Status SimCamera::OpenTopology(std::unique_ptr<Topology>* topology) {
    if (topology == nullptr) {
        return kEPointer;
    }
    if (config_.noTopology) {
        return kENoInterface;
    }
    *topology = std::make_unique<SimTopology>(*this);
    return kSOk;
}

Status SimCamera::KsProperty(const KsPropertyNode& request, void* data, uint32_t length,
                             uint32_t* returned) {
    uint32_t answered = 0;
    KsRequest decoded;
    Status status = DecodeKsRequest(request, data, length, {}, &decoded);
    if (Succeeded(status)) {
        status = Serve(request.set, decoded, static_cast<uint8_t*>(data), length, &answered);
    }
    if (returned != nullptr) {
        *returned = answered;
    }
    return status;
}

Status SimCamera::Serve(const Guid& set, const KsRequest& request, uint8_t* data, uint32_t length,
                        uint32_t* answered) {
    SimXuModel* model = ModelAt(request.node);
    if (set != kXuPropertySet) {
        return kSetNotFound;
    }
    if (model == nullptr) {
        return kNotFound;
    }
    switch (request.kind) {
        case KsRequestKind::kSizeQuery: {
            const Status status = model->GetLen(request.node, request.selector, answered);
            return status == kSOk ? kMoreData : status;
        }
        case KsRequestKind::kGet: {
            const Status status = model->Get(request.node, request.selector, data, length);
            *answered = Succeeded(status) ? length : 0;
            return status;
        }
        case KsRequestKind::kSet:
            break;
    }
    return model->Set(request.node, request.selector, data, length);
}

Status SimCamera::NodeCount(uint32_t* count) const {
    if (count == nullptr) {
        return kEPointer;
    }
    *count = config_.zeroNodes ? 0 : static_cast<uint32_t>(nodeTypes_.size());
    return kSOk;
}

Status SimCamera::NodeType(uint32_t node, Guid* type) const {
    if (type == nullptr) {
        return kEPointer;
    }
    const auto& unreadable = config_.unreadableNodeTypes;
    if (node >= nodeTypes_.size() ||
        std::find(unreadable.begin(), unreadable.end(), node) != unreadable.end()) {
        return kEInvalidArg;
    }
    *type = nodeTypes_[node];
    return kSOk;
}

SimXuModel* SimCamera::ModelAt(uint32_t node) {
    if (node == config_.xuNode) {
        return &model_;
    }
    if (second_ && config_.secondXuNode == node) {
        return second_.get();
    }
    return nullptr;
}

void SimCamera::HoldElsewhere(const std::string& holder) {
    const std::lock_guard<std::mutex> lock(claimMutex_);
    holder_ = holder;
}

bool SimCamera::ClaimForJob(std::string* holder) {
    const std::lock_guard<std::mutex> lock(claimMutex_);
    if (!holder_.empty()) {
        *holder = holder_;
        return false;
    }
    claimed_ = true;
    return true;
}

void SimCamera::ReleaseJob() {
    const std::lock_guard<std::mutex> lock(claimMutex_);
    claimed_ = false;
}

bool SimCamera::HeldElsewhere(std::string* holder) {
    const std::lock_guard<std::mutex> lock(claimMutex_);
    *holder = holder_;
    return !holder_.empty();
}

bool SimCamera::Claimed() const {
    const std::lock_guard<std::mutex> lock(claimMutex_);
    return claimed_;
}
