#pragma once

// The simulated platform's own clock: actions run on one thread of its own at the time they
// were set for, as a bus's events reach a host whenever they happen. Actions not yet due when
// the clock is destroyed are dropped.

#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <thread>

class SimClock {
  public:
    SimClock();
    ~SimClock();
    SimClock(const SimClock&) = delete;
    SimClock& operator=(const SimClock&) = delete;

    void After(std::chrono::milliseconds delay, std::function<void()> action);

  private:
    void Run();

    std::mutex mutex_;
    std::condition_variable changed_;
    std::multimap<std::chrono::steady_clock::time_point, std::function<void()>> due_;
    bool stopping_ = false;
    std::thread thread_;
};
