#include "tests/windows/com_fakes.h"

#include <cstring>

HRESULT FakeKsControl::KsProperty(PKSPROPERTY property, ULONG propertyLength, void* data,
                                  ULONG dataLength, ULONG* returned) {
    KsCall call{};
    std::memcpy(call.record.data(), property, call.record.size());
    call.propertyLength = propertyLength;
    call.data = data;
    call.dataLength = dataLength;
    call.returnedOnEntry = *returned;
    calls.push_back(call);

    const bool get = (property->Flags & KSPROPERTY_TYPE_GET) != 0;
    if (get && data == nullptr && dataLength == 0) {
        *returned = controlSize;
        return sizeAnswer;
    }
    ULONG node = 0;
    std::memcpy(&node, call.record.data() + 24, sizeof node);
    if (get && property->Id == 2 && dataLength >= 1 && answeringNodes.count(node) != 0) {
        static_cast<uint8_t*>(data)[0] = 0x78;
    }
    *returned = dataLength;
    return dataAnswer;
}

HRESULT FakeTopology::get_NumNodes(DWORD* count) {
    if (countAnswer < 0) {
        return countAnswer;
    }
    *count = static_cast<DWORD>(nodeTypes.size());
    return countAnswer;
}

HRESULT FakeTopology::get_NodeType(DWORD node, GUID* type) {
    if (node >= nodeTypes.size() || unreadableNodes.count(node) != 0) {
        return E_INVALIDARG;
    }
    *type = nodeTypes[node];
    return S_OK;
}

HRESULT FakeFilter::QueryInterface(REFIID iid, void** out) {
    *out = nullptr;
    if (iid == kDocIidKsControl) {
        if (control == nullptr) {
            return controlRefusal;
        }
        *out = control->NewRef();
        return S_OK;
    }
    if (iid == kDocIidKsTopologyInfo && topology != nullptr) {
        *out = topology->NewRef();
        return S_OK;
    }
    return E_NOINTERFACE;
}

HRESULT FakePropertyBag::Read(LPCOLESTR name, VARIANT* value, IErrorLog* errorLog) {
    errorLogPassed = errorLogPassed || errorLog != nullptr;
    if (nonStrings.count(name) != 0) {
        value->vt = VT_I4;
        value->lVal = 7;
        return S_OK;
    }
    const auto found = strings.find(name);
    if (found == strings.end() || value->vt != VT_BSTR) {
        return E_FAIL;
    }
    value->bstrVal = SysAllocString(found->second.c_str());
    return S_OK;
}

HRESULT FakeMoniker::BindToStorage(IBindCtx* context, IMoniker* left, REFIID iid, void** out) {
    *out = nullptr;
    if (context != nullptr || left != nullptr || iid != kDocIidPropertyBag || bag == nullptr) {
        return E_FAIL;
    }
    *out = bag->NewRef();
    return S_OK;
}

HRESULT FakeMoniker::BindToObject(IBindCtx* context, IMoniker* left, REFIID iid, void** out) {
    *out = nullptr;
    ++filterBinds;
    if (context != nullptr || left != nullptr || iid != kDocIidBaseFilter || filter == nullptr) {
        return E_FAIL;
    }
    *out = filter->NewRef();
    return S_OK;
}

HRESULT FakeEnumMoniker::Next(ULONG count, IMoniker** out, ULONG* fetched) {
    if (count != 1 || position >= monikers.size()) {
        *out = nullptr;
        return S_FALSE;
    }
    *out = monikers[position++]->NewRef();
    if (fetched != nullptr) {
        *fetched = 1;
    }
    return S_OK;
}

HRESULT FakeEnumMoniker::Reset() {
    ++resets;
    position = 0;
    return S_OK;
}

HRESULT FakeDevEnum::CreateClassEnumerator(REFCLSID category, IEnumMoniker** out, DWORD flag) {
    categories.push_back(category);
    flags.push_back(flag);
    *out = answer == S_OK && enumerator != nullptr ? enumerator->NewRef() : nullptr;
    return answer;
}

FakeDevice::FakeDevice(const std::wstring& friendlyName, const std::wstring& devicePath) {
    bag.strings[L"FriendlyName"] = friendlyName;
    bag.strings[L"DevicePath"] = devicePath;
    filter.control = &control;
    filter.topology = &topology;
    moniker.bag = &bag;
    moniker.filter = &filter;
}

void FakeDevice::AddExtensionUnitAt(ULONG node) {
    if (topology.nodeTypes.size() <= node) {
        topology.nodeTypes.resize(node + 1, kOtherNodeType);
    }
    topology.nodeTypes[node] = kDocNodeTypeDevSpecific;
    control.answeringNodes.insert(node);
}

bool FakeDevice::AllReleased() const {
    return control.refs == 1 && topology.refs == 1 && filter.refs == 1 && bag.refs == 1 &&
           moniker.refs == 1;
}
