#include "device/sim/sim_platform.h"

#include <algorithm>
#include <cstdio>

#include "device/capture_path.h"

namespace {

class SimPropertyBag final : public PropertyBag {
  public:
    explicit SimPropertyBag(std::shared_ptr<const SimDeviceEntry> device)
        : entry_(std::move(device)) {}

    Status Read(const std::string& name, std::string* value) override {
        if (name == "FriendlyName" && !entry_->friendlyNameUnreadable) {
            *value = entry_->friendlyName;
            return kSOk;
        }
        if (name == "DevicePath" && !entry_->devicePathUnreadable) {
            *value = entry_->devicePath;
            return kSOk;
        }
        if (name == "UsbPortPath" && !entry_->usbPortPath.empty()) {
            *value = entry_->usbPortPath;
            return kSOk;
        }
        return kEFail;
    }

  private:
    std::shared_ptr<const SimDeviceEntry> entry_;
};

class SimMoniker final : public DeviceMoniker {
  public:
    explicit SimMoniker(std::shared_ptr<const SimDeviceEntry> device) : entry_(std::move(device)) {}

    Status OpenPropertyBag(std::unique_ptr<PropertyBag>* bag) override {
        if (entry_->propertyBagFails) {
            return kEFail;
        }
        *bag = std::make_unique<SimPropertyBag>(entry_);
        return kSOk;
    }

    Status BindFilter(std::shared_ptr<XuDevice>* device) override {
        if (entry_->bindFails || !entry_->filter) {
            return kEFail;
        }
        *device = entry_->filter;
        return kSOk;
    }

  private:
    std::shared_ptr<const SimDeviceEntry> entry_;
};

}  // namespace

std::string SimDevicePath(uint16_t vendorId, uint16_t productId, int instance) {
    char serial[24];
    std::snprintf(serial, sizeof serial, "7&2f1c3b5&0&%04d", instance);
    return "\\\\?\\" + CaptureInterfacePath(vendorId, productId, 0, serial) + "\\global";
}

Status SimPlatform::EnumerateVideoInputs(std::vector<std::shared_ptr<DeviceMoniker>>* monikers) {
    monikers->clear();
    if (enumerationFails_) {
        return kEFail;
    }
    for (const std::shared_ptr<SimDeviceEntry>& entry : devices_) {
        monikers->push_back(std::make_shared<SimMoniker>(entry));
    }
    return monikers->empty() ? kSFalse : kSOk;
}

void SimPlatform::WatchDeviceChanges(ChangeHandler onChange) {
    watcher_ = std::move(onChange);
}

void SimPlatform::Plug(SimDeviceEntry entry) {
    const std::string path = entry.devicePath;
    devices_.push_back(std::make_shared<SimDeviceEntry>(std::move(entry)));
    Notify({kDbtDeviceArrival, kDbtDevtypDeviceInterface, path});
}

bool SimPlatform::Unplug(const std::string& devicePath) {
    const auto it = std::find_if(devices_.begin(), devices_.end(), [&](const auto& entry) {
        return entry->devicePath == devicePath;
    });
    if (it == devices_.end()) {
        return false;
    }
    devices_.erase(it);
    Notify({kDbtDeviceRemoveComplete, kDbtDevtypDeviceInterface, devicePath});
    return true;
}

void SimPlatform::Notify(const DeviceChange& change) {
    if (watcher_) {
        watcher_(change);
    }
}
