// One Program or EEP Sum job from the command line.
#pragma once

#include "cli/options.h"

namespace cli {

// Runs the job and returns the exit status: the result code, 10 when the job did not start,
// 130 when interrupted. SIGINT and SIGTERM must be blocked in every thread before this runs.
int RunJob(const Options& options);

// The INI file of the desktop program, as that program would find it.
std::string DesktopIniPath();

// Reads the COM numbers of the INI's "PORTS" section into memory, without writing anything.
void LoadIniPorts(const std::string& iniPath);

}  // namespace cli
