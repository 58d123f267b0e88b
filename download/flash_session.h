#pragma once

// The flash sequence, once for every front end: the open sequence, image preparation, the
// worker's write and verify passes and the reset. The window runs the first two here and hands
// the job to its worker thread; the tools run the whole sequence through RunFlashSession.

#include <atomic>
#include <functional>
#include <memory>
#include <optional>

#include "download/flash_result.h"
#include "download/worker.h"
#include "image/prepare_fw_image.h"

struct FlashOrder {
    PrepareInputs inputs;
    bool verify = false;
    bool reset = false;
    // The version word the firmware file carries (FileVersionWord), read once by whoever
    // gives the order, for the return check.
    std::optional<uint16_t> fileVersion;
};

// Receives every message of the open sequence and image preparation, in order.
using MessageSink = ShowWarning;

struct PreparedJob {
    FlashStep failedStep = FlashStep::kNone;  // kOpen or kPrepare when the job is not ready
    QString detail;                           // that step's own words for the failure
    bool heldElsewhere = false;               // the open step found the camera claimed
    data_info job{};
    uint16_t versionWord = 0;
};

// Claims the device for the job, opens it at its node and prepares the job: "设备初始化失败"
// (also for a device another process holds) or preparation's warnings go to the sink, exactly
// as the window shows them. A ready job keeps the claim; the job's owner releases it when the
// job is over (XuDevice::ReleaseJob). A job that is not ready holds none.
PreparedJob OpenAndPrepare(XuDevice* device, uint32_t node, const FlashOrder& order,
                           const MessageSink& sink);

// How far a job has come, as the worker's reports tell it; each pass counts its bytes from 0.
struct JobProgress {
    int pass = 0;           // 0 before the write pass, 1 writing, 2 verifying
    uint32_t total = 0;     // the current pass's bytes
    uint32_t done[2] = {};  // the bytes each pass has done

    void Note(const Worker::Report& report);
    uint32_t Done() const { return pass == 0 ? 0 : done[pass - 1]; }
};

// Each of the worker's reports as it is sent, with the progress after it, on the thread that
// runs the session.
using ReportSink = std::function<void(const Worker::Report& report, const JobProgress& progress)>;

// The camera as it came back from its reset, or nothing when it did not in time.
struct ReturnedCamera {
    std::shared_ptr<XuDevice> device;
    uint32_t node = 0;
};
using AwaitReturn = std::function<std::optional<ReturnedCamera>()>;

struct SessionHooks {
    // Set: after a successful reset the session waits for the camera to come back, reads the
    // version it displays and, when the firmware file carries a version word, checks it.
    AwaitReturn awaitReturn;
    // Set: once true, every further request is refused and the job fails where it stands.
    const std::atomic<bool>* abort = nullptr;
};

// The whole sequence on the calling thread, its requests recorded for the failure's cause.
// result.jobSucceeded is the worker's own outcome (烧写成功); result.succeeded also needs the
// reset, when asked for, to have reached the device.
FlashResult RunFlashSession(XuDevice* device, uint32_t node, const FlashOrder& order,
                            const MessageSink& sink, const ReportSink& onReport,
                            const SessionHooks& hooks = {});
