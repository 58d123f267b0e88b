#include "device/windows/com_device.h"

#include <cstddef>
#include <cstring>
#include <string>
#include <utility>

#include "device/windows/job_mutex.h"
#include "device/windows/utf16.h"

static_assert(sizeof(KSP_NODE) == sizeof(KsPropertyNode), "KSP_NODE is 32 bytes");
static_assert(offsetof(KSP_NODE, Property.Set) == offsetof(KsPropertyNode, set), "Set");
static_assert(offsetof(KSP_NODE, Property.Id) == offsetof(KsPropertyNode, id), "Id");
static_assert(offsetof(KSP_NODE, Property.Flags) == offsetof(KsPropertyNode, flags), "Flags");
static_assert(offsetof(KSP_NODE, NodeId) == offsetof(KsPropertyNode, nodeId), "NodeId");
static_assert(offsetof(KSP_NODE, Reserved) == offsetof(KsPropertyNode, reserved), "Reserved");
static_assert(sizeof(GUID) == sizeof(Guid), "GUID layout");

namespace {

// Adopts the interface that `call` hands out through its void** argument. A call that claims
// success without an object counts as offering no such interface.
template <typename Interface, typename Call>
Status Obtain(Call call, ComRef<Interface>* out) {
    void* raw = nullptr;
    const Status status = call(&raw);
    out->reset(static_cast<Interface*>(raw));
    if (Failed(status)) {
        return status;
    }
    return *out ? status : kENoInterface;
}

template <typename Interface>
Status Query(IUnknown* from, const IID& iid, ComRef<Interface>* out) {
    return Obtain([&](void** raw) { return from->QueryInterface(iid, raw); }, out);
}

std::wstring WideFromUtf8(const std::string& text) {
    const int length = static_cast<int>(text.size());
    const int wideLength = MultiByteToWideChar(CP_UTF8, 0, text.data(), length, nullptr, 0);
    std::wstring wide(static_cast<size_t>(wideLength), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), length, &wide[0], wideLength);
    return wide;
}

std::string Utf8FromBstr(BSTR text) {
    return text == nullptr ? std::string()
                           : Utf8FromUtf16(std::u16string(text, text + SysStringLen(text)));
}

class ComXuControl final : public XuControl {
  public:
    explicit ComXuControl(ComRef<IKsControl> control) : control_(std::move(control)) {}

    Status KsProperty(const KsPropertyNode& request, void* data, uint32_t length,
                      uint32_t* returned) override {
        KSP_NODE node;
        std::memcpy(&node, &request, sizeof node);
        ULONG bytes = 0;
        const Status status =
            control_->KsProperty(&node.Property, sizeof node, data, length, &bytes);
        if (returned != nullptr) {
            *returned = bytes;
        }
        return status;
    }

  private:
    ComRef<IKsControl> control_;
};

class ComTopology final : public Topology {
  public:
    explicit ComTopology(ComRef<IKsTopologyInfo> topology) : topology_(std::move(topology)) {}

    Status NodeCount(uint32_t* count) override {
        DWORD nodes = 0;
        const Status status = topology_->get_NumNodes(&nodes);
        if (Succeeded(status)) {
            *count = nodes;
        }
        return status;
    }

    Status NodeType(uint32_t node, Guid* type) override {
        GUID nodeType{};
        const Status status = topology_->get_NodeType(node, &nodeType);
        if (Succeeded(status)) {
            std::memcpy(type, &nodeType, sizeof *type);
        }
        return status;
    }

  private:
    ComRef<IKsTopologyInfo> topology_;
};

class ComXuDevice final : public XuDevice {
  public:
    ComXuDevice(ComRef<IBaseFilter> filter, const std::string& devicePath)
        : filter_(std::move(filter)), job_(devicePath) {}

    // Windows cannot tell which process owns a mutex.
    bool ClaimForJob(std::string* holder) override {
        *holder = "another program";
        return job_.Claim();
    }
    void ReleaseJob() override { job_.Release(); }
    bool HeldElsewhere(std::string* holder) override {
        *holder = "another program";
        return job_.HeldElsewhere();
    }

    Status OpenControl(std::unique_ptr<XuControl>* control) override {
        ComRef<IKsControl> ksControl;
        const Status status = Query(filter_.get(), kIidKsControl, &ksControl);
        if (Succeeded(status)) {
            *control = std::make_unique<ComXuControl>(std::move(ksControl));
        }
        return status;
    }

    Status OpenTopology(std::unique_ptr<Topology>* topology) override {
        ComRef<IKsTopologyInfo> info;
        const Status status = Query(filter_.get(), kIidKsTopologyInfo, &info);
        if (Succeeded(status)) {
            *topology = std::make_unique<ComTopology>(std::move(info));
        }
        return status;
    }

  private:
    ComRef<IBaseFilter> filter_;
    JobMutex job_;
};

class ComPropertyBag final : public PropertyBag {
  public:
    explicit ComPropertyBag(ComRef<IPropertyBag> bag) : bag_(std::move(bag)) {}

    // A value that the bag cannot give as a string counts as unreadable.
    Status Read(const std::string& name, std::string* value) override {
        VARIANT variant;
        VariantInit(&variant);
        variant.vt = VT_BSTR;
        Status status = bag_->Read(WideFromUtf8(name).c_str(), &variant, nullptr);
        if (Succeeded(status)) {
            if (variant.vt == VT_BSTR) {
                *value = Utf8FromBstr(variant.bstrVal);
            } else {
                status = kEFail;
            }
        }
        VariantClear(&variant);  // frees the string (SysFreeString)
        return status;
    }

  private:
    ComRef<IPropertyBag> bag_;
};

class ComDeviceMoniker final : public DeviceMoniker {
  public:
    explicit ComDeviceMoniker(ComRef<IMoniker> moniker) : moniker_(std::move(moniker)) {}

    Status OpenPropertyBag(std::unique_ptr<PropertyBag>* bag) override {
        ComRef<IPropertyBag> storage;
        const Status status = Obtain(
            [&](void** raw) {
                return moniker_->BindToStorage(nullptr, nullptr, IID_IPropertyBag, raw);
            },
            &storage);
        if (Succeeded(status)) {
            *bag = std::make_unique<ComPropertyBag>(std::move(storage));
        }
        return status;
    }

    Status BindFilter(std::shared_ptr<XuDevice>* device) override {
        ComRef<IBaseFilter> filter;
        const Status status = Obtain(
            [&](void** raw) {
                return moniker_->BindToObject(nullptr, nullptr, IID_IBaseFilter, raw);
            },
            &filter);
        if (Succeeded(status)) {
            std::unique_ptr<PropertyBag> bag;
            std::string path;
            if (Succeeded(OpenPropertyBag(&bag))) {
                bag->Read("DevicePath", &path);
            }
            *device = WrapFilter(std::move(filter), path);
        }
        return status;
    }

  private:
    ComRef<IMoniker> moniker_;
};

}  // namespace

std::shared_ptr<DeviceMoniker> WrapMoniker(ComRef<IMoniker> moniker) {
    return std::make_shared<ComDeviceMoniker>(std::move(moniker));
}

std::shared_ptr<XuDevice> WrapFilter(ComRef<IBaseFilter> filter, const std::string& devicePath) {
    return std::make_shared<ComXuDevice>(std::move(filter), devicePath);
}
