// Hints that follow a failed start: why a port could not be opened and what to do about it.
#pragma once

#include <string>
#include <vector>

#include "platform/termios2.h"

namespace cli {

// For the open-failure `message` of a job on COM number `port` with line settings `line`: who
// may open the device and how to get access (permission), the process that holds
// it (busy), the ports that exist (missing), or the line its driver runs instead of the one
// asked for (open failed). Empty for other messages.
std::vector<std::string> OpenFailureHints(const std::string& message, int port,
                                          const platform::termios2::LineSettings& line);

// The processes (pid and name) that have `device` open, from /proc.
std::vector<std::string> DeviceHolders(const std::string& device);

}  // namespace cli
