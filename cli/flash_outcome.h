#pragma once

// How a flash ends on the command line, for one camera and for many: the exit status and the
// lines that say what happened.

#include <QString>

#include "download/flash_result.h"

// The exit status of one camera's flash: 0, or the code of the step that failed.
int FlashExitCode(const FlashResult& result);

// The worker's own words for the job: "烧写成功 时间:Nms" or "烧写失败"; empty when the job
// never reached the worker.
QString JobMessage(const FlashResult& result);
