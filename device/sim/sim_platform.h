#pragma once

// The simulated cameras as a platform: an ordered set of attached devices, their property
// bags, and arrival and removal events with Windows-style interface paths.

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "device/platform.h"
#include "device/sim/sim_clock.h"

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

class SimCamera;

class SimPlatform final : public DevicePlatform {
  public:
    SimPlatform();
    // Cameras that would return after a reset forget the platform first.
    ~SimPlatform() override;
    SimPlatform(const SimPlatform&) = delete;
    SimPlatform& operator=(const SimPlatform&) = delete;

    Status EnumerateVideoInputs(std::vector<std::shared_ptr<DeviceMoniker>>* monikers) override;
    void WatchDeviceChanges(ChangeHandler onChange) override;

    // Attaches a device at the end of the enumeration order and reports its arrival.
    void Plug(SimDeviceEntry entry);
    // Detaches the device with that path and reports its removal; false when none has it.
    bool Unplug(const std::string& devicePath);
    // Delivers any event to the watcher, as the platform would.
    void Notify(const DeviceChange& change);

    // Changes on the platform's own clock, as a bus makes them: their events reach the watcher
    // on the clock's thread, so only a watcher that hands them on may use these.
    // Attaches the device `delay` from now.
    void PlugLater(SimDeviceEntry entry, std::chrono::milliseconds delay);
    // After each reset the camera takes it leaves, and `delay` later it is back at the same
    // port, running the firmware it received (SimXuModel::Restart).
    void ReturnAfterReset(const std::shared_ptr<SimCamera>& camera,
                          std::chrono::milliseconds delay);
    // A camera that vanishes (SimXuModel::VanishAfter) is unplugged then: pulled out.
    void UnplugWhenGone(const std::shared_ptr<SimCamera>& camera);

    void SetEnumerationFails(bool fails) { enumerationFails_ = fails; }

  private:
    std::shared_ptr<SimDeviceEntry> Take(const std::string& devicePath);
    std::shared_ptr<SimDeviceEntry> EntryOf(const XuDevice* filter) const;

    mutable std::mutex mutex_;  // the devices and the watcher, which the clock's thread changes too
    std::vector<std::shared_ptr<SimDeviceEntry>> devices_;
    ChangeHandler watcher_;
    bool enumerationFails_ = false;
    std::vector<std::shared_ptr<SimCamera>> returning_;  // cameras whose handlers name this
    SimClock clock_;  // last: stopped before anything its actions use goes
};
