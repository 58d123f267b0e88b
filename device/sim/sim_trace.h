#pragma once

#include <string>

#include "device/sim/sim_xu_model.h"

// One request of the simulated camera's traffic as tools write it, without a line end:
// "set node=1 sel=1 len=1 status=0x00000000 data=76", and for a size query
// "len node=1 sel=6 len=0 status=0x00000000 size=512".
std::string SimTrafficLine(const SimTraffic& traffic);
