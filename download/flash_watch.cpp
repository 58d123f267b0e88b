#include "download/flash_watch.h"

#include <algorithm>
#include <iterator>
#include <set>

FlashWatch::FlashWatch(CameraRoster& roster, const FlashOrder& order, WatchRules rules,
                       FlashFleet::CameraMessage onMessage, Started onStarted)
    : roster_(roster),
      rules_(std::move(rules)),
      onStarted_(std::move(onStarted)),
      fleet_(order, std::move(onMessage)) {}

void FlashWatch::Start() {
    if (rules_.skipPresent) {
        for (const CameraIdentity& camera : roster_.Present()) {
            claims_[CameraKey(camera)] = Claim{};
        }
    }
    Scan();
}

bool FlashWatch::Reported(const Claim& claim) const {
    return claim.job < 0 || reported_[static_cast<size_t>(claim.job)];
}

void FlashWatch::OnDeviceChange() {
    std::set<QString> present;
    for (const CameraIdentity& camera : roster_.Present()) {
        present.insert(CameraKey(camera));
    }
    for (auto it = claims_.begin(); it != claims_.end();) {
        Claim& claim = it->second;
        claim.left = claim.left || present.count(it->first) == 0;
        // Gone once its job was over, or while it ran and not back from a reset since:
        // whatever is at that port now is another camera.
        it = claim.left && Reported(claim) ? claims_.erase(it) : std::next(it);
    }
    Scan();
}

void FlashWatch::Scan() {
    if (!accepting_) {
        return;
    }
    const auto wanted = [this](const CameraIdentity& camera, const QString& key) {
        return claims_.count(key) == 0 && CarriesUsbId(camera.label, rules_.only);
    };
    for (RosterCamera& camera : roster_.Scan(wanted, static_cast<int>(jobs_.size()))) {
        const int job = static_cast<int>(jobs_.size());
        if (rules_.count > 0 && job >= rules_.count) {
            break;  // the count is of cameras flashed, not of cameras that asked
        }
        claims_[camera.key] = Claim{job, false};
        jobs_.push_back(camera);
        reported_.push_back(false);
        onStarted_(camera.identity);
        fleet_.Add({camera.device.get(), camera.node,
                    rules_.returnCheck ? roster_.ReturnCheck(camera.identity, rules_.returnTimeout)
                                       : AwaitReturn()});
    }
}

std::vector<int> FlashWatch::TakeFinished() {
    std::vector<int> finished;
    for (int job = 0; job < fleet_.Count(); ++job) {
        if (reported_[static_cast<size_t>(job)] || !fleet_.Progress(job).finished) {
            continue;
        }
        reported_[static_cast<size_t>(job)] = true;
        finished.push_back(job);
        ++finished_;
        Claim& claim = claims_[jobs_[static_cast<size_t>(job)].key];
        if (fleet_.Result(job).cameBack) {
            claim.left = false;  // its absence was the reset's
        }
    }
    if (rules_.count > 0 && finished_ >= rules_.count) {
        accepting_ = false;
    }
    return finished;
}

bool FlashWatch::Done() const {
    return !accepting_ && fleet_.Running() == 0 &&
           std::find(reported_.begin(), reported_.end(), false) == reported_.end();
}
