#pragma once

#include "cli/cli_devices.h"
#include "cli/cli_options.h"
#include "download/flash_log.h"

// The flash order the options give: the file, the address, the options, ./CfgFile.
FlashOrder OrderOf(const CliOptions& options);
// The status of a flash that found no camera to flash: no device, or one another process
// holds (then the reason is printed).
int NoDeviceStatus(const CliDevices& devices);

// Each command returns its exit status; messages go to stderr, results to stdout.
int RunList(const CliOptions& options, CliDevices& devices);
// With a log, every camera's job is recorded in it.
int RunFlash(const CliOptions& options, CliDevices& devices, FlashLog* log);
// flash --all: every listed camera (those --only names) at once.
int RunFlashAll(const CliOptions& options, CliDevices& devices, FlashLog* log);
// watch: each camera as it arrives, until stopped or --count is reached.
int RunWatch(const CliOptions& options, CliDevices& devices, FlashLog* log);
int RunReset(const CliOptions& options, CliDevices& devices);

// The file commands need no device.
int RunVersion(const CliOptions& options);
int RunHexToBin(const CliOptions& options);
int RunPack(const CliOptions& options);
