#pragma once

// One emulated device on the kernel's virtual host controller: attaching a socket to a vhci
// port, and serving the USB/IP commands that arrive on it.

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

#include "tests/e2e/uvc_camera_function.h"

inline constexpr char kVhciDirectory[] = "/sys/devices/platform/vhci_hcd.0";
inline constexpr uint32_t kUsbSpeedHigh = 3;

// Hands one end of a new socket pair to vhci as a high-speed device on `port` and returns the
// other end in *fd. The kernel resolves the descriptor in the writing process, so this process
// writes the attach line itself. A port that a detached device still holds is retried for a
// few seconds. False with the reason in *error.
bool AttachToVhci(uint32_t port, uint32_t devid, int* fd, std::string* error);
// Unplugs the device on `port`; the kernel then closes its end of the socket.
bool DetachFromVhci(uint32_t port, std::string* error);

// Waits until the host has read everything sent on `fd`, at most `timeout`: a reply that vhci
// has read is completed even when the port is detached right after, one still in the socket
// fails on the host as if the device had never answered. False when the time ran out.
bool AwaitRepliesRead(int fd, std::chrono::milliseconds timeout);

enum class ServeEnd { kHostClosed, kStopped, kBrokenStream };

// Answers commands until the host closes the connection, keepGoing() turns false (it is asked
// at least every 200 ms) or the stream carries something no vhci sends. Control transfers go
// to `camera`; bulk IN transfers stay pending until unlinked, as the camera sends no frames.
ServeEnd ServeUsbip(int fd, UvcCameraFunction& camera, const std::function<bool()>& keepGoing);
