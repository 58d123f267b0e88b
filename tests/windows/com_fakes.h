#pragma once

// Hand-written COM objects standing in for DirectShow and kernel streaming. Every fake counts
// its references: the test owns each fake and holds the first reference, so a count back at 1
// means every reference handed out came back, and below 1 means one was released twice. Only
// the methods the backend calls do anything; the rest answer E_NOTIMPL.

#include <array>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "device/windows/win_sdk.h"

// The ids as documented, written out here rather than taken from the backend.
inline constexpr GUID kDocIidKsControl = {
    0x28F54685, 0x06FD, 0x11D2, {0xB2, 0x7A, 0x00, 0xA0, 0xC9, 0x22, 0x31, 0x96}};
inline constexpr GUID kDocIidKsTopologyInfo = {
    0x720D4AC0, 0x7533, 0x11D0, {0xA5, 0xD6, 0x28, 0xDB, 0x04, 0xC1, 0x00, 0x00}};
inline constexpr GUID kDocIidPropertyBag = {
    0x55272A00, 0x42CB, 0x11CE, {0x81, 0x35, 0x00, 0xAA, 0x00, 0x4B, 0xB8, 0x51}};
inline constexpr GUID kDocIidBaseFilter = {
    0x56A86895, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
inline constexpr GUID kDocVideoInputCategory = {
    0x860BB310, 0x5D01, 0x11D0, {0xBD, 0x3B, 0x00, 0xA0, 0xC9, 0x11, 0xCE, 0x86}};
inline constexpr GUID kDocNodeTypeDevSpecific = {
    0x941C7AC0, 0xC559, 0x11D0, {0x8A, 0x2B, 0x00, 0xA0, 0xC9, 0x25, 0x5A, 0xC1}};
inline constexpr GUID kOtherNodeType = {
    0xDFF229E1, 0xF70F, 0x11D0, {0xB9, 0x17, 0x00, 0xA0, 0xC9, 0x22, 0x31, 0x96}};

// COM interfaces have no virtual destructor: an object ends through Release, never through
// delete on an interface pointer (and the fakes are owned by value).
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
#endif
template <typename Interface>
class Fake : public Interface {
  public:
    Fake() = default;
    Fake(const Fake&) = delete;
    Fake& operator=(const Fake&) = delete;
    virtual ~Fake() = default;

    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--refs); }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override {
        *out = nullptr;
        return E_NOINTERFACE;
    }

    // A new reference, as a COM call hands one out.
    Interface* NewRef() {
        AddRef();
        return this;
    }

    long refs = 1;
};
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

struct KsCall {
    std::array<uint8_t, 32> record;  // the KSP_NODE as passed
    ULONG propertyLength;
    const void* data;
    ULONG dataLength;
    ULONG returnedOnEntry;
};

// A control channel that records every request. The handshake's selector-2 read answers 0x78
// on the nodes listed; a size query answers sizeAnswer with controlSize bytes.
class FakeKsControl final : public Fake<IKsControl> {
  public:
    std::vector<KsCall> calls;
    std::set<ULONG> answeringNodes;
    ULONG controlSize = 64;
    HRESULT sizeAnswer = static_cast<HRESULT>(0x800700EAu);  // ERROR_MORE_DATA
    HRESULT dataAnswer = S_OK;

    HRESULT STDMETHODCALLTYPE KsProperty(PKSPROPERTY property, ULONG propertyLength, void* data,
                                         ULONG dataLength, ULONG* returned) override;
    HRESULT STDMETHODCALLTYPE KsMethod(PKSMETHOD, ULONG, void*, ULONG, ULONG*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE KsEvent(PKSEVENT, ULONG, void*, ULONG, ULONG*) override {
        return E_NOTIMPL;
    }
};

class FakeTopology final : public Fake<IKsTopologyInfo> {
  public:
    std::vector<GUID> nodeTypes;
    HRESULT countAnswer = S_OK;
    std::set<DWORD> unreadableNodes;

