#pragma once

// What the emulated camera saw, written for the scripts that drove it to check.

#include <string>

#include "device/sim/sim_xu_model.h"

// Writes into `directory` (created when missing):
//   summary   "requests N", "resets N", "protocol_errors N" and "last <request>" lines;
//   traffic   one extension-unit request a line, oldest first;
//   errors    the device's protocol complaints, one a line;
//   memory-K-AAAAAAAA.bin  the device memory of every write transfer that a header announced,
//             K the segment kind, AAAAAAAA the address in hex, as long as the announced count.
// False with the reason in *error.
bool WriteEmulatorReport(const SimXuModel& model, const std::string& directory, std::string* error);
