#pragma once

#include "device/windows/win_sdk.h"

// The filter record of the capture-class registration: every byte zero (padding included)
// but its size, type and class.
void FillCaptureNotificationFilter(DEV_BROADCAST_DEVICEINTERFACE_W* filter);
