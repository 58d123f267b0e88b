#pragma once

// Video device discovery: the devices whose vendor-specific topology node answers the
// extension-unit handshake, placed in a table of at most kDeviceTableSlots devices.

#include <cstdint>
#include <memory>
#include <string>

#include "device/platform.h"

inline constexpr int kDeviceTableSlots = 10;

using MonikerTable = std::shared_ptr<DeviceMoniker>[kDeviceTableSlots];
using FilterTable = std::shared_ptr<XuDevice>[kDeviceTableSlots];
using NodeIdTable = uint32_t[kDeviceTableSlots];

// Fills the table in platform order; returns the number placed, or -1 when the enumeration
// cannot start (the table is then left as it was).
int EnumVideoDevices(DevicePlatform& platform, MonikerTable& monikers, FilterTable& filters,
                     NodeIdTable& nodeIds);

// The first vendor-specific node that answers the handshake; its id goes to *node.
Status FindXuNode(XuDevice* filter, uint32_t* node);

// Initialise, handshake and version read on one candidate node.
Status ProbeXuNode(XuDevice* filter, uint32_t node);

// "<friendly name>    VID_XXXX&PID_YYYY": false when the property bag cannot be opened.
bool GetDeviceLabel(DeviceMoniker* moniker, std::string* label);
