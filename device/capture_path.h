#pragma once

#include <cstdint>
#include <string>

// A capture interface's path as Windows names it and discovery reads it:
// "usb#vid_1d6b&pid_0102&mi_00#<instance>#{65e8773d-8f56-11d0-a3b9-00a0c9223196}", the ids in
// lower-case hex and the capture-class GUID in braces, lower case.
std::string CaptureInterfacePath(uint16_t vendorId, uint16_t productId, uint8_t interfaceNumber,
                                 const std::string& instance);
