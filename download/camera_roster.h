#pragma once

// The cameras of a platform by their keys, for tools that follow cameras across plugging and
// their own resets. Only the cameras asked for are bound and probed: the probe's initialise
// would break a job running on any other. Every call reaches the platform under one lock, since
// jobs look for their returning cameras from their own threads.

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "download/camera_identity.h"
#include "download/flash_session.h"

struct RosterCamera {
    CameraIdentity identity;
    QString key;
    std::shared_ptr<XuDevice> device;
    uint32_t node = 0;
};

class CameraRoster {
  public:
    explicit CameraRoster(DevicePlatform& platform) : platform_(platform) {}

    using Wanted = std::function<bool(const CameraIdentity& camera, const QString& key)>;

    // The cameras present that `wanted` takes, bound and probed, in platform order; indices
    // count from `firstIndex`. The others see no traffic.
    std::vector<RosterCamera> Scan(const Wanted& wanted, int firstIndex);
    // The devices present, with no device traffic.
    std::vector<CameraIdentity> Present();
    // Waits until the camera with this key has left and is back (or is back under another
    // device path), then binds and probes it; nothing when it is not back within `timeout`.
    // The platform is looked at every 50 ms: a camera away for less is taken for one that
    // never left, and so reported as not back in time, never as back.
    std::optional<RosterCamera> AwaitReturn(const CameraIdentity& camera,
                                            std::chrono::milliseconds timeout);
    // AwaitReturn as a session's return check for that camera; the roster must outlive it.
    ::AwaitReturn ReturnCheck(const CameraIdentity& camera, std::chrono::milliseconds timeout);

  private:
    struct Listed {
        std::shared_ptr<DeviceMoniker> moniker;
        CameraIdentity identity;
        QString key;
    };
    std::vector<Listed> ListLocked();
    static std::optional<RosterCamera> BindLocked(const Listed& listed);

    DevicePlatform& platform_;
    std::mutex mutex_;
};
