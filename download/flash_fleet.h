#pragma once

// Many cameras flashed at once: one thread per camera, each running the whole flash sequence
// for its camera exactly as a single run does. Progress is kept in atomics for the caller to
// sample at its own pace, so no report wakes the caller's thread.

#include <atomic>
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

    FlashFleet(const std::vector<FleetCamera>& cameras, const FlashOrder& order,
               CameraMessage onMessage);
    // Waits for every job: none is left running or unreported.
    ~FlashFleet();
    FlashFleet(const FlashFleet&) = delete;
    FlashFleet& operator=(const FlashFleet&) = delete;

    int Count() const { return static_cast<int>(jobs_.size()); }
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

    void Run(int index, FleetCamera camera, const FlashOrder& order);

    CameraMessage onMessage_;
    std::vector<std::unique_ptr<Job>> jobs_;
    std::mutex mutex_;
    std::condition_variable finished_;
    int running_ = 0;
};
