#pragma once

// One line on the devices an enumeration passed over, for a list that came out empty: how many
// and why, the same reasons counted together.

#include <string>
#include <vector>

// From the "<device>: <reason>" entries: "3 video nodes passed over: 2 not a video-capture
// node, 1 cannot open: Permission denied"; empty when nothing was passed over.
std::string SummariseSkipped(const std::vector<std::string>& skipped);
