#include "device/sim/sim_platform.h"

#include <algorithm>
#include <cstdio>

#include "device/capture_path.h"

namespace {

class SimPropertyBag final : public PropertyBag {
  public:
    explicit SimPropertyBag(std::shared_ptr<const SimDeviceEntry> device)
        : entry(std::move(device)) {}

    Status Read(const std::string& name, std::string* value) override {
        if (name == "FriendlyName" && !entry->friendlyNameUnreadable) {
            *value = entry->friendlyName;
            return kSOk;
        }
        if (name == "DevicePath" && !entry->devicePathUnreadable) {
            *value = entry->devicePath;
            return kSOk;
        }
        return kEFail;
    }

  private:
    std::shared_ptr<const SimDeviceEntry> entry;
};

class SimMoniker final : public DeviceMoniker {
  public:
    explicit SimMoniker(std::shared_ptr<const SimDeviceEntry> device) : entry(std::move(device)) {}

    Status OpenPropertyBag(std::unique_ptr<PropertyBag>* bag) override {
        if (entry->propertyBagFails) {
            return kEFail;
        }
        *bag = std::make_unique<SimPropertyBag>(entry);
        return kSOk;
    }

    Status BindFilter(std::shared_ptr<XuDevice>* device) override {
        if (entry->bindFails || !entry->filter) {
            return kEFail;
        }
        *device = entry->filter;
        return kSOk;
    }

  private:
    std::shared_ptr<const SimDeviceEntry> entry;
};

}  // namespace

std::string SimDevicePath(uint16_t vendorId, uint16_t productId, int instance) {
    char serial[24];
    std::snprintf(serial, sizeof serial, "7&2f1c3b5&0&%04d", instance);
    return "\\\\?\\" + CaptureInterfacePath(vendorId, productId, 0, serial) + "\\global";
}

Status SimPlatform::EnumerateVideoInputs(std::vector<std::shared_ptr<DeviceMoniker>>* monikers) {
    monikers->clear();
    if (enumerationFails) {
        return kEFail;
    }
    for (const std::shared_ptr<SimDeviceEntry>& entry : devices) {
        monikers->push_back(std::make_shared<SimMoniker>(entry));
    }
    return monikers->empty() ? kSFalse : kSOk;
}

void SimPlatform::WatchDeviceChanges(ChangeHandler onChange) {
    watcher = std::move(onChange);
}

void SimPlatform::Plug(SimDeviceEntry entry) {
    const std::string path = entry.devicePath;
    devices.push_back(std::make_shared<SimDeviceEntry>(std::move(entry)));
    Notify({kDbtDeviceArrival, kDbtDevtypDeviceInterface, path});
}

bool SimPlatform::Unplug(const std::string& devicePath) {
    const auto it = std::find_if(devices.begin(), devices.end(), [&](const auto& entry) {
        return entry->devicePath == devicePath;
    });
    if (it == devices.end()) {
        return false;
    }
    devices.erase(it);
    Notify({kDbtDeviceRemoveComplete, kDbtDevtypDeviceInterface, devicePath});
    return true;
}

void SimPlatform::Notify(const DeviceChange& change) {
    if (watcher) {
        watcher(change);
    }
}
