#include "cli/fleet_results.h"

#include "cli/cli_options.h"
#include "cli/flash_outcome.h"

void FleetResults::Add(int camera, const CameraIdentity& identity, const FileDigest& firmware,
                       const FlashResult& result) {
    allSucceeded_ = allSucceeded_ && result.succeeded;
    const QJsonObject record = FlashRecord(identity, order_, firmware, result);
    view_.Result(camera, result, record);
    logWritten_ = AppendRecord(log_, record) && logWritten_;
}

int FleetResults::Finish() const {
    if (!logWritten_) {
        WarnLogMissedRecords();
    }
    return allSucceeded_ ? kExitOk : kExitSomeFailed;
}
