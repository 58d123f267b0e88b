#pragma once

// Capture-device arrivals and removals as window messages. No Windows header here: the window
// passes its native handle and messages as plain pointers.

#include "device/platform.h"

// Asks Windows to send WM_DEVICECHANGE for capture-class device interfaces (KSCATEGORY_CAPTURE)
// to the window (an HWND). The registration lasts as long as the window; false when refused.
bool RegisterCaptureNotifications(void* window);

// Reads a message (a MSG*): for WM_DEVICECHANGE the event code and, when the event carries a
// DEV_BROADCAST record, its device type and device-interface name; true. False for any other
// message.
bool ReadDeviceChangeMessage(const void* message, DeviceChange* change);
