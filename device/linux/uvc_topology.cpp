#include "device/linux/uvc_topology.h"

#include "device/ks_node_types.h"
#include "device/linux/linux_status.h"

namespace {

constexpr uint16_t kTtStreaming = 0x0101;
constexpr uint16_t kIttCamera = 0x0201;

class UvcTopology final : public Topology {
  public:
    explicit UvcTopology(std::shared_ptr<const VideoFunction> function)
        : function_(std::move(function)) {}

    Status NodeCount(uint32_t* count) override {
        if (count == nullptr) {
            return kEPointer;
        }
        uint32_t highest = 0;
        for (const UvcEntity& entity : function_->entities) {
            highest = entity.id > highest ? entity.id : highest;
        }
        *count = function_->entities.empty() ? 0 : highest + 1;
        return kSOk;
    }

    Status NodeType(uint32_t node, Guid* type) override {
        if (type == nullptr) {
            return kEPointer;
        }
        const UvcEntity* entity = function_->Entity(node);
        if (entity == nullptr) {
            return kNotFound;
        }
        *type = UvcNodeType(*entity);
        return kSOk;
    }

  private:
    std::shared_ptr<const VideoFunction> function_;
};

}  // namespace

Guid UvcNodeType(const UvcEntity& entity) {
    switch (entity.kind) {
        case UvcEntityKind::kInputTerminal:
            if (entity.terminalType == kIttCamera) {
                return kNodeTypeVideoCameraTerminal;
            }
            return entity.terminalType == kTtStreaming ? kNodeTypeVideoStreaming
                                                       : kNodeTypeVideoInputTerminal;
        case UvcEntityKind::kOutputTerminal:
            return entity.terminalType == kTtStreaming ? kNodeTypeVideoStreaming
                                                       : kNodeTypeVideoOutputTerminal;
        case UvcEntityKind::kSelectorUnit:
            return kNodeTypeVideoSelector;
        case UvcEntityKind::kProcessingUnit:
            return kNodeTypeVideoProcessing;
        case UvcEntityKind::kExtensionUnit:
            return kNodeTypeDevSpecific;
        case UvcEntityKind::kEncodingUnit:
            break;
    }
    return kNodeTypeEncodingUnit;
}

std::unique_ptr<Topology> MakeUvcTopology(std::shared_ptr<const VideoFunction> function) {
    return std::make_unique<UvcTopology>(std::move(function));
}
