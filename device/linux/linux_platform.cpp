#include "device/linux/linux_platform.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>

#include "device/linux/linux_status.h"
#include "device/linux/uvc_xu_device.h"
#include "device/skipped_summary.h"

namespace {

class NodePropertyBag final : public PropertyBag {
  public:
    explicit NodePropertyBag(const VideoCaptureNode& node)
        : values_{{"FriendlyName", node.friendlyName},
                  {"DevicePath", node.devicePath},
                  {"UsbPortPath", node.usbPortPath},
                  {"SerialNumber", node.serialNumber}} {}

    Status Read(const std::string& name, std::string* value) override {
        if (value == nullptr) {
            return kEPointer;
        }
        // Only the device path is always known; an empty name or serial is not there at all.
        const auto found = values_.find(name);
        if (found == values_.end() || (found->second.empty() && name != "DevicePath")) {
            return kEFail;
        }
        *value = found->second;
        return kSOk;
    }

  private:
    const std::map<std::string, std::string> values_;
};

std::string OpenFailure(int error) {
    std::string reason = std::string("cannot open: ") + std::strerror(error);
    if (error == EACCES || error == EPERM) {
        reason +=
            " (join the video group: sudo usermod -aG video $USER, then log in again; or "
            "grant access with a udev rule)";
    }
    return reason;
}

class NodeMoniker final : public DeviceMoniker {
  public:
    NodeMoniker(VideoCaptureNode node, LinuxDeviceIo io,
                std::shared_ptr<std::vector<std::string>> skipped)
        : node_(std::move(node)), io_(std::move(io)), skipped_(std::move(skipped)) {}

    Status OpenPropertyBag(std::unique_ptr<PropertyBag>* bag) override {
        if (bag == nullptr) {
            return kEPointer;
        }
        *bag = std::make_unique<NodePropertyBag>(node_);
        return kSOk;
    }

    Status BindFilter(std::shared_ptr<XuDevice>* device) override {
        if (device == nullptr) {
            return kEPointer;
        }
        std::shared_ptr<UvcXuDevice> opened;
        int error = 0;
        const Status status =
            UvcXuDevice::Open(node_.devNode, node_.function, io_, &opened, &error);
        if (Failed(status)) {
            skipped_->push_back(node_.devNode + ": " + OpenFailure(error));
            return status;
        }
        std::string holder;
        if (opened->HeldElsewhere(&holder)) {
            skipped_->push_back(node_.devNode + ": " + kHeldForAJob +
                                (holder.empty() ? std::string("another process") : holder));
            return StatusFromErrno(EBUSY);
        }
        *device = std::move(opened);
        return status;
    }

  private:
    const VideoCaptureNode node_;
    const LinuxDeviceIo io_;
    const std::shared_ptr<std::vector<std::string>> skipped_;
};

bool CarriesVendorUnit(const VideoFunction& function) {
    return std::any_of(function.entities.begin(), function.entities.end(),
                       [](const UvcEntity& entity) {
                           return entity.kind == UvcEntityKind::kExtensionUnit &&
                                  entity.extensionCode == kXuPropertySet;
                       });
}

}  // namespace

LinuxPlatform::LinuxPlatform(LinuxPlatformConfig config)
    : io_(config.io),
      inspector_(config.layout, config.io),
      makeEventSource_(std::move(config.makeEventSource)),
      skipped_(std::make_shared<SkipLog>()),
      translator_(inspector_) {}

Status LinuxPlatform::EnumerateVideoInputs(std::vector<std::shared_ptr<DeviceMoniker>>* monikers) {
    if (monikers == nullptr) {
        return kEPointer;
    }
    monikers->clear();
    // Monikers of earlier enumerations keep the log they were made with.
    skipped_ = std::make_shared<SkipLog>();
    const std::optional<std::vector<std::string>> directories = inspector_.ListVideoNodes();
    if (!directories) {
        return kEFail;
    }
    std::map<std::string, std::string> listed;
    for (const std::string& directory : *directories) {
        NodeInspection inspection = inspector_.Inspect(directory);
        if (!inspection.node) {
            skipped_->push_back(inspection.skipReason);
            continue;
        }
        VideoCaptureNode& node = *inspection.node;
        if (!CarriesVendorUnit(node.function)) {
            skipped_->push_back(node.devNode + ": no extension unit {" + GuidText(kXuPropertySet) +
                                "}");
        }
        listed[node.devNode] = node.devicePath;
        monikers->push_back(std::make_shared<NodeMoniker>(std::move(node), io_, skipped_));
    }
    translator_.Remember(std::move(listed));
    return monikers->empty() ? kSFalse : kSOk;
}

void LinuxPlatform::WatchDeviceChanges(ChangeHandler onChange) {
    onChange_ = std::move(onChange);
    if (source_ || !makeEventSource_) {
        return;
    }
    source_ = makeEventSource_();
    const bool started = source_ && source_->Start([this](const UEvent& event) {
        const std::optional<DeviceChange> change = translator_.Translate(event);
        if (change && onChange_) {
            onChange_(*change);
        }
    });
    if (!started) {
        source_.reset();  // no hot-plug then: the list changes only when rebuilt otherwise
    }
}

std::vector<std::string> LinuxPlatform::SkippedDevices() const {
    return *skipped_;
}

std::unique_ptr<DevicePlatform> CreateLinuxPlatform() {
    return std::make_unique<LinuxPlatform>();
}
