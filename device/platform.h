#pragma once

// The seam between the platform-independent device logic and a platform backend
// (kernel streaming on Windows, uvcvideo on Linux, the simulated camera). A backend supplies
// only these primitives; the transport, the probe, the table and the hot-plug rules sit above.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "device/guid.h"
#include "device/status.h"

inline constexpr uint32_t kKsPropertyTypeGet = 0x00000001;
inline constexpr uint32_t kKsPropertyTypeSet = 0x00000002;
inline constexpr uint32_t kKsPropertyTypeTopology = 0x10000000;
// The two requests an extension unit takes: a get or a set addressed to a topology node.
inline constexpr uint32_t kKsNodeGet = kKsPropertyTypeGet | kKsPropertyTypeTopology;
inline constexpr uint32_t kKsNodeSet = kKsPropertyTypeSet | kKsPropertyTypeTopology;

// The 32-byte KSP_NODE request record, byte for byte as kernel streaming takes it.
struct KsPropertyNode {
    Guid set;
    uint32_t id;     // control selector
    uint32_t flags;  // kKsNodeGet or kKsNodeSet
    uint32_t nodeId;
    uint32_t reserved;
};
static_assert(sizeof(KsPropertyNode) == 32, "KSP_NODE is 32 bytes");

// The property channel of one device (IKsControl). Released by destruction.
class XuControl {
  public:
    virtual ~XuControl() = default;
    // One request with kernel-streaming semantics. A size query is a get with no buffer and a
    // length of 0: it answers kMoreData with the control's size in *returned.
    virtual Status KsProperty(const KsPropertyNode& request, void* data, uint32_t length,
                              uint32_t* returned) = 0;
    // The system's own name for why this channel's latest request failed ("EPIPE" on Linux),
    // empty when it succeeded or the platform names none.
    virtual std::string LastErrorName() const { return {}; }
};

// The topology of one device (IKsTopologyInfo). Released by destruction.
class Topology {
  public:
    virtual ~Topology() = default;
    virtual Status NodeCount(uint32_t* count) = 0;
    virtual Status NodeType(uint32_t node, Guid* type) = 0;
};

// A device handle (the capture filter). Shared ownership stands in for COM references: the
// device table holds one, and a running job's owner holds one until the job has finished.
class XuDevice {
  public:
    virtual ~XuDevice() = default;
    virtual Status OpenControl(std::unique_ptr<XuControl>* control) = 0;
    virtual Status OpenTopology(std::unique_ptr<Topology>* topology) = 0;

    // One camera, one job: a job claims its device against every other process before it
    // sends anything and releases it when it is over (an advisory flock on the video node on
    // Linux, a named mutex on Windows). False when another process holds it; *holder then
    // names that process where the platform can tell ("dovrane-cli (pid 4242)").
    virtual bool ClaimForJob(std::string* /*holder*/) { return true; }
    virtual void ReleaseJob() {}
    // Whether another process holds the device for its job: a probe or a version read would
    // break that job, so none is sent.
    virtual bool HeldElsewhere(std::string* /*holder*/) { return false; }
};

// The property bag of one enumerated device: "FriendlyName" and "DevicePath", UTF-8.
class PropertyBag {
  public:
    virtual ~PropertyBag() = default;
    virtual Status Read(const std::string& name, std::string* value) = 0;
};

// One entry of the video-input enumeration (the device moniker).
class DeviceMoniker {
  public:
    virtual ~DeviceMoniker() = default;
    virtual Status OpenPropertyBag(std::unique_ptr<PropertyBag>* bag) = 0;
    virtual Status BindFilter(std::shared_ptr<XuDevice>* device) = 0;
};

// A device-interface arrival or removal, as the window's message hook receives it.
inline constexpr uint32_t kDbtDeviceArrival = 0x8000;
inline constexpr uint32_t kDbtDeviceRemoveComplete = 0x8004;
inline constexpr uint32_t kDbtDevtypDeviceInterface = 5;

struct DeviceChange {
    uint32_t eventCode = 0;   // kDbtDeviceArrival, kDbtDeviceRemoveComplete or another code
    uint32_t deviceType = 0;  // kDbtDevtypDeviceInterface for a device interface
    std::string name;         // the interface's device path, UTF-8
};

// What a platform offers: the video-input enumeration and device-change events.
class DevicePlatform {
  public:
    using ChangeHandler = std::function<void(const DeviceChange&)>;

    virtual ~DevicePlatform() = default;
    // Lists the video-input devices in platform order. A negative status means the
    // enumeration could not start; an empty category answers kSFalse with no monikers.
    virtual Status EnumerateVideoInputs(std::vector<std::shared_ptr<DeviceMoniker>>* monikers) = 0;
    // Delivers arrivals and removals on the thread that called it (the GUI thread). A platform
    // whose events reach the window by other means (WM_DEVICECHANGE) does nothing here.
    virtual void WatchDeviceChanges(ChangeHandler onChange) = 0;
    // Why devices were passed over by the last enumeration ("<device>: <reason>"), for tools
    // that explain an empty list; only backends that can tell say anything.
    virtual std::vector<std::string> SkippedDevices() const { return {}; }

    // For a platform whose device changes reach the window as its own messages
    // (WM_DEVICECHANGE): asks for them to be sent to the window, given by its native handle.
    // False when refused, or when the platform reports changes through WatchDeviceChanges.
    virtual bool ListenOnWindow(void* /*window*/) { return false; }
    // Reads one of the window's native messages as a device change; false for any other.
    virtual bool ReadWindowMessage(const void* /*message*/, DeviceChange* /*change*/) const {
        return false;
    }
};
