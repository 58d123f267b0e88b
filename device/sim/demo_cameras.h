#pragma once

#include <memory>

#include "device/sim/sim_platform.h"

// The two cameras of the demo and the CLI's --simulate: one that runs firmware directly
// (device version word 0) and one that needs boot software first (version word 1).
std::unique_ptr<SimPlatform> CreateDemoPlatform();
