#pragma once

// Stands in for the kernel below the device nodes: which nodes exist, whether this user may
// open them, what VIDIOC_QUERYCAP answers, and uvcvideo's extension-unit queries, served by
// simulated camera firmware per unit.

#include <map>
#include <string>

#include "device/linux/linux_io.h"
#include "device/sim/sim_xu_model.h"

class FakeUvcKernel {
  public:
    struct Node {
        uint32_t deviceCaps = V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_STREAMING;
        int openErrno = 0;
        int queryCapErrno = 0;
        std::map<uint8_t, SimXuModel*> units;  // the extension units that answer
        std::string heldBy;                    // another process's job holds the node's flock
    };

    std::map<std::string, Node> nodes;  // by /dev path
    int opens = 0;
    int closes = 0;

    LinuxDeviceIo Io();

  private:
    int Query(int fd, uvc_xu_control_query* query);

    std::map<int, std::string> open_;
    int nextFd_ = 100;
};
