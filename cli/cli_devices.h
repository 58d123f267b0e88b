#pragma once

#include <QString>

#include <memory>
#include <string>
#include <vector>

#include "cli/cli_options.h"
#include "device/discovery.h"
#include "device/sim/sim_camera.h"
#include "device/sim/sim_faults.h"
#include "download/flash_log.h"

// The device table as the window's discovery fills it, on real or simulated cameras.
class CliDevices {
  public:
    // Builds the platform the options ask for and enumerates it; false when the simulated
    // fault is unknown (*error says why).
    bool Open(const CliOptions& options, QString* error);

    int Count() const { return count_; }
    XuDevice* Device(int index) const { return filters_[index].get(); }
    uint32_t Node(int index) const { return nodeIds_[index]; }
    QString Label(int index) const;
    CameraIdentity Identity(int index) const;
    DevicePlatform& Platform() const { return *platform_; }
    std::vector<std::string> Skipped() const { return platform_->SkippedDevices(); }

    // Breaks the simulated cameras after discovery, so the fault meets the command itself.
    void InjectFaultAfterDiscovery();
    // One line per request of every simulated camera; false when the file cannot be written.
    bool WriteTrace(const QString& path) const;

  private:
    std::unique_ptr<DevicePlatform> platform_;
    std::vector<std::shared_ptr<SimCamera>> cameras_;
    MonikerTable monikers_;
    FilterTable filters_;
    NodeIdTable nodeIds_{};
    int count_ = 0;
    SimFault fault_ = SimFault::kNone;
    int faultyCamera_ = -1;
};
