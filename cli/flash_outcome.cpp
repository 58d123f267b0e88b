#include "cli/flash_outcome.h"

#include "cli/cli_options.h"

#include <cstdio>

int FlashExitCode(const FlashResult& result) {
    switch (result.failedStep) {
        case FlashStep::kNone:
            return kExitOk;
        case FlashStep::kOpen:
            return result.heldElsewhere ? kExitBusy : kExitOpen;
        case FlashStep::kPrepare:
            return kExitPrepare;
        case FlashStep::kWrite:
            return kExitWrite;
        case FlashStep::kVerify:
            return kExitVerify;
        case FlashStep::kReset:
            return kExitReset;
        case FlashStep::kReturn:
            return kExitReturn;
    }
    return kExitFailure;
}

QString JobMessage(const FlashResult& result) {
    if (result.jobSucceeded) {
        return QStringLiteral("烧写成功 时间:%1ms").arg(result.elapsedMs);
    }
    const bool reachedWorker =
        result.failedStep == FlashStep::kWrite || result.failedStep == FlashStep::kVerify;
    return reachedWorker ? QStringLiteral("烧写失败") : QString();
}

QString ResultLine(const CameraIdentity& camera, const FlashResult& result) {
    const QString tail = result.succeeded ? DescribeReturn(result) : DescribeFailure(result);
    return QStringLiteral("%1  %2  %3  %4ms%5")
        .arg(camera.index)
        .arg(camera.label)
        .arg(result.succeeded ? QStringLiteral("success") : QStringLiteral("failure"))
        .arg(result.elapsedMs)
        .arg(tail.isEmpty() ? QString() : QStringLiteral("  ") + tail);
}

AwaitReturn ReturnCheck(const CliOptions& options, CameraRoster& roster,
                        const CameraIdentity& camera) {
    if (!options.reset) {
        return {};
    }
    return roster.ReturnCheck(camera, std::chrono::seconds(options.returnTimeout));
}

bool AppendRecord(FlashLog* log, const QJsonObject& record) {
    return log == nullptr || log->Append(record);
}

void WarnLogMissedRecords() {
    std::fputs("dovrane-cli: the flash log could not be written\n", stderr);
}
