#include "download/flash_fleet.h"

FlashFleet::FlashFleet(const FlashOrder& order, CameraMessage onMessage)
    : order_(order), onMessage_(std::move(onMessage)) {}

FlashFleet::FlashFleet(const std::vector<FleetCamera>& cameras, const FlashOrder& order,
                       CameraMessage onMessage)
    : FlashFleet(order, std::move(onMessage)) {
    for (const FleetCamera& camera : cameras) {
        Add(camera);
    }
}

FlashFleet::~FlashFleet() {
    for (const std::unique_ptr<Job>& job : jobs_) {
        job->thread.join();
    }
}

int FlashFleet::Add(const FleetCamera& camera) {
    const int index = Count();
    jobs_.push_back(std::make_unique<Job>());
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        ++running_;
    }
    jobs_.back()->thread = std::thread(&FlashFleet::Run, this, jobs_.back().get(), camera, index);
    return index;
}

void FlashFleet::Run(Job* job, const FleetCamera& camera, int index) {
    SessionHooks hooks{camera.awaitReturn, &abort_};
    job->result = RunFlashSession(
        camera.device, camera.node, order_,
        [this, index](const QString& text) { onMessage_(index, text); },
        [job](const Worker::Report&, const JobProgress& progress) {
            job->total.store(progress.total);
            job->done.store(progress.Done());
            job->pass.store(progress.pass);
        },
        hooks);
    job->finished.store(true);
    const std::lock_guard<std::mutex> lock(mutex_);
    --running_;
    finished_.notify_all();
}

int FlashFleet::Running() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return running_;
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
