#pragma once

// Turns video4linux uevents into the device changes the shared hot-plug rules take: the
// arrival or removal of a capture-class interface, named by the same device path that
// enumeration gives the node. Metadata and other non-capture nodes cause nothing.

#include <map>
#include <optional>
#include <string>

#include "device/linux/uevent.h"
#include "device/linux/video_nodes.h"
#include "device/platform.h"

class HotplugTranslator {
  public:
    explicit HotplugTranslator(VideoNodeInspector inspector);

    // The nodes the latest enumeration listed (device node -> device path). A removed node
    // can no longer be asked what it was, so removals are matched against these and against
    // the arrivals seen since.
    void Remember(std::map<std::string, std::string> pathsByNode);

    std::optional<DeviceChange> Translate(const UEvent& event);

  private:
    VideoNodeInspector inspector_;
    std::map<std::string, std::string> known_;
};
