#include "cli/flash_outcome.h"

#include "cli/cli_options.h"

int FlashExitCode(const FlashResult& result) {
    switch (result.failedStep) {
        case FlashStep::kNone:
            return kExitOk;
        case FlashStep::kOpen:
            return kExitOpen;
        case FlashStep::kPrepare:
            return kExitPrepare;
        case FlashStep::kWrite:
            return kExitWrite;
        case FlashStep::kVerify:
            return kExitVerify;
        case FlashStep::kReset:
            return kExitReset;
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
