// Hints that follow a failed start: why a port could not be opened and what to do about it.
#pragma once

#include <string>
#include <vector>

#include "platform/termios2.h"

namespace cli {

// For the open-failure `message` of a job on COM number `port` with line settings `line`, what
// the message's own details (the device, the system's reason, the permissions) leave to a
// terminal: the processes that hold the device (access), the ports that exist and how to name
// one (missing), or the line its driver runs instead of the one asked for (open failed).
// Empty for other messages.
std::vector<std::string> OpenFailureHints(const std::string& message, int port,
                                          const platform::termios2::LineSettings& line);

// The processes (pid and name) that have `device` open, from /proc.
std::vector<std::string> DeviceHolders(const std::string& device);

}  // namespace cli
