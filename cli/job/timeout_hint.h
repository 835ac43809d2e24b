// The hint that says when a job's time-outs were kept open for this host's own delays, so that
// a late "Time out" is never a mystery: by how much, and for what.
//
// Threading: pure functions.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "job/program_job.h"

namespace cli {

// Nothing when no time-out was moved. `heldBy` is the own work that held one, `capped` whether
// its cap ended the job.
std::optional<std::string> TimeoutHint(std::uint32_t extendedMs, OwnWork heldBy, bool capped);

}  // namespace cli
