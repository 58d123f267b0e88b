#include "device/sim/sim_platform.h"

#include <algorithm>
#include <cstdio>

#include "device/capture_path.h"
#include "device/sim/sim_camera.h"

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

SimPlatform::SimPlatform() = default;

SimPlatform::~SimPlatform() {
    for (const std::shared_ptr<SimCamera>& camera : returning_) {
        camera->Model().SetResetHandler({});
        camera->Model().SetGoneHandler({});
    }
}

Status SimPlatform::EnumerateVideoInputs(std::vector<std::shared_ptr<DeviceMoniker>>* monikers) {
    const std::lock_guard<std::mutex> lock(mutex_);
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
    const std::lock_guard<std::mutex> lock(mutex_);
    watcher_ = std::move(onChange);
}

void SimPlatform::Plug(SimDeviceEntry entry) {
    const std::string path = entry.devicePath;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        devices_.push_back(std::make_shared<SimDeviceEntry>(std::move(entry)));
    }
    Notify({kDbtDeviceArrival, kDbtDevtypDeviceInterface, path});
}

std::shared_ptr<SimDeviceEntry> SimPlatform::Take(const std::string& devicePath) {
    const std::lock_guard<std::mutex> lock(mutex_);
    const auto it = std::find_if(devices_.begin(), devices_.end(), [&](const auto& entry) {
        return entry->devicePath == devicePath;
    });
    if (it == devices_.end()) {
        return nullptr;
    }
    std::shared_ptr<SimDeviceEntry> entry = *it;
    devices_.erase(it);
    return entry;
}

bool SimPlatform::Unplug(const std::string& devicePath) {
    if (!Take(devicePath)) {
        return false;
    }
    Notify({kDbtDeviceRemoveComplete, kDbtDevtypDeviceInterface, devicePath});
    return true;
}

void SimPlatform::Notify(const DeviceChange& change) {
    ChangeHandler watcher;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        watcher = watcher_;
    }
    if (watcher) {
        watcher(change);
    }
}

void SimPlatform::PlugLater(SimDeviceEntry entry, std::chrono::milliseconds delay) {
    clock_.After(delay, [this, entry] { Plug(entry); });
}

std::shared_ptr<SimDeviceEntry> SimPlatform::EntryOf(const XuDevice* filter) const {
    const std::lock_guard<std::mutex> lock(mutex_);
    for (const std::shared_ptr<SimDeviceEntry>& entry : devices_) {
        if (entry->filter.get() == filter) {
            return entry;
        }
    }
    return nullptr;
}

void SimPlatform::UnplugWhenGone(const std::shared_ptr<SimCamera>& camera) {
    returning_.push_back(camera);
    const XuDevice* filter = camera.get();
    camera->Model().SetGoneHandler([this, filter] {
        clock_.After(std::chrono::milliseconds(0), [this, filter] {
            const std::shared_ptr<SimDeviceEntry> entry = EntryOf(filter);
            if (entry) {
                Unplug(entry->devicePath);
            }
        });
    });
}

void SimPlatform::ReturnAfterReset(const std::shared_ptr<SimCamera>& camera,
                                   std::chrono::milliseconds delay) {
    returning_.push_back(camera);
    const XuDevice* filter = camera.get();
    SimXuModel* model = &camera->Model();
    model->SetResetHandler([this, filter, model, delay] {
        clock_.After(std::chrono::milliseconds(0), [this, filter, model, delay] {
            const std::shared_ptr<SimDeviceEntry> entry = EntryOf(filter);
            if (!entry || !Unplug(entry->devicePath)) {
                return;
            }
            clock_.After(delay, [this, entry, model] {
                if (model->Restart()) {
                    Plug(*entry);
                }
            });
        });
    });
}
