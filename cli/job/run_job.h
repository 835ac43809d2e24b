// One Program or EEP Sum job from the command line, and what board after board shares with it.
#pragma once

#include <memory>

#include "cli/command/options.h"
#include "cli/output/display.h"

namespace cli {

// Runs the job and returns the exit status: the result code, 10 when the job did not start,
// 130 when interrupted. PrepareInterrupts must have run first.
int RunJob(const Options& options);

// The output style the options and stdout ask for.
Style ChooseStyle(const Options& options);

// Appends the record to the --log file, if one was given; a failure is shown on `display`.
void LogJob(const Options& options, const JobRecord& record, Display& display);

}  // namespace cli
