#include "tests/linux/fake_sysfs.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace {

const char kUsbBus[] = "devices/pci0000:00/0000:00:14.0/usb1";

std::string Hex(unsigned value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*x", digits, value);
    return text;
}

}  // namespace

FakeSysfs::FakeSysfs() {
    std::string pattern = (fs::temp_directory_path() / "dovrane-sysfs-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    root_ = pattern;
    fs::create_directories(Sys() / "class" / "video4linux");
    fs::create_directories(root_ / "udev");
}

FakeSysfs::~FakeSysfs() {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
}

SysfsLayout FakeSysfs::Layout() const {
    return SysfsLayout{Sys().string(), (root_ / "udev").string()};
}

void FakeSysfs::Write(const fs::path& path, const std::string& content) const {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << content;
}

void FakeSysfs::AddUsbDevice(const std::string& port, uint16_t vendor, uint16_t product,
                             const std::string& productName, const Bytes& descriptors) {
    const fs::path device = Sys() / kUsbBus / port;
    Write(device / "idVendor", Hex(vendor, 4) + "\n");
    Write(device / "idProduct", Hex(product, 4) + "\n");
    Write(device / "product", productName + "\n");
    Write(device / "bConfigurationValue", "1\n");
    Write(device / "descriptors", std::string(descriptors.begin(), descriptors.end()));
}

void FakeSysfs::SetUsbSerial(const std::string& port, const std::string& serial) {
    Write(Sys() / kUsbBus / port / "serial", serial + "\n");
}

std::string FakeSysfs::AddVideoNode(const std::string& port, uint8_t interface, unsigned number,
                                    const std::string& name) {
    const fs::path interfaceDir =
        Sys() / kUsbBus / port / (port + ":1." + std::to_string(interface));
    Write(interfaceDir / "bInterfaceNumber", Hex(interface, 2) + "\n");
    return AddNodeBelow(interfaceDir, number, name);
}

std::string FakeSysfs::AddPlatformVideoNode(unsigned number, const std::string& name) {
    const fs::path device = Sys() / "devices" / "platform" / ("vivid." + std::to_string(number));
    Write(device / "driver_override", "(null)\n");
    return AddNodeBelow(device, number, name);
}

std::string FakeSysfs::AddNodeBelow(const fs::path& parent, unsigned number,
                                    const std::string& name) {
    const std::string video = "video" + std::to_string(number);
    const fs::path node = parent / "video4linux" / video;
    Write(node / "name", name + "\n");
    Write(node / "index", "0\n");
    Write(node / "dev", "81:" + std::to_string(number) + "\n");
    fs::create_directory_symlink("../..", node / "device");
    const fs::path relative = fs::relative(node, Sys() / "class" / "video4linux");
    fs::create_directory_symlink(relative, Sys() / "class" / "video4linux" / video);
    return "/" + fs::relative(node, Sys()).string();
}

void FakeSysfs::RemoveVideoNode(unsigned number) {
    const fs::path link = Sys() / "class" / "video4linux" / ("video" + std::to_string(number));
    const fs::path node = fs::canonical(link);
    fs::remove(link);
    fs::remove_all(node);
}

void FakeSysfs::RecordUdevCapabilities(unsigned number, const std::string& capabilities) {
    Write(root_ / "udev" / ("c81:" + std::to_string(number)),
          "S:v4l/by-id/usb-camera-video-index0\nI:1234\nE:ID_V4L_VERSION=2\n"
          "E:ID_V4L_CAPABILITIES=" +
              capabilities + "\nG:uaccess\n");
}
