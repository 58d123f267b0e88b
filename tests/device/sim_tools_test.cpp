#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "device/platforms.h"
#include "device/sim/sim_faults.h"
#include "device/sim/sim_trace.h"
#include "device/sim/sim_xu_protocol.h"

namespace {

TEST(SimTrafficLine, WritesEveryRequestOnOneLine) {
    SimXuModel model;
    const uint8_t reset = kSimReset;
    const uint8_t init = kSimInitialise;
    uint32_t size = 0;
    model.Set(4, kCtlInit, &reset, 1);  // refused: not initialised yet
    model.Set(4, kCtlInit, &init, 1);
    model.GetLen(4, kCtlData, &size);
    const std::vector<SimTraffic> traffic = model.Traffic();
    ASSERT_EQ(traffic.size(), 3u);
    EXPECT_EQ(SimTrafficLine(traffic[0]), "set node=4 sel=1 len=1 status=0x8007001f data=76");
    EXPECT_EQ(SimTrafficLine(traffic[1]), "set node=4 sel=1 len=1 status=0x00000000 data=aa");
    EXPECT_EQ(SimTrafficLine(traffic[2]), "len node=4 sel=6 len=0 status=0x00000000 size=32");
}

TEST(SimFault, EveryListedNameParsesAndNoOtherDoes) {
    EXPECT_EQ(SimFaultNames(), (std::vector<std::string>{"handshake", "write", "verify", "gone",
                                                         "stale", "no-return", "pulled", "held"}));
    for (const std::string& name : SimFaultNames()) {
        const std::optional<SimFault> fault = ParseSimFault(name);
        ASSERT_TRUE(fault) << name;
        EXPECT_NE(*fault, SimFault::kNone) << name;
    }
    EXPECT_EQ(ParseSimFault(""), SimFault::kNone);
    EXPECT_FALSE(ParseSimFault("Write"));
    EXPECT_FALSE(ParseSimFault("stall"));
}

TEST(SimFault, GoneLeavesNoCameraAndTheOthersBothDemoCameras) {
    std::vector<std::shared_ptr<SimCamera>> cameras;
    std::vector<std::shared_ptr<DeviceMoniker>> monikers;
    EXPECT_EQ(CreatePlatform(PlatformKind::kSimulated, {2, SimFault::kGone, -1, {}, {}, &cameras})
                  ->EnumerateVideoInputs(&monikers),
              kSFalse);
    EXPECT_TRUE(cameras.empty());
    EXPECT_EQ(CreatePlatform(PlatformKind::kSimulated, {2, SimFault::kWrite, -1, {}, {}, &cameras})
                  ->EnumerateVideoInputs(&monikers),
              kSOk);
    EXPECT_EQ(cameras.size(), 2u);
    EXPECT_EQ(monikers.size(), 2u);
}

// A longer line alternates the two kinds, each camera with a path of its own; a camera that is
// gone leaves a gap in the line, not the line's end.
TEST(SimFault, LineOfCamerasAlternatesKindsAndLeavesOutTheGoneOne) {
    std::vector<std::shared_ptr<SimCamera>> cameras;
    std::vector<std::shared_ptr<DeviceMoniker>> monikers;
    ASSERT_EQ(CreatePlatform(PlatformKind::kSimulated, {5, SimFault::kGone, 1, {}, {}, &cameras})
                  ->EnumerateVideoInputs(&monikers),
              kSOk);
    ASSERT_EQ(monikers.size(), 4u);
    std::vector<std::string> names;
    std::set<std::string> paths;
    for (const std::shared_ptr<DeviceMoniker>& moniker : monikers) {
        std::unique_ptr<PropertyBag> bag;
        ASSERT_EQ(moniker->OpenPropertyBag(&bag), kSOk);
        std::string name;
        std::string path;
        bag->Read("FriendlyName", &name);
        bag->Read("DevicePath", &path);
        names.push_back(name);
        paths.insert(path);
    }
    EXPECT_EQ(names,
              (std::vector<std::string>{"Dovrane Sim Camera", "Dovrane Sim Camera 3",
                                        "Dovrane Sim Boot Camera 4", "Dovrane Sim Camera 5"}));
    EXPECT_EQ(paths.size(), 4u);
}

}  // namespace
