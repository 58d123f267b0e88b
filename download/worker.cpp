#include "download/worker.h"

#include <QElapsedTimer>
#include <QThread>

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <new>

#include "device/command_set.h"
#include "download/thread_handoff.h"

namespace {

constexpr unsigned long kHeaderSettleMs = 2;
constexpr unsigned long kSegmentSettleMs = 100;

int32_t ClampToInt32(int64_t value) {
    return static_cast<int32_t>(std::min<int64_t>(value, std::numeric_limits<int32_t>::max()));
}

// Checks the job before any traffic; on success *total is the sum of the segment lengths.
Status CheckJob(const XuDevice* device, const data_info* job, int64_t* total) {
    if (device == nullptr || job->count > kMaxSegments) {
        return kEFail;
    }
    *total = 0;
    for (int i = 0; i < job->count; ++i) {
        const FwSegment& segment = job->segments[i];
        if (segment.buffer == nullptr || segment.length <= 0) {
            return kEFail;
        }
        *total += segment.length;
    }
    return kSOk;
}

// The low 16 bits of control 6's size; 0 when the query fails.
uint32_t SegmentPacketLength(XuDevice* device, uint32_t node) {
    return static_cast<uint16_t>(DevPacketLength(device, NodeAddress::Id(node)));
}

enum class Announce { kWholePackets, kExactLength };

// Opens one segment's transfer: packet length, begin, header. A packet length of 0 would never
// advance the packet loop, so it ends the segment before any transfer.
Status OpenSegment(XuDevice* device, uint32_t node, const FwSegment& segment, Announce announce,
                   uint32_t* packet) {
    if (device == nullptr || segment.buffer == nullptr) {
        return kEFail;
    }
    *packet = SegmentPacketLength(device, node);
    if (*packet == 0) {
        return kEFail;
    }
    const NodeAddress at = NodeAddress::Id(node);
    const Status status = DevBeginTransfer(device, at);
    if (Failed(status)) {
        return status;
    }
    const auto length = static_cast<uint32_t>(segment.length);
    const uint32_t count =
        announce == Announce::kWholePackets ? *packet * ((length + *packet - 1) / *packet) : length;
    return DevSendHeader(device, at, segment.kind, static_cast<uint32_t>(segment.address), count);
}

std::unique_ptr<uint8_t[]> Allocate(size_t size) {
    return std::unique_ptr<uint8_t[]>(new (std::nothrow) uint8_t[size]);
}

}  // namespace

Worker::Worker(QObject* parent) : QObject(parent) {}

qulonglong Worker::EncodeReport(uint32_t kind, int32_t value) {
    const auto widened = static_cast<uint64_t>(static_cast<int64_t>(value));
    return (static_cast<uint64_t>(kind) << 32) | widened;
}

Worker::Report Worker::DecodeReport(qulonglong state) {
    return {static_cast<uint32_t>(state >> 32), static_cast<uint32_t>(state)};
}

void Worker::Send(uint32_t kind, int32_t value) {
    emit WorkerTheardState(EncodeReport(kind, value));
}

bool Worker::StartPass(const XuDevice* device, const data_info* job) {
    int64_t total = 0;
    if (Failed(CheckJob(device, job, &total))) {
        return false;
    }
    progress_ = 0;
    Send(kProgressValue, 0);
    Send(kProgressMinimum, 0);
    Send(kProgressMaximum, ClampToInt32(total));
    return true;
}

template <typename SendPacket>
Status Worker::TransferPackets(uint32_t length, uint32_t packetLength, SendPacket sendPacket) {
    const int32_t base = progress_;
    for (uint32_t position = 0; position < length; position += packetLength) {
        const uint32_t remaining = length - position;
        if (!sendPacket(position, std::min(remaining, packetLength))) {
            return kEFail;
        }
        progress_ = ClampToInt32(int64_t{base} + position + packetLength);
        Send(kProgressValue, progress_);
    }
    return kSOk;
}

Status Worker::WriteFw(XuDevice* device, uint32_t node, data_info* job) {
    if (!StartPass(device, job)) {
        return kEFail;
    }
    Status result = kEFail;
    for (int i = 0; i < job->count; ++i) {
        result = WriteFwSegment(device, node, job->segments[i]);
        if (Failed(result)) {
            return result;
        }
        QThread::msleep(kSegmentSettleMs);
    }
    return result;
}

