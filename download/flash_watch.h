#pragma once

// Flashing each camera as it is plugged in: every arrival that brings a camera not seen before
// starts its own job at once, beside the jobs in progress. A camera is known by its key (its
// USB port where the platform tells it): one that comes back from its own reset is not flashed
// again; it is again only once it was seen gone and a camera is plugged in anew (a camera
// swapped for another between two looks at the platform is taken for the same one). Driven from
// one thread, the caller's, which tells it of device changes and collects finished jobs.

#include <map>
#include <vector>

#include "download/camera_roster.h"
#include "download/flash_fleet.h"

struct WatchRules {
    QStringList only;  // USB ids to keep to; empty for every camera
    bool skipPresent = false;
    int count = 0;  // stop accepting once this many jobs have finished; 0 for never
    bool returnCheck = false;
    std::chrono::milliseconds returnTimeout{15000};
};

class FlashWatch {
  public:
    using Started = std::function<void(const CameraIdentity& camera)>;

    // `onStarted` hears of each job just before it starts, in job order.
    FlashWatch(CameraRoster& roster, const FlashOrder& order, WatchRules rules,
               FlashFleet::CameraMessage onMessage, Started onStarted);

    // Takes the cameras present now: flashed, or with skipPresent only remembered.
    void Start();
    // After any arrival or removal: forgets cameras seen gone, flashes new ones.
    void OnDeviceChange();
    // The jobs that finished since the last call, in job order; each once.
    std::vector<int> TakeFinished();

    void StopAccepting() { accepting_ = false; }
    void Abort() { fleet_.Abort(); }
    // Accepting no more cameras and every job reported.
    bool Done() const;

    const CameraIdentity& Camera(int job) const { return jobs_[static_cast<size_t>(job)].identity; }
    const FlashFleet& Fleet() const { return fleet_; }

  private:
    struct Claim {
        int job = -1;       // -1 for a camera left alone
        bool left = false;  // seen gone since its job began, or since it came back
    };

    void Scan();
    bool Reported(const Claim& claim) const;

    CameraRoster& roster_;
    const WatchRules rules_;
    const Started onStarted_;
    std::vector<RosterCamera> jobs_;  // keeps each job's device while it runs
    std::vector<bool> reported_;
    std::map<QString, Claim> claims_;
    int finished_ = 0;
    bool accepting_ = true;
    FlashFleet fleet_;  // last: its jobs finish before what they use goes
};
