#pragma once

// Many cameras flashed at once: one thread per camera, each running the whole flash sequence
// for its camera exactly as a single run does. Cameras may join while others are flashed.
// Progress is kept in atomics for the caller to sample at its own pace, so no report wakes the
// caller's thread.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "download/flash_session.h"

struct FleetCamera {
    XuDevice* device;
    uint32_t node;
    AwaitReturn awaitReturn;  // set for the return check after a reset
};

// One camera's job as far as it has got.
struct FleetProgress {
    int pass = 0;  // 0 before the write pass, 1 writing, 2 verifying
    uint32_t done = 0;
    uint32_t total = 0;
    bool finished = false;
};

class FlashFleet {
  public:
    // A message of camera `index`'s open sequence or preparation, on that camera's thread.
    using CameraMessage = std::function<void(int index, const QString& text)>;

    FlashFleet(const FlashOrder& order, CameraMessage onMessage);
    FlashFleet(const std::vector<FleetCamera>& cameras, const FlashOrder& order,
               CameraMessage onMessage);
    // Waits for every job: none is left running or unreported.
    ~FlashFleet();
    FlashFleet(const FlashFleet&) = delete;
    FlashFleet& operator=(const FlashFleet&) = delete;

    // Starts the camera's job at once; its index is the number of jobs before it. The device
    // must outlive the job.
    int Add(const FleetCamera& camera);
    // Every job stops at its next request and fails there.
    void Abort() { abort_.store(true); }

    int Count() const { return static_cast<int>(jobs_.size()); }
    int Running() const;
    // True once every job has finished; waits at most `timeout` for that.
    bool WaitAll(std::chrono::milliseconds timeout);
    FleetProgress Progress(int index) const;
    // The job's result; only once Progress(index).finished.
    const FlashResult& Result(int index) const { return jobs_[static_cast<size_t>(index)]->result; }

  private:
    struct Job {
        std::atomic<int> pass{0};
        std::atomic<uint32_t> done{0};
        std::atomic<uint32_t> total{0};
        std::atomic<bool> finished{false};
        FlashResult result;
        std::thread thread;
    };

    void Run(Job* job, const FleetCamera& camera, int index);

    const FlashOrder order_;
    CameraMessage onMessage_;
    std::atomic<bool> abort_{false};
    std::vector<std::unique_ptr<Job>> jobs_;  // grown and read by the owner's thread only
    mutable std::mutex mutex_;
    std::condition_variable finished_;
    int running_ = 0;
};
