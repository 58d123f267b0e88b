#pragma once

// Stands between a job and its device and remembers the first request that failed, where it
// stood in its segment and what the system said, so a failed job can name its cause. It passes
// every request through unchanged: the device sees exactly the job's traffic.

#include <atomic>
#include <memory>
#include <optional>
#include <string>

#include "device/platform.h"

// ERROR_CANCELLED: the request of a job that was told to stop.
inline constexpr Status kAborted = static_cast<Status>(0x800704C7u);

struct FailedRequest {
    uint32_t selector = 0;
    bool get = false;
    uint32_t packet = 0;   // the data packet within its segment, from 1; 0 for other requests
    uint32_t packets = 0;  // the packets the segment's header announced
    Status status = kSOk;
    std::string errorName;  // the platform's name for it (EPIPE), or empty
};

class RequestRecorder final : public XuDevice {
  public:
    // Once *abort is true every request is refused with kAborted, untouched by the device.
    explicit RequestRecorder(XuDevice* device, const std::atomic<bool>* abort = nullptr);

    Status OpenControl(std::unique_ptr<XuControl>* control) override;
    Status OpenTopology(std::unique_ptr<Topology>* topology) override;
    bool ClaimForJob(std::string* holder) override { return device_->ClaimForJob(holder); }
    void ReleaseJob() override { device_->ReleaseJob(); }
    bool HeldElsewhere(std::string* holder) override { return device_->HeldElsewhere(holder); }

    // The first failure since the recorder was made, if any request failed.
    std::optional<FailedRequest> FirstFailure() const;

    struct Log;

  private:
    XuDevice* device_;
    const std::atomic<bool>* abort_;
    std::shared_ptr<Log> log_;
};
