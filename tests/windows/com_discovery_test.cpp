#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "device/discovery.h"
#include "device/windows/windows_platform.h"
#include "tests/windows/com_fakes.h"

namespace {

const wchar_t* const kPath =
    L"\\\\?\\usb#vid_1d6b&pid_0102&mi_00#7&1&0&0000#"
    L"{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global";

// The system device enumerator with its video-input category, and the device table filled
// from it. The table is declared last so it lets go of its references before the fakes go.
class ComDiscovery : public ::testing::Test {
  protected:
    ComDiscovery() { devEnum.enumerator = &enumerator; }

    FakeDevice& AddDevice(const std::wstring& name = L"Cam", ULONG xuNode = 2) {
        devices.push_back(std::make_unique<FakeDevice>(name, kPath));
        devices.back()->AddExtensionUnitAt(xuNode);
        enumerator.monikers.push_back(&devices.back()->moniker);
        return *devices.back();
    }

    int Enumerate() {
        WindowsPlatform platform([this](ICreateDevEnum** out) {
            *out = devEnum.NewRef();
            return kSOk;
        });
        return EnumVideoDevices(platform, monikers, filters, nodeIds);
    }

    void ClearTable() {
        for (int slot = 0; slot < kDeviceTableSlots; ++slot) {
            monikers[slot].reset();
            filters[slot].reset();
        }
    }

    bool EnumeratorsReleased() const { return devEnum.refs == 1 && enumerator.refs == 1; }

