#include "device/sim/sim_camera.h"

#include <algorithm>

#include "device/ks_node_types.h"

namespace {

constexpr uint32_t kGetRequest = kKsPropertyTypeGet | kKsPropertyTypeTopology;
constexpr uint32_t kSetRequest = kKsPropertyTypeSet | kKsPropertyTypeTopology;

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
    Status status = kEInvalidArg;
    auto* bytes = static_cast<uint8_t*>(data);
    SimXuModel* model = ModelAt(request.nodeId);
    if (request.set != kXuPropertySet) {
        status = kSimSetNotFound;
    } else if (model == nullptr) {
        status = kSimNotFound;
    } else if (bytes == nullptr && length != 0) {
        status = kEPointer;
    } else if (request.flags == kGetRequest && bytes == nullptr) {
        status = model->GetLen(request.nodeId, request.id, &answered);
        if (status == kSOk) {
            status = kMoreData;
        }
    } else if (request.flags == kGetRequest) {
        status = model->Get(request.nodeId, request.id, bytes, length);
        answered = Succeeded(status) ? length : 0;
    } else if (request.flags == kSetRequest) {
        status = model->Set(request.nodeId, request.id, bytes, length);
    }
    if (returned != nullptr) {
        *returned = answered;
    }
    return status;
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
