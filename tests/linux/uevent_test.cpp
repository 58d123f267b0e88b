#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "device/linux/uevent.h"

namespace {

using namespace std::string_literals;

const std::string kVideoPath =
    "/devices/pci0000:00/0000:00:14.0/usb1/1-1/1-1:1.0/video4linux/video0";

struct UeventCase {
    const char* name;
    std::string message;  // may hold 0 bytes
    bool parses;
    const char* action;
    const char* subsystem;
};

class KernelUevent : public ::testing::TestWithParam<UeventCase> {};

}  // namespace

TEST_P(KernelUevent, ParsesOnlyConsistentKernelMessages) {
    const UeventCase& c = GetParam();
    // An allocation of exactly the message's size, so reading past it is caught.
    std::unique_ptr<char[]> exact(new char[c.message.size()]);
    std::copy(c.message.begin(), c.message.end(), exact.get());
    const std::optional<UEvent> event = ParseKernelUevent(exact.get(), c.message.size());
    ASSERT_EQ(event.has_value(), c.parses);
    if (event) {
        EXPECT_EQ(event->action, c.action);
        EXPECT_EQ(event->subsystem, c.subsystem);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Messages, KernelUevent,
    ::testing::Values(
        UeventCase{"VideoAdd",
                   "add@" + kVideoPath + "\0ACTION=add\0DEVPATH="s + kVideoPath +
                       "\0SUBSYSTEM=video4linux\0MAJOR=81\0MINOR=0\0DEVNAME=video0\0SEQNUM=4711\0"s,
                   true, "add", "video4linux"},
        UeventCase{"VideoRemoveWithoutFinalZero",
                   "remove@" + kVideoPath + "\0ACTION=remove\0DEVPATH="s + kVideoPath +
                       "\0SUBSYSTEM=video4linux\0MAJOR=81\0MINOR=0\0DEVNAME=video0"s,
                   true, "remove", "video4linux"},
        UeventCase{"UsbInterfaceBind",
                   "bind@/devices/pci0000:00/0000:00:14.0/usb1/1-1/1-1:1.0\0ACTION=bind\0"
                   "DEVPATH=/devices/pci0000:00/0000:00:14.0/usb1/1-1/1-1:1.0\0SUBSYSTEM=usb\0"
                   "DEVTYPE=usb_interface\0DRIVER=uvcvideo\0PRODUCT=1d6b/102/100\0"
                   "INTERFACE=14/1/0\0MODALIAS=usb:v1D6Bp0102d0100dcEFdsc02dp01ic0Eisc01ip00in00\0"
                   "SEQNUM=4712\0"s,
                   true, "bind", "usb"},
        UeventCase{"HeaderDisagreesWithDevpath",
                   "add@/devices/virtual/other\0ACTION=add\0DEVPATH="s + kVideoPath +
                       "\0SUBSYSTEM=video4linux\0"s,
                   false, "", ""},
        UeventCase{"HeaderDisagreesWithAction",
                   "remove@" + kVideoPath + "\0ACTION=add\0DEVPATH="s + kVideoPath +
                       "\0SUBSYSTEM=video4linux\0"s,
                   false, "", ""},
        UeventCase{"UdevsOwnMessage",
                   "libudev\0\xfe\xed\xca\xfe\x28\0\0\0ACTION=add\0DEVPATH="s + kVideoPath +
                       "\0SUBSYSTEM=video4linux\0"s,
                   false, "", ""},
        UeventCase{"NoSubsystem",
                   "add@" + kVideoPath + "\0ACTION=add\0DEVPATH="s + kVideoPath + "\0"s, false, "",
                   ""},
        UeventCase{"HeaderOnly", "add@" + kVideoPath, false, "", ""},
        UeventCase{"Empty", "", false, "", ""}, UeventCase{"Zeros", "\0\0\0\0"s, false, "", ""}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(KernelUevent, KeepsEveryPropertyAndValuesWithEqualsSigns) {
    const std::string message =
        "change@/devices/virtual/misc/x\0ACTION=change\0"
        "DEVPATH=/devices/virtual/misc/x\0SUBSYSTEM=misc\0"
        "NOEQUALS\0=nokey\0RESULT=a=b\0"s;
    const std::optional<UEvent> event = ParseKernelUevent(message.data(), message.size());
    ASSERT_TRUE(event);
    EXPECT_EQ(event->devPath, "/devices/virtual/misc/x");
    EXPECT_EQ(event->Property("RESULT"), "a=b");
    EXPECT_EQ(event->properties.size(), 4u);
    EXPECT_EQ(event->Property("NOEQUALS"), "");
}
