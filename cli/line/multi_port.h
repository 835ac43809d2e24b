// Several targets at once: one kven-cli process per port, since a process runs one job at a
// time, and one table that shows them all.
#pragma once

#include <string_view>
#include <vector>

#include "cli/command/options.h"

namespace cli {

// Runs the command on every port of `options`, each in a kven-cli process of its own started
// with `args` (the command line without the program name) for that port. Returns 0 when
// every port succeeded, else the exit status of the lowest-numbered port that did not.
// SIGINT and SIGTERM must be blocked in every thread; they are passed on to the processes.
// On Windows it refuses with a message and the usage status.
int RunPorts(const Options& options, const std::vector<std::string_view>& args);

}  // namespace cli
