#pragma once

// One line on the devices an enumeration passed over, for a list that came out empty: how many
// and why, the same reasons counted together.

#include <string>
#include <vector>

// The reason a backend gives for a camera another process holds for its job, followed by that
// process ("dovrane-cli (pid 4242)").
inline constexpr char kHeldForAJob[] = "busy: held for a job by ";

// Whether any entry passed a camera over because another process holds it.
bool AnyHeldForAJob(const std::vector<std::string>& skipped);

// From the "<device>: <reason>" entries: "3 video nodes passed over: 2 not a video-capture
// node, 1 cannot open: Permission denied"; empty when nothing was passed over.
std::string SummariseSkipped(const std::vector<std::string>& skipped);
