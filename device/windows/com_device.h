#pragma once

// The seam's objects over DirectShow and kernel-streaming interfaces. Each owns exactly one
// reference to its interface and releases it when it goes; whatever it opens (a property bag,
// a filter, a topology or a property channel) owns its own reference in the same way.

#include <memory>
#include <string>

#include "device/platform.h"
#include "device/windows/com_ref.h"
#include "device/windows/win_sdk.h"

// One entry of the video-input category.
std::shared_ptr<DeviceMoniker> WrapMoniker(ComRef<IMoniker> moniker);

// A capture filter: the reference that the device table's std::shared_ptr stands for. Jobs on
// it claim the camera under its device path (empty: no claim is ever refused).
std::shared_ptr<XuDevice> WrapFilter(ComRef<IBaseFilter> filter,
                                     const std::string& devicePath = {});
