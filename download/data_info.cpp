#include "download/data_info.h"

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
