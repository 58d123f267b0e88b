#include "download/flash_fleet.h"

#include <algorithm>

FlashFleet::FlashFleet(const std::vector<FleetCamera>& cameras, const FlashOrder& order,
                       CameraMessage onMessage)
    : onMessage_(std::move(onMessage)), running_(static_cast<int>(cameras.size())) {
    for (size_t i = 0; i < cameras.size(); ++i) {
        jobs_.push_back(std::make_unique<Job>());
    }
    for (size_t i = 0; i < cameras.size(); ++i) {
        jobs_[i]->thread =
            std::thread(&FlashFleet::Run, this, static_cast<int>(i), cameras[i], order);
    }
}

FlashFleet::~FlashFleet() {
    for (const std::unique_ptr<Job>& job : jobs_) {
        job->thread.join();
    }
}

void FlashFleet::Run(int index, FleetCamera camera, const FlashOrder& order) {
    Job& job = *jobs_[static_cast<size_t>(index)];
    job.result = RunFlashSession(
        camera.device, camera.node, order,
        [this, index](const QString& text) { onMessage_(index, text); },
        [&job](const Worker::Report& report) {
            if (report.kind == Worker::kProgressMaximum) {
                job.total.store(report.value);
                job.done.store(0);
                job.pass.store(std::min(job.pass.load() + 1, 2));
            } else if (report.kind == Worker::kProgressValue && report.value > 0) {
                job.done.store(std::min(report.value, job.total.load()));
            }
        });
    job.finished.store(true);
    const std::lock_guard<std::mutex> lock(mutex_);
    --running_;
    finished_.notify_all();
}

bool FlashFleet::WaitAll(std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(mutex_);
    return finished_.wait_for(lock, timeout, [this] { return running_ == 0; });
}

FleetProgress FlashFleet::Progress(int index) const {
    const Job& job = *jobs_[static_cast<size_t>(index)];
    FleetProgress progress;
    progress.finished = job.finished.load();  // first: a finished job's figures are final
    progress.pass = job.pass.load();
    progress.total = job.total.load();
    progress.done = job.done.load();
    return progress;
}
