#pragma once

// How a flash ends on the command line, for one camera and for many: the exit status and the
// lines that say what happened.

#include <QString>

#include "cli/cli_options.h"
#include "download/camera_roster.h"
#include "download/flash_log.h"
#include "download/flash_result.h"
#include "download/flash_session.h"

// The exit status of one camera's flash: 0, or the code of the step that failed.
int FlashExitCode(const FlashResult& result);

// One camera's line in a summary: index, label, result, elapsed ms, and the return or the
// failure's cause: "1  Cam    VID_1D6B&PID_0102  success  102ms  came back as V3.0.1".
QString ResultLine(const CameraIdentity& camera, const FlashResult& result);

// The return check for a camera of the tool's platform, when the options ask for a reset.
AwaitReturn ReturnCheck(const CliOptions& options, CameraRoster& roster,
                        const CameraIdentity& camera);

// Appends the record when there is a log; false only when the log did not take it.
bool AppendRecord(FlashLog* log, const QJsonObject& record);
void WarnLogMissedRecords();

// The worker's own words for the job: "烧写成功 时间:Nms" or "烧写失败"; empty when the job
// never reached the worker.
QString JobMessage(const FlashResult& result);
