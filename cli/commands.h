#pragma once

#include "cli/cli_devices.h"
#include "cli/cli_options.h"

// Each command returns its exit status; messages go to stderr, results to stdout.
int RunList(const CliOptions& options, CliDevices& devices);
int RunFlash(const CliOptions& options, CliDevices& devices);
int RunReset(const CliOptions& options, CliDevices& devices);

// The file commands need no device.
int RunVersion(const CliOptions& options);
int RunHexToBin(const CliOptions& options);
int RunPack(const CliOptions& options);
