#include "device/sim/sim_clock.h"

SimClock::SimClock() : thread_(&SimClock::Run, this) {}

SimClock::~SimClock() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void SimClock::After(std::chrono::milliseconds delay, std::function<void()> action) {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        due_.emplace(std::chrono::steady_clock::now() + delay, std::move(action));
    }
    changed_.notify_all();
}

void SimClock::Run() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!stopping_) {
        if (due_.empty()) {
            changed_.wait(lock);
            continue;
        }
        const auto next = due_.begin()->first;
        if (std::chrono::steady_clock::now() < next) {
            changed_.wait_until(lock, next);
            continue;
        }
        std::function<void()> action = std::move(due_.begin()->second);
        due_.erase(due_.begin());
        lock.unlock();  // an action may set the next one
        action();
        lock.lock();
    }
}
