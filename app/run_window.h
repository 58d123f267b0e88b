#pragma once

#include "device/platforms.h"

// The program's entry: the application, the data_info registration, the window on the
// platform of that kind, the event loop.
int RunWindow(int argc, char** argv, PlatformKind kind);
