#pragma once

// The DEV_BROADCAST records that WM_DEVICECHANGE points to, read byte by byte so that the
// rules can be checked on any platform. Fields are in the platform's (little-endian) order.

#include <cstddef>

#include "device/platform.h"

// dbch_size, dbch_devicetype, dbch_reserved.
inline constexpr size_t kBroadcastHeaderSize = 12;
inline constexpr size_t kBroadcastTypeOffset = 4;
// dbcc_name of a DEV_BROADCAST_DEVICEINTERFACE_W, after the interface-class GUID.
inline constexpr size_t kBroadcastNameOffset = 28;

// Fills the device type and, for a device interface, the name: UTF-16 up to its first 0 or
// the record's end (dbch_size), whichever comes first. Nothing beyond dbch_size is read; a
// record too short for its header reads as no device type.
void ReadDeviceBroadcast(const void* record, DeviceChange* change);
