#include "download/data_info.h"

#include <cstring>

data_info NewJob(XuDevice* device, uint32_t node, bool verify, bool reset) {
    data_info job;
    std::memset(&job, 0, sizeof job);
    job.device = device;
    job.unit = 1;
    job.node = node;
    job.verify = verify ? 1 : 0;
    job.reset = reset ? 1 : 0;
    return job;
}

void FreeFwBuffers(data_info* job) {
    if (job == nullptr) {
        return;
    }
    if (job->count > kMaxSegments) {
        job->count = kMaxSegments;
    }
    while (job->count > 0) {
        --job->count;
        FwSegment& segment = job->segments[job->count];
        delete[] segment.buffer;
        segment.buffer = nullptr;
    }
}
