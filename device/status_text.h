#pragma once

// What a failure status means, in a few words for a person reading a log or a terminal.

#include <string>

#include "device/status.h"

// "device stalled the request", "device not connected", ...; "status 0x80004005" for a status
// without words of its own.
std::string DescribeStatus(Status status);
