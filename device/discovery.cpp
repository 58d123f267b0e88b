#include "device/discovery.h"

#include <vector>

#include "device/ascii.h"
#include "device/command_set.h"

namespace {

// The 17 characters from the first "VID" (VID_ABCD&PID_1234), else the whole path.
std::string VendorProductText(const std::string& devicePath) {
    const std::string upper = AsciiUpper(devicePath);
    const size_t at = upper.find("VID");
    return at == std::string::npos ? upper : upper.substr(at, 17);
}

bool Accept(DeviceMoniker& moniker, std::shared_ptr<XuDevice>* filter, uint32_t* node) {
    std::unique_ptr<PropertyBag> bag;
    if (Failed(moniker.OpenPropertyBag(&bag)) || !bag) {
        return false;
    }
    std::string path;
    if (Failed(bag->Read("DevicePath", &path))) {
        return false;
    }
    if (Failed(moniker.BindFilter(filter)) || !*filter) {
        return false;
    }
    // The probe's initialise would abort another program's job on the camera.
    std::string holder;
    if ((*filter)->HeldElsewhere(&holder)) {
        return false;
    }
    return Succeeded(FindXuNode(filter->get(), node));
}

}  // namespace

int EnumVideoDevices(DevicePlatform& platform, MonikerTable& monikers, FilterTable& filters,
                     NodeIdTable& nodeIds) {
    std::vector<std::shared_ptr<DeviceMoniker>> found;
    if (platform.EnumerateVideoInputs(&found) != kSOk || found.empty()) {
        return -1;
    }
    int count = 0;
    for (const std::shared_ptr<DeviceMoniker>& moniker : found) {
        if (count == kDeviceTableSlots) {
            break;  // the table is full: later devices are not probed at all
        }
        std::shared_ptr<XuDevice> filter;
        uint32_t node = 0;
        if (!moniker || !Accept(*moniker, &filter, &node)) {
            continue;
        }
        monikers[count] = moniker;
        filters[count] = std::move(filter);
        nodeIds[count] = node;
        ++count;
    }
    return count;
}

Status FindXuNode(XuDevice* filter, uint32_t* node) {
    std::unique_ptr<Topology> topology;
    Status status = filter->OpenTopology(&topology);
    if (Failed(status)) {
        return status;
    }
    uint32_t count = 0;
    status = topology->NodeCount(&count);
    if (Failed(status)) {
        return status;
    }
    if (count == 0) {
        return kEFail;
    }
    Status result = kEFail;
    for (uint32_t i = 0; i < count; ++i) {
        Guid type{};
        if (Failed(topology->NodeType(i, &type)) || type != kNodeTypeDevSpecific) {
            result = kEFail;  // the failing probe's status counts only when it was the last node
            continue;
        }
        result = ProbeXuNode(filter, i);
        if (Succeeded(result)) {
            *node = i;
            return result;
        }
    }
    return result;
}

Status ProbeXuNode(XuDevice* filter, uint32_t node) {
    if (filter == nullptr) {
        return kEFail;
    }
    const NodeAddress at = NodeAddress::Id(node);
    Status status = DevInit(filter, at);
    if (Failed(status)) {
        return status;
    }
    status = DevHandshake(filter, at);
    if (Failed(status)) {
        return status;
    }
    uint16_t version = 0;
    return DevReadVersion(filter, at, &version);
}

bool GetDeviceLabel(DeviceMoniker* moniker, std::string* label) {
    std::unique_ptr<PropertyBag> bag;
    if (moniker == nullptr || Failed(moniker->OpenPropertyBag(&bag)) || !bag) {
        return false;
    }
    std::string name;
    std::string text = bag->Read("FriendlyName", &name) == kSOk ? name : std::string();
    std::string path;
    if (bag->Read("DevicePath", &path) == kSOk) {
        text += "    " + VendorProductText(path);
    }
    *label = text;
    return true;
}
