#include "device/linux/video_nodes.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <utility>

#include "device/capture_path.h"
#include "device/linux/sysfs_files.h"

namespace fs = std::filesystem;

namespace {

constexpr size_t kDescriptorLimit = size_t{1} << 20;
constexpr char kCaptureCapability[] = ":capture:";
constexpr char kUdevCapabilities[] = "E:ID_V4L_CAPABILITIES=";

std::optional<uint32_t> VideoNumber(const std::string& name) {
    if (name.rfind("video", 0) != 0) {
        return std::nullopt;
    }
    return ParseNumber(name.substr(5), 10, 0xFFFFFFFFu);
}

std::optional<uint32_t> NumberAttribute(const fs::path& path, int base, uint32_t max) {
    const std::optional<std::string> text = ReadAttribute(path.string());
    return text ? ParseNumber(*text, base, max) : std::nullopt;
}

std::string NonEmptyAttribute(const fs::path& path) {
    return ReadAttribute(path.string()).value_or(std::string());
}

}  // namespace

VideoNodeInspector::VideoNodeInspector(SysfsLayout layout, LinuxDeviceIo io)
    : layout_(std::move(layout)), io_(std::move(io)) {}

std::optional<std::vector<std::string>> VideoNodeInspector::ListVideoNodes() const {
    const fs::path directory = fs::path(layout_.sysfsRoot) / "class" / "video4linux";
    std::error_code error;
    if (!fs::exists(directory, error)) {
        return error ? std::nullopt : std::optional(std::vector<std::string>());
    }
    std::vector<std::pair<uint32_t, std::string>> found;
    for (fs::directory_iterator it(directory, error), end; !error && it != end;
         it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (const std::optional<uint32_t> number = VideoNumber(name)) {
            found.emplace_back(*number, it->path().string());
        }
    }
    if (error) {
        return std::nullopt;
    }
    std::sort(found.begin(), found.end());
    std::vector<std::string> directories;
    for (auto& entry : found) {
        directories.push_back(std::move(entry.second));
    }
    return directories;
}

std::string VideoNodeInspector::DirectoryOf(const std::string& devPath) const {
    return layout_.sysfsRoot + devPath;
}

NodeInspection VideoNodeInspector::Inspect(const std::string& nodeDirectory,
                                           const std::string& knownCapabilities) const {
    const fs::path nodeDir(nodeDirectory);
    const std::string devNode = "/dev/" + nodeDir.filename().string();
    const auto skip = [&devNode](const std::string& reason) {
        return NodeInspection{std::nullopt, devNode + ": " + reason};
    };
    std::error_code error;
    const fs::path interfaceDir = fs::canonical(nodeDir / "device", error);
    if (error) {
        return skip("not attached to a device");
    }
    const fs::path usbDir = interfaceDir.parent_path();
    const std::optional<uint32_t> vendor = NumberAttribute(usbDir / "idVendor", 16, 0xFFFF);
    const std::optional<uint32_t> product = NumberAttribute(usbDir / "idProduct", 16, 0xFFFF);
    const std::optional<uint32_t> interfaceNumber =
        NumberAttribute(interfaceDir / "bInterfaceNumber", 16, 0xFF);
    if (!vendor || !product || !interfaceNumber) {
        return skip("not on a USB interface");
    }
    std::string failure = "not a video-capture node (metadata or output)";
    if (Classify(nodeDirectory, devNode, knownCapabilities, &failure) == Capture::kNo) {
        return skip(failure);
    }
    const std::optional<std::vector<uint8_t>> descriptors =
        ReadBinaryAttribute((usbDir / "descriptors").string(), kDescriptorLimit);
    if (!descriptors) {
        return skip("USB descriptors unreadable");
    }
    const auto configuration =
        static_cast<uint8_t>(NumberAttribute(usbDir / "bConfigurationValue", 10, 0xFF).value_or(0));
    const std::vector<VideoFunction> functions =
        ParseVideoFunctions(descriptors->data(), descriptors->size(), configuration);
    const VideoFunction* function =
        FindVideoFunction(functions, static_cast<uint8_t>(*interfaceNumber));
    if (function == nullptr) {
        return skip("no intact VideoControl interface in the USB descriptors");
    }
    VideoCaptureNode node;
    node.devNode = devNode;
    node.friendlyName = NonEmptyAttribute(nodeDir / "name");
    if (node.friendlyName.empty()) {
        node.friendlyName = NonEmptyAttribute(usbDir / "product");
    }
    node.devicePath =
        CaptureInterfacePath(static_cast<uint16_t>(*vendor), static_cast<uint16_t>(*product),
                             static_cast<uint8_t>(*interfaceNumber), devNode);
    node.usbPortPath = usbDir.filename().string();
    node.serialNumber = NonEmptyAttribute(usbDir / "serial");
    node.function = *function;
    return NodeInspection{std::move(node), std::string()};
}

VideoNodeInspector::Capture VideoNodeInspector::Classify(const std::string& nodeDirectory,
                                                         const std::string& devNode,
                                                         const std::string& knownCapabilities,
                                                         std::string* failure) const {
    const auto fromText = [](const std::string& capabilities) {
        return capabilities.find(kCaptureCapability) != std::string::npos ? Capture::kYes
                                                                          : Capture::kNo;
    };
    if (!knownCapabilities.empty()) {
        return fromText(knownCapabilities);
    }
    const int fd = io_.open(devNode);
    if (fd >= 0) {
        v4l2_capability caps{};
        const int queryError = io_.queryCap(fd, &caps);
        io_.close(fd);
        if (queryError != 0) {
            *failure = std::string("capability query failed: ") + std::strerror(queryError);
            return Capture::kNo;
        }
        const uint32_t node =
            (caps.capabilities & V4L2_CAP_DEVICE_CAPS) != 0 ? caps.device_caps : caps.capabilities;
        return (node & V4L2_CAP_VIDEO_CAPTURE) != 0 ? Capture::kYes : Capture::kNo;
    }
    const std::optional<std::string> recorded = UdevCapabilities(nodeDirectory);
    return recorded ? fromText(*recorded) : Capture::kUnknown;
}

std::optional<std::string> VideoNodeInspector::UdevCapabilities(
    const std::string& nodeDirectory) const {
    const std::optional<std::string> dev = ReadAttribute(nodeDirectory + "/dev");
    if (!dev || dev->empty() || dev->find('/') != std::string::npos) {
        return std::nullopt;
    }
    std::ifstream database(layout_.udevDataRoot + "/c" + *dev);
    std::string line;
    while (std::getline(database, line)) {
        if (line.rfind(kUdevCapabilities, 0) == 0) {
            return line.substr(sizeof kUdevCapabilities - 1);
        }
    }
    return std::nullopt;
}