Status Worker::WriteFwSegment(XuDevice* device, uint32_t node, const FwSegment& segment) {
    uint32_t packet = 0;
    Status status = OpenSegment(device, node, segment, Announce::kWholePackets, &packet);
    if (Failed(status)) {
        return status;
    }
    QThread::msleep(kHeaderSettleMs);
    const auto length = static_cast<uint32_t>(segment.length);

    std::unique_ptr<uint8_t[]> pad;
    status = TransferPackets(length, packet, [&](uint32_t position, uint32_t bytes) {
        const uint8_t* data = segment.buffer + position;
        if (bytes < packet) {
            pad = Allocate(packet);
            if (!pad) {
                return false;
            }
            std::memset(pad.get(), 0xFF, packet);
            std::memcpy(pad.get(), data, bytes);
            data = pad.get();
        }
        return DevWritePacket(device, NodeAddress::Id(node), data, packet) == kSOk;
    });
    pad.reset();
    return Failed(status) ? status : DevEndTransfer(device, NodeAddress::Id(node));
}

Status Worker::VerifyFw(XuDevice* device, uint32_t node, data_info* job) {
    if (!StartPass(device, job)) {
        return kEFail;
    }
    Status result = kEFail;
    for (int i = 0; i < job->count; ++i) {
        const FwSegment& segment = job->segments[i];
        const auto length = static_cast<size_t>(segment.length);
        if (segment.kind == kSegmentBoot) {
            progress_ = ClampToInt32(int64_t{progress_} + segment.length);
            Send(kProgressValue, progress_);
            continue;
        }
        std::unique_ptr<uint8_t[]> readBack = Allocate(length);
        if (!readBack) {
            return kEFail;
        }
        std::memset(readBack.get(), 0, length);
        FwSegment copy = segment;
        copy.buffer = readBack.get();
        copy.kind = static_cast<uint8_t>(segment.kind | kReadBackFlag);
        result = ReadBackFwSegment(device, node, copy);
        if (Failed(result)) {
            return result;
        }
        if (std::memcmp(readBack.get(), segment.buffer, length) != 0) {
            return kEFail;
        }
    }
    return result;
}

Status Worker::ReadBackFwSegment(XuDevice* device, uint32_t node, const FwSegment& copy) {
    uint32_t packet = 0;
    Status status = OpenSegment(device, node, copy, Announce::kExactLength, &packet);
    if (Failed(status)) {
        return status;
    }
    const auto length = static_cast<uint32_t>(copy.length);
    status = TransferPackets(length, packet, [&](uint32_t position, uint32_t bytes) {
        uint8_t* target = copy.buffer + position;
        if (bytes == packet) {
            return DevReadPacket(device, NodeAddress::Id(node), target, packet) == kSOk;
        }
        std::unique_ptr<uint8_t[]> scratch = Allocate(packet);
        if (!scratch) {
            return false;
        }
        const bool ok = DevReadPacket(device, NodeAddress::Id(node), scratch.get(), packet) == kSOk;
        std::memcpy(target, scratch.get(), bytes);
        return ok;
    });
    return Failed(status) ? status : DevEndTransfer(device, NodeAddress::Id(node));
}

void Worker::WorkerLoadFw(const data_info& info) {
    TakeOver(this);
    data_info job = info;
    QElapsedTimer clock;  // monotonic: a job across midnight or a clock change still reports
    clock.start();
    Status result = WriteFw(job.device, job.node, &job);
    if (result == kSOk && job.verify == 1) {
        result = VerifyFw(job.device, job.node, &job);
    }
    const int32_t elapsed = ClampToInt32(clock.elapsed());
    FreeFwBuffers(&job);

    uint32_t kind = kFailed;
    if (result == kSOk) {
        if (job.reset == 1) {
            DevReset(job.device, NodeAddress::Id(job.node));
        }
        kind = kSucceeded;
    } else if (result > 0) {
        kind = kSucceeded;
    }
    Send(kind, elapsed);
    Send(kFinished, 0);
}
