#include "download/camera_roster.h"

#include <algorithm>
#include <thread>

#include "device/discovery.h"

namespace {

// How often a job looks for its camera after the reset: re-enumeration takes hundreds of
// milliseconds, and each look reads the platform's device list.
constexpr std::chrono::milliseconds kReturnPoll{50};

}  // namespace

std::vector<CameraRoster::Listed> CameraRoster::ListLocked() {
    std::vector<std::shared_ptr<DeviceMoniker>> monikers;
    std::vector<Listed> listed;
    if (Failed(platform_.EnumerateVideoInputs(&monikers))) {
        return listed;
    }
    for (const std::shared_ptr<DeviceMoniker>& moniker : monikers) {
        const CameraIdentity identity = ReadIdentity(*moniker, 0);
        listed.push_back({moniker, identity, CameraKey(identity)});
    }
    return listed;
}

std::optional<RosterCamera> CameraRoster::BindLocked(const Listed& listed) {
    RosterCamera camera{listed.identity, listed.key, nullptr, 0};
    if (Failed(listed.moniker->BindFilter(&camera.device)) || !camera.device ||
        Failed(FindXuNode(camera.device.get(), &camera.node))) {
        return std::nullopt;
    }
    return camera;
}

std::vector<RosterCamera> CameraRoster::Scan(const Wanted& wanted, int firstIndex) {
    const std::lock_guard<std::mutex> lock(mutex_);
    std::vector<RosterCamera> cameras;
    for (const Listed& listed : ListLocked()) {
        if (!wanted(listed.identity, listed.key)) {
            continue;
        }
        std::optional<RosterCamera> camera = BindLocked(listed);
        if (camera) {
            camera->identity.index = firstIndex + static_cast<int>(cameras.size());
            cameras.push_back(std::move(*camera));
        }
    }
    return cameras;
}

std::vector<CameraIdentity> CameraRoster::Present() {
    const std::lock_guard<std::mutex> lock(mutex_);
    std::vector<CameraIdentity> present;
    for (const Listed& listed : ListLocked()) {
        present.push_back(listed.identity);
    }
    return present;
}

std::optional<RosterCamera> CameraRoster::AwaitReturn(const CameraIdentity& camera,
                                                      std::chrono::milliseconds timeout) {
    const QString key = CameraKey(camera);
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    bool left = false;
    while (std::chrono::steady_clock::now() < deadline) {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            const std::vector<Listed> listed = ListLocked();
            const auto found = std::find_if(listed.begin(), listed.end(),
                                            [&key](const Listed& each) { return each.key == key; });
            left = left || found == listed.end();
            if (found != listed.end() &&
                (left || found->identity.devicePath != camera.devicePath)) {
                std::optional<RosterCamera> back = BindLocked(*found);
                if (back) {
                    back->identity.index = camera.index;
                    return back;
                }
            }
        }
        std::this_thread::sleep_for(kReturnPoll);
    }
    return std::nullopt;
}

::AwaitReturn CameraRoster::ReturnCheck(const CameraIdentity& camera,
                                        std::chrono::milliseconds timeout) {
    return [this, camera, timeout]() -> std::optional<ReturnedCamera> {
        std::optional<RosterCamera> back = AwaitReturn(camera, timeout);
        if (!back) {
            return std::nullopt;
        }
        return ReturnedCamera{back->device, back->node};
    };
}
