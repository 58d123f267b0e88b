#include <gtest/gtest.h>

#include <thread>

#include "device/discovery.h"
#include "device/windows/com_apartment.h"
#include "device/windows/win_sdk.h"
#include "device/windows/windows_platform.h"

namespace {

// On a machine without extension-unit cameras (wine has no video-input devices at all) the
// real enumeration runs and the table stays empty.
TEST(NativeDiscovery, WithoutCamerasTheTableStaysEmpty) {
    ComApartment apartment;
    ASSERT_TRUE(Succeeded(apartment.JoinStatus()));
    const std::unique_ptr<DevicePlatform> platform = CreateWindowsPlatform();
    MonikerTable monikers;
    FilterTable filters;
    NodeIdTable nodeIds{};
    EXPECT_LE(EnumVideoDevices(*platform, monikers, filters, nodeIds), 0);
    EXPECT_FALSE(monikers[0]);
    EXPECT_FALSE(filters[0]);
}

// Whether the thread is still in a COM apartment, without changing that.
bool StillInitialized(DWORD model) {
    const HRESULT status = CoInitializeEx(nullptr, model);
    if (status >= 0) {
        CoUninitialize();
    }
    return status == S_FALSE;
}

TEST(ComApartmentTest, NestedJoinLeavesTheOuterOneInPlace) {
    ComApartment outer;
    ASSERT_EQ(outer.JoinStatus(), kSOk);
    {
        ComApartment inner;
        EXPECT_EQ(inner.JoinStatus(), kSFalse);
    }
    EXPECT_TRUE(StillInitialized(COINIT_APARTMENTTHREADED));
}

TEST(ComApartmentTest, FailedJoinDoesNotLeaveTheThreadsApartment) {
    Status joined = kSOk;
    bool stillInitialized = false;
    std::thread thread([&] {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        {
            ComApartment apartment;
            joined = apartment.JoinStatus();
        }
        stillInitialized = StillInitialized(COINIT_MULTITHREADED);
        CoUninitialize();
    });
    thread.join();
    EXPECT_EQ(joined, static_cast<Status>(0x80010106u));  // RPC_E_CHANGED_MODE
    EXPECT_TRUE(stillInitialized);
}

}  // namespace
