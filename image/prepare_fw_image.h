#pragma once

// Turns the operator's choices into the segments of a download job, through the working files
// boot_sw.hex, boot_sw.bin and mcu.bin of the configuration directory.

#include <functional>

#include <QString>

#include "download/data_info.h"

struct PrepareInputs {
    QString cfgDirPath;    // the configuration directory, without a trailing separator
    QString firmwarePath;  // the chosen firmware file, Intel HEX or binary
    QString addressText;   // the firmware load address, hexadecimal
    bool firmwareChecked;  // whether the firmware segment is wanted
};

// Shows one warning and returns once the operator has seen it.
using ShowWarning = std::function<void(const QString& text)>;

// Returns
//   0       the job is ready; job.count says how many segments were prepared (0, 1 or 2);
//   1       the boot step failed; a warning was shown; the job is unchanged;
//   kEFail  the firmware step failed; a warning was shown; every segment buffer was released and
//           job.count is 0.
// boot asks for the boot segment (kind 1, address 0) before the firmware segment (kind 2).
// Segment buffers are rounded up to the low 16 bits of job.unit, where 0 stands for 1024.
int PrepareFwImage(const PrepareInputs& in, bool boot, data_info& job, const ShowWarning& warn);