    HRESULT STDMETHODCALLTYPE get_NumNodes(DWORD* count) override;
    HRESULT STDMETHODCALLTYPE get_NodeType(DWORD node, GUID* type) override;
    HRESULT STDMETHODCALLTYPE get_NumCategories(DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Category(DWORD, GUID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_NumConnections(DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_ConnectionInfo(DWORD, KSTOPOLOGY_CONNECTION*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE get_NodeName(DWORD, WCHAR*, DWORD, DWORD*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE CreateNodeInstance(DWORD, REFIID, void**) override {
        return E_NOTIMPL;
    }
};

// A capture filter: hands out its control and topology when they are set.
class FakeFilter final : public Fake<IBaseFilter> {
  public:
    FakeKsControl* control = nullptr;
    FakeTopology* topology = nullptr;
    HRESULT controlRefusal = E_NOINTERFACE;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Stop() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Pause() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Run(REFERENCE_TIME) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetState(DWORD, FILTER_STATE*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetSyncSource(IReferenceClock*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetSyncSource(IReferenceClock**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumPins(IEnumPins**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE FindPin(LPCWSTR, IPin**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryFilterInfo(FILTER_INFO*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE JoinFilterGraph(IFilterGraph*, LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryVendorInfo(LPWSTR*) override { return E_NOTIMPL; }
};

// Properties as strings; a name in nonStrings reads as a number instead.
class FakePropertyBag final : public Fake<IPropertyBag> {
  public:
    std::map<std::wstring, std::wstring> strings;
    std::set<std::wstring> nonStrings;
    bool errorLogPassed = false;

    HRESULT STDMETHODCALLTYPE Read(LPCOLESTR name, VARIANT* value, IErrorLog* errorLog) override;
    HRESULT STDMETHODCALLTYPE Write(LPCOLESTR, VARIANT*) override { return E_NOTIMPL; }
};

class FakeMoniker final : public Fake<IMoniker> {
  public:
    FakePropertyBag* bag = nullptr;
    FakeFilter* filter = nullptr;
    int filterBinds = 0;

    HRESULT STDMETHODCALLTYPE BindToStorage(IBindCtx* context, IMoniker* left, REFIID iid,
                                            void** out) override;
    HRESULT STDMETHODCALLTYPE BindToObject(IBindCtx* context, IMoniker* left, REFIID iid,
                                           void** out) override;
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE IsDirty() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Load(IStream*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Save(IStream*, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetSizeMax(ULARGE_INTEGER*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reduce(IBindCtx*, DWORD, IMoniker**, IMoniker**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE ComposeWith(IMoniker*, BOOL, IMoniker**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Enum(BOOL, IEnumMoniker**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE IsEqual(IMoniker*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Hash(DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE IsRunning(IBindCtx*, IMoniker*, IMoniker*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetTimeOfLastChange(IBindCtx*, IMoniker*, FILETIME*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Inverse(IMoniker**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CommonPrefixWith(IMoniker*, IMoniker**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE RelativePathTo(IMoniker*, IMoniker**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetDisplayName(IBindCtx*, IMoniker*, LPOLESTR*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE ParseDisplayName(IBindCtx*, IMoniker*, LPOLESTR, ULONG*,
                                               IMoniker**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE IsSystemMoniker(DWORD*) override { return E_NOTIMPL; }
};

class FakeEnumMoniker final : public Fake<IEnumMoniker> {
  public:
    std::vector<FakeMoniker*> monikers;
    size_t position = 0;
    int resets = 0;

    HRESULT STDMETHODCALLTYPE Next(ULONG count, IMoniker** out, ULONG* fetched) override;
    HRESULT STDMETHODCALLTYPE Reset() override;
    HRESULT STDMETHODCALLTYPE Skip(ULONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Clone(IEnumMoniker**) override { return E_NOTIMPL; }
};

// Answers `answer`; hands out its enumerator only on S_OK (an empty category gives S_FALSE and
// no enumerator).
class FakeDevEnum final : public Fake<ICreateDevEnum> {
  public:
    FakeEnumMoniker* enumerator = nullptr;
    HRESULT answer = S_OK;
    std::vector<GUID> categories;
    std::vector<DWORD> flags;

    HRESULT STDMETHODCALLTYPE CreateClassEnumerator(REFCLSID category, IEnumMoniker** out,
                                                    DWORD flag) override;
};

// One video device: moniker, property bag, filter, topology and control, wired together.
struct FakeDevice {
    FakeDevice(const std::wstring& friendlyName, const std::wstring& devicePath);

    // A vendor-specific node at `node` (the nodes before it are of another type) that answers
    // the handshake.
    void AddExtensionUnitAt(ULONG node);
    // Every reference handed out has come back, and none twice.
    bool AllReleased() const;

    FakeKsControl control;
    FakeTopology topology;
    FakeFilter filter;
    FakePropertyBag bag;
    FakeMoniker moniker;
};
