#pragma once

// A simulated UVC camera behind the platform seam: it answers kernel-streaming property
// requests for its extension unit from a SimXuModel and shows a topology of several nodes.

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "device/ks_request.h"
#include "device/platform.h"
#include "device/sim/sim_xu_model.h"

// The node types of a plain camera: camera terminal, processing unit, selector unit and the
// streaming output, with the extension unit as node 4.
std::vector<Guid> SimDefaultNodeTypes();

struct SimCameraConfig {
    uint32_t xuNode = 4;
    SimXuConfig xu;
    // A second vendor-specific node served by a model of its own.
    std::optional<uint32_t> secondXuNode;
    SimXuConfig secondXu;
    // The topology; it is extended as needed, and the extension-unit nodes are always given
    // the vendor-specific type.
    std::vector<Guid> nodeTypes = SimDefaultNodeTypes();

    // Faults for discovery.
    bool noControl = false;   // the filter offers no property channel
    bool noTopology = false;  // nor any topology
    bool zeroNodes = false;   // its topology reports no nodes
    std::vector<uint32_t> unreadableNodeTypes;
};

class SimCamera : public XuDevice {
  public:
    explicit SimCamera(SimCameraConfig config = {});

    Status OpenControl(std::unique_ptr<XuControl>* control) override;
    Status OpenTopology(std::unique_ptr<Topology>* topology) override;

    // Another process's job, for tests: while a holder is set, claims are refused with it.
    void HoldElsewhere(const std::string& holder);
    bool ClaimForJob(std::string* holder) override;
    void ReleaseJob() override;
    bool HeldElsewhere(std::string* holder) override;
    bool Claimed() const;

    // One kernel-streaming property request as the camera's driver would answer it.
    Status KsProperty(const KsPropertyNode& request, void* data, uint32_t length,
                      uint32_t* returned);

    Status NodeCount(uint32_t* count) const;
    Status NodeType(uint32_t node, Guid* type) const;

    SimXuModel& Model() { return model_; }
    // The model behind a node, or null when the node has none.
    SimXuModel* ModelAt(uint32_t node);

  private:
    Status Serve(const Guid& set, const KsRequest& request, uint8_t* data, uint32_t length,
                 uint32_t* answered);

    mutable std::mutex claimMutex_;
    std::string holder_;
    bool claimed_ = false;
    const SimCameraConfig config_;
    std::vector<Guid> nodeTypes_;
    SimXuModel model_;
    std::unique_ptr<SimXuModel> second_;
};
