#pragma once

// What the emulated camera saw, written for the scripts that drove it to check.

#include <string>
#include <vector>

#include "device/sim/sim_xu_model.h"

// Writes into `directory` (created when missing):
//   summary   "requests N", "resets N", "protocol_errors N", "data_packets N" (the data-packet
//             writes the device took), "attachments N", for each attachment K counting from 1
//             "attachment_K_requests N" and "attachment_K_last <request>", and "last <request>";
//   traffic   one extension-unit request a line, oldest first;
//   errors    the device's protocol complaints, one a line;
//   memory-K-AAAAAAAA.bin  the device memory of every write transfer that a header announced,
//             K the segment kind, AAAAAAAA the address in hex, as long as the announced count.
// `attachmentStarts` holds the number of requests served before each time the camera was
// plugged in, oldest first. False with the reason in *error.
bool WriteEmulatorReport(const SimXuModel& model, const std::vector<size_t>& attachmentStarts,
                         const std::string& directory, std::string* error);
