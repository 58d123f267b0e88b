#pragma once

// The simulated cameras as a platform: an ordered set of attached devices, their property
// bags, and arrival and removal events with Windows-style interface paths.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "device/platform.h"

struct SimDeviceEntry {
    std::string friendlyName;
    std::string devicePath;
    std::shared_ptr<XuDevice> filter;
    std::string usbPortPath;  // the hub port it is plugged into, empty when not told
    // Discovery faults of the enumeration itself.
    bool propertyBagFails = false;
    bool friendlyNameUnreadable = false;
    bool devicePathUnreadable = false;
    bool bindFails = false;
};

// "\\?\usb#vid_1d6b&pid_0102&mi_00#<instance>#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\global":
// the capture-class GUID in braces, lower case, as Windows writes interface paths.
std::string SimDevicePath(uint16_t vendorId, uint16_t productId, int instance);

class SimPlatform final : public DevicePlatform {
  public:
    Status EnumerateVideoInputs(std::vector<std::shared_ptr<DeviceMoniker>>* monikers) override;
    void WatchDeviceChanges(ChangeHandler onChange) override;

    // Attaches a device at the end of the enumeration order and reports its arrival.
    void Plug(SimDeviceEntry entry);
    // Detaches the device with that path and reports its removal; false when none has it.
    bool Unplug(const std::string& devicePath);
    // Delivers any event to the watcher, as the platform would.
    void Notify(const DeviceChange& change);

    void SetEnumerationFails(bool fails) { enumerationFails_ = fails; }

  private:
    std::vector<std::shared_ptr<SimDeviceEntry>> devices_;
    ChangeHandler watcher_;
    bool enumerationFails_ = false;
};
