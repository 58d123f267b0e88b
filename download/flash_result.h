#pragma once

// What one flash came to: the outcome, the step that failed and its cause, in the words every
// front end and the flash log use.

#include <QString>

#include <cstdint>
#include <optional>

#include "download/request_recorder.h"

enum class FlashStep { kNone, kOpen, kPrepare, kWrite, kVerify, kReset, kReturn };

// "open", "prepare", "write", "verify", "reset", "return"; empty for kNone.
const char* FlashStepName(FlashStep step);

struct FlashResult {
    bool succeeded = false;
    bool jobSucceeded = false;  // the worker's outcome, before the reset's
    FlashStep failedStep = FlashStep::kNone;
    std::optional<FailedRequest> request;  // the request that failed, when one did
    QString detail;  // why, where no request failed: the open step's or preparation's message
    uint32_t elapsedMs = 0;  // as the worker reports it, for a job that reached the worker
    int64_t bytesWritten = 0;
    int64_t bytesReadBack = 0;
    bool heldElsewhere = false;  // the open step found the camera claimed by another process
    std::optional<uint16_t> versionWord;  // the device version word the open sequence read
    // After a reset with the return check: whether the camera came back in time, and the
    // version it displays then.
    bool cameBack = false;
    std::optional<uint16_t> versionAfter;
};

// One line: "write failed at packet 37 of 79 (selector 6): device stalled the request (EPIPE)";
// empty for a success.
QString DescribeFailure(const FlashResult& result);

// "came back as V3.0.1" after the return check, empty without one.
QString DescribeReturn(const FlashResult& result);
