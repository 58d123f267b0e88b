#include "device/windows/device_notifications.h"

#include <cstddef>
#include <cstring>

#include "device/windows/device_broadcast.h"
#include "device/windows/notification_filter.h"

static_assert(sizeof(DEV_BROADCAST_HDR) == kBroadcastHeaderSize, "DEV_BROADCAST_HDR");
static_assert(offsetof(DEV_BROADCAST_HDR, dbch_devicetype) == kBroadcastTypeOffset,
              "dbch_devicetype");
static_assert(offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name) == kBroadcastNameOffset,
              "dbcc_name");
static_assert(sizeof(DEV_BROADCAST_DEVICEINTERFACE_W) == 32, "the filter record is 32 bytes");

namespace {

// The events whose lParam points to a DEV_BROADCAST record (DBT_DEVICEARRIVAL to
// DBT_CUSTOMEVENT); for the others it may be 0 or mean something else.
bool CarriesRecord(uint32_t eventCode) {
    return eventCode >= DBT_DEVICEARRIVAL && eventCode <= DBT_CUSTOMEVENT;
}

}  // namespace

void FillCaptureNotificationFilter(DEV_BROADCAST_DEVICEINTERFACE_W* filter) {
    std::memset(filter, 0, sizeof *filter);
    filter->dbcc_size = sizeof *filter;
    filter->dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    std::memcpy(&filter->dbcc_classguid, &kCaptureCategory, sizeof filter->dbcc_classguid);
}

bool RegisterCaptureNotifications(void* window) {
    DEV_BROADCAST_DEVICEINTERFACE_W filter;
    FillCaptureNotificationFilter(&filter);
    // The handle is not kept: the registration ends with the window.
    return RegisterDeviceNotificationW(static_cast<HWND>(window), &filter,
                                       DEVICE_NOTIFY_WINDOW_HANDLE) != nullptr;
}

bool ReadDeviceChangeMessage(const void* message, DeviceChange* change) {
    const auto* msg = static_cast<const MSG*>(message);
    if (msg == nullptr || msg->message != WM_DEVICECHANGE) {
        return false;
    }
    *change = DeviceChange{};
    change->eventCode = static_cast<uint32_t>(msg->wParam);
    if (CarriesRecord(change->eventCode) && msg->lParam != 0) {
        ReadDeviceBroadcast(reinterpret_cast<const void*>(msg->lParam), change);
    }
    return true;
}
