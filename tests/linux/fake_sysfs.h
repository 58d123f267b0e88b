#pragma once

// A sysfs tree in a temporary directory, laid out as the kernel lays out USB cameras:
// class/video4linux/videoN links to the node's directory below its USB interface, whose
// parent is the USB device. Also udev's database beside it. Removed on destruction.

#include <cstdint>
#include <filesystem>
#include <string>

#include "device/linux/video_nodes.h"
#include "tests/linux/descriptor_builder.h"

class FakeSysfs {
  public:
    FakeSysfs();
    ~FakeSysfs();
    FakeSysfs(const FakeSysfs&) = delete;
    FakeSysfs& operator=(const FakeSysfs&) = delete;

    SysfsLayout Layout() const;

    // /sys/devices/pci0000:00/0000:00:14.0/usb1/<port> with its descriptors and ids.
    void AddUsbDevice(const std::string& port, uint16_t vendor, uint16_t product,
                      const std::string& productName, const Bytes& descriptors);
    // The USB device's serial attribute, which only devices with a serial string have.
    void SetUsbSerial(const std::string& port, const std::string& serial);
    // videoN below interface <port>:1.<interface>; returns its DEVPATH.
    std::string AddVideoNode(const std::string& port, uint8_t interface, unsigned number,
                             const std::string& name);
    // videoN of a driver that is not on USB; returns its DEVPATH.
    std::string AddPlatformVideoNode(unsigned number, const std::string& name);
    // Unplugging: the class link and the node's directory go.
    void RemoveVideoNode(unsigned number);
    // What udev's v4l_id recorded for the node (ID_V4L_CAPABILITIES).
    void RecordUdevCapabilities(unsigned number, const std::string& capabilities);

    std::filesystem::path Sys() const { return root_ / "sys"; }

  private:
    void Write(const std::filesystem::path& path, const std::string& content) const;
    std::string AddNodeBelow(const std::filesystem::path& parent, unsigned number,
                             const std::string& name);

    std::filesystem::path root_;
};