    FakeDevEnum devEnum;
    FakeEnumMoniker enumerator;
    std::vector<std::unique_ptr<FakeDevice>> devices;
    MonikerTable monikers;
    FilterTable filters;
    NodeIdTable nodeIds{};
};

TEST_F(ComDiscovery, TableHoldsOneReferenceToEachAcceptedMonikerAndFilterAndNothingElse) {
    FakeDevice& first = AddDevice(L"Cam A", 3);
    FakeDevice& refusing = AddDevice(L"Refusing", 1);
    refusing.control.answeringNodes.clear();
    FakeDevice& second = AddDevice(L"Cam B", 0);

    ASSERT_EQ(Enumerate(), 2);
    EXPECT_EQ(nodeIds[0], 3u);
    EXPECT_EQ(nodeIds[1], 0u);
    std::string label;
    ASSERT_TRUE(GetDeviceLabel(monikers[1].get(), &label));
    EXPECT_EQ(label, "Cam B    VID_1D6B&PID_0102");

    // The video-input category, flags 0, walked from its start.
    ASSERT_EQ(devEnum.categories.size(), 1u);
    EXPECT_TRUE(devEnum.categories[0] == kDocVideoInputCategory);
    EXPECT_EQ(devEnum.flags[0], 0u);
    EXPECT_EQ(enumerator.resets, 1);
    EXPECT_FALSE(first.bag.errorLogPassed);

    EXPECT_TRUE(EnumeratorsReleased());
    EXPECT_TRUE(refusing.AllReleased());
    for (FakeDevice* accepted : {&first, &second}) {
        EXPECT_EQ(accepted->moniker.refs, 2);
        EXPECT_EQ(accepted->filter.refs, 2);
        EXPECT_EQ(accepted->bag.refs, 1);
        EXPECT_EQ(accepted->topology.refs, 1);
        EXPECT_EQ(accepted->control.refs, 1);
    }

    ClearTable();
    for (const auto& device : devices) {
        EXPECT_TRUE(device->AllReleased());
    }
}

TEST_F(ComDiscovery, RunningJobKeepsItsFilterAcrossARefresh) {
    FakeDevice& device = AddDevice();
    ASSERT_EQ(Enumerate(), 1);
    std::shared_ptr<XuDevice> jobDevice = filters[0];

    ClearTable();
    EXPECT_EQ(device.moniker.refs, 1);
    EXPECT_EQ(device.filter.refs, 2);
    jobDevice.reset();
    EXPECT_TRUE(device.AllReleased());
}

TEST_F(ComDiscovery, EleventhDeviceIsReleasedWithoutBeingBound) {
    for (int i = 0; i < kDeviceTableSlots + 1; ++i) {
        AddDevice();
    }
    ASSERT_EQ(Enumerate(), kDeviceTableSlots);
    EXPECT_EQ(devices.back()->moniker.filterBinds, 0);
    EXPECT_TRUE(devices.back()->AllReleased());
    ClearTable();
    EXPECT_TRUE(EnumeratorsReleased());
}

TEST_F(ComDiscovery, LabelsCarryPropertyStringsAsUtf8) {
    AddDevice(L"USB \u6444\u50cf\u5934");
    FakeDevice& noName = AddDevice();
    noName.bag.nonStrings.insert(L"FriendlyName");
    ASSERT_EQ(Enumerate(), 2);

    std::string label;
    ASSERT_TRUE(GetDeviceLabel(monikers[0].get(), &label));
    EXPECT_EQ(label, u8"USB \u6444\u50cf\u5934    VID_1D6B&PID_0102");
    ASSERT_TRUE(GetDeviceLabel(monikers[1].get(), &label));
    EXPECT_EQ(label, "    VID_1D6B&PID_0102");
}

struct RejectCase {
    const char* name;
    std::function<void(FakeDevice&)> breakIt;
};

class ComDiscoveryRejects : public ComDiscovery,
                            public ::testing::WithParamInterface<RejectCase> {};

TEST_P(ComDiscoveryRejects, DeviceIsSkippedAndEveryReferenceReturned) {
    FakeDevice& broken = AddDevice(L"Broken");
    GetParam().breakIt(broken);
    AddDevice(L"Good", 4);

    ASSERT_EQ(Enumerate(), 1);
    EXPECT_EQ(nodeIds[0], 4u);
    EXPECT_TRUE(broken.AllReleased());
    ClearTable();
    EXPECT_TRUE(EnumeratorsReleased());
    EXPECT_TRUE(devices.back()->AllReleased());
}

INSTANTIATE_TEST_SUITE_P(
    EachAcceptanceStep, ComDiscoveryRejects,
    ::testing::Values(
        RejectCase{"NoPropertyBag", [](FakeDevice& d) { d.moniker.bag = nullptr; }},
        RejectCase{"NoDevicePath", [](FakeDevice& d) { d.bag.strings.erase(L"DevicePath"); }},
        RejectCase{"DevicePathNotAString",
                   [](FakeDevice& d) { d.bag.nonStrings.insert(L"DevicePath"); }},
        RejectCase{"FilterCannotBeBound", [](FakeDevice& d) { d.moniker.filter = nullptr; }},
        RejectCase{"NoTopology", [](FakeDevice& d) { d.filter.topology = nullptr; }},
        RejectCase{"NodeCountFails", [](FakeDevice& d) { d.topology.countAnswer = E_FAIL; }},
        RejectCase{"NoNodes", [](FakeDevice& d) { d.topology.nodeTypes.clear(); }},
        RejectCase{"NoVendorNode",
                   [](FakeDevice& d) { d.topology.nodeTypes.assign(3, kOtherNodeType); }},
        RejectCase{"VendorNodeTypeUnreadable",
                   [](FakeDevice& d) { d.topology.unreadableNodes.insert(2); }},
        RejectCase{"NoPropertyChannel", [](FakeDevice& d) { d.filter.control = nullptr; }},
        RejectCase{"HandshakeRefused", [](FakeDevice& d) { d.control.answeringNodes.clear(); }},
        RejectCase{"RequestsFail", [](FakeDevice& d) { d.control.dataAnswer = E_FAIL; }}),
    [](const ::testing::TestParamInfo<RejectCase>& each) { return each.param.name; });

struct StartCase {
    const char* name;
    Status factoryStatus;
    bool factoryGivesEnumerator;
    HRESULT categoryAnswer;
    bool categoryHasDevices;
    Status expectedStatus;  // of EnumerateVideoInputs
};

class ComDiscoveryStart : public ComDiscovery, public ::testing::WithParamInterface<StartCase> {};

// However the enumeration ends before the first device, the table stays as it was and every
// enumerator goes back.
TEST_P(ComDiscoveryStart, NothingEntersTheTable) {
    const StartCase& c = GetParam();
    if (c.categoryHasDevices) {
        AddDevice();
    }
    devEnum.answer = c.categoryAnswer;
    WindowsPlatform platform([&](ICreateDevEnum** out) {
        *out = c.factoryGivesEnumerator ? devEnum.NewRef() : nullptr;
        return c.factoryStatus;
    });
    std::vector<std::shared_ptr<DeviceMoniker>> found;
    EXPECT_EQ(platform.EnumerateVideoInputs(&found), c.expectedStatus);
    EXPECT_TRUE(found.empty());

    nodeIds[0] = 77;
    EXPECT_LE(EnumVideoDevices(platform, monikers, filters, nodeIds), 0);
    EXPECT_FALSE(monikers[0]);
    EXPECT_FALSE(filters[0]);
    EXPECT_EQ(nodeIds[0], 77u);
    EXPECT_TRUE(EnumeratorsReleased());
}

constexpr Status kClassNotRegistered = static_cast<Status>(0x80040154u);

INSTANTIATE_TEST_SUITE_P(
    Cases, ComDiscoveryStart,
    ::testing::Values(
        StartCase{"NoSystemDeviceEnumerator", kClassNotRegistered, false, S_OK, true,
                  kClassNotRegistered},
        StartCase{"EnumeratorClaimedButMissing", kSOk, false, S_OK, true, kENoInterface},
        StartCase{"CategoryCannotBeEnumerated", kSOk, true, E_OUTOFMEMORY, true, kEOutOfMemory},
        StartCase{"EmptyCategory", kSOk, true, S_FALSE, false, kSFalse},
        StartCase{"CategoryWithoutMonikers", kSOk, true, S_OK, false, kSOk}),
    [](const ::testing::TestParamInfo<StartCase>& each) { return each.param.name; });

}  // namespace
